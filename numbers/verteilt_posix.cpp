#include "numbers/verteilt.h"
#include "numbers/verteilt_system.h"

#include <algorithm>
#include <climits>
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

namespace {

void* laufen(void* arbeit) {
    (*static_cast<const std::function<void()>*>(arbeit))();
    return nullptr;
}

}  // namespace

// A new thread inherits the signal mask of the thread that starts it: blocked around the start,
// the signals stay blocked in the workers, and the caller's mask is as before.
arbeiter arbeiter_starten(unsigned n, const std::function<void()>& arbeit) {
    arbeiter a = arbeiter_vorbereiten(n);
    pthread_attr_t art;
    if (pthread_attr_init(&art) != 0) return a;
    pthread_attr_setstacksize(&art, std::max<std::size_t>(arbeiter_stapel, PTHREAD_STACK_MIN));
    sigset_t alle, vorher;
    sigfillset(&alle);
    pthread_sigmask(SIG_BLOCK, &alle, &vorher);
    for (std::size_t k = 0; k < n && k < a.faeden.capacity(); ++k) {
        pthread_t faden;
        if (pthread_create(&faden, &art, laufen, const_cast<std::function<void()>*>(&arbeit)) != 0) break;
        // Named here rather than by the thread itself, so a worker bears its name from the moment
        // this returns, however late it is scheduled: top -H, a debugger and the tests tell it apart.
        pthread_setname_np(faden, "zifferon-arbeit");
        a.faeden.push_back(static_cast<std::uintptr_t>(faden));
    }
    pthread_sigmask(SIG_SETMASK, &vorher, nullptr);
    pthread_attr_destroy(&art);
    return a;
}

void arbeiter_warten(arbeiter& a) {
    for (std::uintptr_t faden : a.faeden) pthread_join(static_cast<pthread_t>(faden), nullptr);
    a.faeden.clear();
}
