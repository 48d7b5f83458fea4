// The progress line of a long listing into a file, where nothing else shows that it works.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// Where the line shows: the dialogue's status line, or standard error for a command; "" takes it
// away. nullptr: nowhere.
using fortschritt_anzeige = void (*)(std::string_view zeile);

struct fortschritt {
    fortschritt_anzeige anzeige = nullptr;
    std::uint64_t gesamt = 0;  // numbers to test
    std::chrono::steady_clock::time_point anfang, zuletzt;
    bool gezeigt = false;
};

fortschritt fortschritt_beginnen(std::uint64_t gesamt, fortschritt_anzeige anzeige);
// Shown once the run has taken half a second, then renewed four times a second: how far the run
// is, the primes so far and the time left, estimated from the time so far.
void fortschritt_melden(fortschritt& f, std::uint64_t geprueft, std::uint64_t primzahlen);
// Takes the line away, if it was shown.
void fortschritt_beenden(fortschritt& f);

// The line itself: "37 % geprueft, 1234567 Primzahlen gefunden, noch etwa 1 min 5 s".
std::string fortschritt_text(std::uint64_t geprueft, std::uint64_t gesamt, std::uint64_t primzahlen,
                             std::chrono::steady_clock::duration bisher);
