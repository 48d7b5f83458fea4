// The console operations every screen uses: colours, clearing, writing, reading, discarding, key waits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/geraet.h"
#include "console/umwandlung.h"

// Routes all console operations to `g` and starts with empty buffers. The real terminal is
// installed by the entry point; the tests install a scripted one.
void konsole_einsetzen(geraet& g);

void farben_setzen();
void bildschirm_loeschen();

// Output is buffered; it reaches the screen before every read and key wait, or when asked.
void schreiben(std::string_view text);
void schreiben_zahl(std::uint64_t zahl);  // decimal, no leading zeros or spaces
void anzeigen();                          // everything written so far, now
void anzeigen_zeitnah();                  // the same, at most a tenth of a second after the last time
// A line that shows how far a long run is, over the current screen line, after what was written;
// never part of the output itself (not in a file, a pipe or the screen's record). Empty: gone.
void status_zeigen(std::string_view zeile);

// Each read skips leading white space, line breaks included, taking new lines as it needs them;
// what it leaves of the line stays pending for the next read.
gelesen lesen_d(std::int32_t& wert);
gelesen lesen_u(std::uint32_t& wert);
gelesen lesen_i(std::int32_t& wert);
gelesen lesen_uu(std::uint32_t& erster, std::uint32_t& zweiter);
// One word up to the next white space; a word of more than `hoechstens` characters (UTF-8, each
// counted once whatever its bytes) is `zu_gross` and stores nothing.
gelesen lesen_s(std::string& wort, std::size_t hoechstens);

// Drops what is left of the current line; the next read waits for a new one.
void verwerfen();

void taste_warten();

// Standard input has ended, or the screen has gone: the dialogue must end.
bool eingabe_zu_ende();

// Bytes of standard input used so far by reads and discards; grows with every entry a dialogue
// takes, so a prompt that repeats without it shows.
std::size_t eingabe_verbraucht();
