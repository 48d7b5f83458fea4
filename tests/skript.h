// A scripted terminal: typed lines in, a transcript out, key presses always at hand.
#pragma once

#include <string>
#include <string_view>

#include "console/geraet.h"

// Marks a key wait in the transcript.
inline constexpr std::string_view TASTE = "<Taste>";

struct skript final : geraet {
    explicit skript(std::string_view eingabe, bool bildschirm = true);

    bool zeile_lesen(std::string& zeile) override;
    bool ausgeben(std::string_view bytes) override;
    void taste() override;
    void farben_an() override;
    bool bildschirm() const override { return ist_bildschirm; }

    std::string rest;         // typed input not yet taken
    std::string protokoll;    // what the screen shows: output, echoed lines and key waits in order
    int tasten = 0;
    bool ist_bildschirm;
    bool ausgabe_kaputt = false;  // the reader of the output has gone
    std::size_t schreibvorgaenge = 0;
};

// Runs `werkzeug` against `eingabe` on a fresh scripted terminal; returns the transcript.
std::string dialog(void (*werkzeug)(), std::string_view eingabe, bool bildschirm = true);

// The whole program: colours, then the menu loop.
std::string programm(std::string_view eingabe, bool bildschirm = true);

// The screen each menu cycle shows, up to its prompt.
std::string menue_bild();
