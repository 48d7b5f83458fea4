// Whether the tests run slowed down (sanitizers, valgrind), so long sweeps and big inputs are
// scaled down there rather than skipped.
#pragma once

#include <cstdlib>
#include <cstring>

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
