// The three tools as commands that scripts and pipelines call: `zifferon prim`, `zifferon teiler`
// and `zifferon primzahlen`. Answers on standard output, messages in German on standard error,
// the terminal left alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Whether `wort`, the first argument, names a command.
bool ist_befehl(std::string_view wort);

// Runs the command named by argumente[1], with the arguments after it; argumente[0] is the program.
// Returns the exit status as grep has it: 0, 1 (prim: a number that is not prime), 2 on any error.
int befehl_ausfuehren(const std::vector<std::string>& argumente);

// A decimal number in 32 bits, read as the dialogue reads its numbers: a leading + is fine, and
// the whole word must be the number.
bool zahl_lesen(std::string_view wort, std::uint32_t& zahl);

// Standard input's words, separated by blanks and line ends, arrive a read at a time: a word cut
// by a read's end waits here for its rest. A word longer than any number is kept only in part (it
// is no number anyway), shown with "..." after it.
inline constexpr std::size_t laengstes_wort = 64;
struct wortvorrat {
    std::string angefangen;
    bool abgeschnitten = false;
};
// Hands each whole word of `text` to `wort`, which returns false to stop (false then); `am_ende`:
// no more text comes, so a word at its end is whole.
bool woerter_zerlegen(wortvorrat& v, std::string_view text, bool am_ende, const std::function<bool(std::string_view)>& wort);
// The same for prim, quicker: a word of plain decimal digits that fits 32 bits, whole in `text`,
// goes to `zahlen` as its value; every other word to `wort`, in its place.
bool zahlen_zerlegen(wortvorrat& v, std::string_view text, bool am_ende, std::vector<std::uint32_t>& zahlen,
                     const std::function<bool(std::string_view)>& wort);
