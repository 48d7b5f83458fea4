#include "numbers/verteilt.h"

#include <csignal>
#include <pthread.h>
#include <sched.h>

unsigned erlaubte_cpus() {
    cpu_set_t menge;
    CPU_ZERO(&menge);
    if (sched_getaffinity(0, sizeof menge, &menge) != 0) return 1;
    const int anzahl = CPU_COUNT(&menge);
    return anzahl > 0 ? static_cast<unsigned>(anzahl) : 1;
}

// A new thread inherits the signal mask of the thread that starts it: blocked around the start,
// the signals stay blocked in the workers, and the caller's mask is as before.
std::vector<std::thread> arbeiter_starten(unsigned n, const std::function<void()>& arbeit) {
    sigset_t alle, vorher;
    sigfillset(&alle);
    pthread_sigmask(SIG_BLOCK, &alle, &vorher);
    std::vector<std::thread> arbeiter = arbeiter_anlegen(n, arbeit);
    pthread_sigmask(SIG_SETMASK, &vorher, nullptr);
    return arbeiter;
}
