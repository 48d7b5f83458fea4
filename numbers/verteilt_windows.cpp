#include "numbers/verteilt.h"

#include <windows.h>

unsigned erlaubte_cpus() {
    DWORD_PTR prozess = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &prozess, &system) || prozess == 0) return 1;
    return static_cast<unsigned>(__builtin_popcountll(static_cast<unsigned long long>(prozess)));
}

// No signals here; the console's control handler runs on a thread of its own.
std::vector<std::thread> arbeiter_starten(unsigned n, const std::function<void()>& arbeit) {
    return arbeiter_anlegen(n, arbeit);
}
