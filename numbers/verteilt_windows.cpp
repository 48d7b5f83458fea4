#include "numbers/verteilt.h"
#include "numbers/verteilt_system.h"

#include <process.h>
#include <windows.h>

unsigned erlaubte_cpus() {
    DWORD_PTR prozess = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &prozess, &system) || prozess == 0) return 1;
    return static_cast<unsigned>(__builtin_popcountll(static_cast<unsigned long long>(prozess)));
}

namespace {

unsigned __stdcall laufen(void* arbeit) {
    (*static_cast<const std::function<void()>*>(arbeit))();
    return 0;
}

}  // namespace

// No signals here; the console's control handler runs on a thread of its own.
arbeiter arbeiter_starten(unsigned n, const std::function<void()>& arbeit) {
    arbeiter a = arbeiter_vorbereiten(n);
    for (std::size_t k = 0; k < n && k < a.faeden.capacity(); ++k) {
        const std::uintptr_t faden = _beginthreadex(nullptr, static_cast<unsigned>(arbeiter_stapel), laufen,
                                                    const_cast<std::function<void()>*>(&arbeit),
                                                    STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (faden == 0) break;
        a.faeden.push_back(faden);
    }
    return a;
}

void arbeiter_warten(arbeiter& a) {
    for (std::uintptr_t faden : a.faeden) {
        WaitForSingleObject(reinterpret_cast<HANDLE>(faden), INFINITE);
        CloseHandle(reinterpret_cast<HANDLE>(faden));
    }
    a.faeden.clear();
}
