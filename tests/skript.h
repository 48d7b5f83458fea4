// A scripted terminal: typed lines in, a transcript out, key presses always at hand.
#pragma once

#include <cstdint>
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
    void loeschen() override;

    std::string rest;         // typed input not yet taken
    std::string protokoll;    // what the screen shows: output, echoed lines and key waits in order
    int tasten = 0;
    bool ist_bildschirm;
    bool ausgabe_kaputt = false;  // the reader of the output has gone
    std::size_t kaputt_nach = SIZE_MAX;  // ... after this many writes
    std::size_t schreibvorgaenge = 0;
};

// Runs `werkzeug` against `eingabe` on a fresh scripted terminal; returns the transcript.
std::string dialog(void (*werkzeug)(), std::string_view eingabe, bool bildschirm = true);

// The whole program: colours, then the menu loop.
std::string programm(std::string_view eingabe, bool bildschirm = true);

// The screen each menu cycle shows, up to its prompt.
std::string menue_bild();

// The dialogue's texts, as the screen must show them.
namespace text {
inline const std::string M = menue_bild();
inline const std::string T(TASTE);
inline const std::string START(sequenz::farben);
inline const std::string UNGUELTIG = "\n\n\a\t\tUngueltige Eingabe !";
inline const std::string PROMPT = "\n\nBitte Zahl eingeben: ";
inline const std::string NULL_MELDUNG = "\n\n\n\t\t\tDie Zahl muss groesser als 0 sein !";
inline const std::string KEINE_ZAHL = "\n\n\n\t\t\tBitte eine gueltige Zahl eingeben !";
inline const std::string WAHL = "\n\n1)Auf Bildschirm ausgeben\n2)In Datei schreiben\n\nWahl: ";
inline const std::string FALSCHE_WAHL = "\n\nUngueltige Eingabe ";
inline const std::string BEREICH = "\n\nBitte Start- und Zaehlwert eingeben: ";
inline const std::string ZU_KLEIN = "\n\n\n\t\t\tDer Startwert muss >5 und der Zaehlwert >1 sein !";
inline const std::string ZU_WEIT = "\n\n\n\t\t\tStartwert + Zaehlwert darf 4294967296 nicht ueberschreiten !";
inline const std::string NAME = "\n\nNamen fuer Datei eingeben: ";
inline const std::string ZU_LANG = "\n\n\n\t\t\tDer Name darf hoechstens 75 Zeichen lang sein !";
}  // namespace text
