// Whether the tests run slowed down (sanitizers, valgrind), so long sweeps and big inputs are
// scaled down there rather than skipped.
#pragma once

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#ifndef ZIFFERON_TSAN
#define ZIFFERON_TSAN 0
#endif

// A suite started as an asynchronous command of a script, or under nohup, inherits SIGINT,
// SIGQUIT or SIGHUP ignored and passes that on to every program it starts, which rightly keeps
// it. The tests that end a listing or the dialogue by a signal need the defaults, as ctest gives
// them.
inline const bool signale_voreingestellt = [] {
#ifndef _WIN32
    for (const int signal : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGPIPE}) std::signal(signal, SIG_DFL);
#endif
    return true;
}();

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
