// Whether the tests run slowed down (sanitizers, valgrind), so long sweeps and big inputs are
// scaled down there rather than skipped.
#pragma once

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#ifndef ZIFFERON_TSAN
#define ZIFFERON_TSAN 0
#endif

inline bool unter_valgrind() {
    const char* vorab = std::getenv("LD_PRELOAD");
    return vorab != nullptr && std::strstr(vorab, "vgpreload") != nullptr;
}

inline bool gebremst() {
#ifdef ZIFFERON_SANITIZE
    return true;
#else
    return unter_valgrind();
#endif
}

// valgrind and ThreadSanitizer run a signal's handler late, or not again after a re-raised stop.
inline bool ohne_jobsteuerung() { return unter_valgrind() || ZIFFERON_TSAN != 0; }

// A field of the process's /proc/self/status in KiB ("VmRSS:", "VmHWM:", "VmSize:"), or -1.
inline long status_kib(const std::string& feld) {
    std::ifstream f("/proc/self/status");
    for (std::string zeile; std::getline(f, zeile);)
        if (zeile.starts_with(feld)) return std::stol(zeile.substr(feld.size()));
    return -1L;
}
