// Preloaded into the test programs (LD_PRELOAD) to play a machine many times faster than this one:
// every sleep of 100 ms or more in a test process lasts ZIFFERON_DEHNUNG times as long, so a test
// that passes only because the program is slow to finish fails here. Shorter sleeps play a slow
// typist and stay. The program under test is never slowed: a test process drops the preload from
// its environment at once, so nothing it starts inherits it; other processes (ctest, cmake) pass it
// on untouched.
#include <dlfcn.h>
#include <errno.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

long faktor = 1;

__attribute__((constructor)) void dehnung_einrichten() {
    if (std::strncmp(program_invocation_short_name, "zifferon_", 9) != 0) return;  // a test program only
    unsetenv("LD_PRELOAD");
    const char* wert = std::getenv("ZIFFERON_DEHNUNG");
    faktor = wert != nullptr ? std::max(1L, std::strtol(wert, nullptr, 10)) : 8;
}

timespec gedehnt(const timespec& t) {
    constexpr long milliarde = 1'000'000'000;
    if (faktor == 1 || (t.tv_sec == 0 && t.tv_nsec < 100'000'000)) return t;
    const long long ns = (static_cast<long long>(t.tv_sec) * milliarde + t.tv_nsec) * faktor;
    return timespec{static_cast<time_t>(ns / milliarde), static_cast<long>(ns % milliarde)};
}

}  // namespace

extern "C" int nanosleep(const timespec* dauer, timespec* rest) {
    static auto echt = reinterpret_cast<int (*)(const timespec*, timespec*)>(dlsym(RTLD_NEXT, "nanosleep"));
    const timespec lang = gedehnt(*dauer);
    return echt(&lang, rest);
}

extern "C" int clock_nanosleep(clockid_t uhr, int flags, const timespec* dauer, timespec* rest) {
    static auto echt = reinterpret_cast<int (*)(clockid_t, int, const timespec*, timespec*)>(
        dlsym(RTLD_NEXT, "clock_nanosleep"));
    // An absolute deadline is the test's own clock, not a duration to stretch.
    const timespec lang = (flags & TIMER_ABSTIME) != 0 ? *dauer : gedehnt(*dauer);
    return echt(uhr, flags, &lang, rest);
}
