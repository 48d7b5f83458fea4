// Words of text as the commands take them, from standard input or the command line: split at
// blanks and line ends, a read at a time, and read as 32-bit numbers. It reads text; it knows no
// command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// Reads standard input to its end, handing its words to `wort` (with `zahlen`: plain numbers go
// there, the rest to `wort`, as zahlen_zerlegen does) and calling `gelesen()` whenever what is
// there has been taken, so the caller answers it; either returns false to stop. What is there at
// once is taken in one batch (a file, a fast pipe) of up to a few MiB; what comes slowly (a user
// typing) is answered read by read. A byte order mark at the start is skipped. False when a read
// failed (errno says why), after handing on and answering what was read before it.
bool woerter_lesen(const std::function<bool(std::string_view)>& wort, const std::function<bool()>& gelesen,
                   std::vector<std::uint32_t>* zahlen = nullptr);
