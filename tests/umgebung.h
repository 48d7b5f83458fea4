// Whether the tests run slowed down (sanitizers, valgrind), so long sweeps and big inputs are
// scaled down there rather than skipped.
#pragma once

#include <cstdlib>
#include <cstring>

inline bool gebremst() {
#ifdef ZIFFERON_SANITIZE
    return true;
#else
    const char* vorab = std::getenv("LD_PRELOAD");
    return vorab != nullptr && std::strstr(vorab, "vgpreload") != nullptr;
#endif
}
