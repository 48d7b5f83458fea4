// The device behind the console operations: the real terminal, or a scripted one in the tests.
#pragma once

#include <string>
#include <string_view>

struct geraet {
    // The next line of standard input, with its line break if it has one. False at end of input.
    virtual bool zeile_lesen(std::string& zeile) = 0;
    // Bytes for the screen. False when they can no longer be written (the reader has gone).
    virtual bool ausgeben(std::string_view bytes) = 0;
    // Waits for one key press from the keyboard; returns at once when there is no keyboard.
    virtual void taste() = 0;
    // Turns on the program's colours for the whole window (nothing without a screen).
    virtual void farben_an() = 0;
    // Blanks the screen and puts the cursor at the top left (nothing without a screen).
    virtual void loeschen() = 0;
    // A line over the current one that shows how far a long run is, replaced by the next one and
    // taken away by an empty one; never part of what the screen keeps (nothing without a screen
    // that takes escape sequences).
    virtual void status(std::string_view zeile) { static_cast<void>(zeile); }

protected:
    ~geraet() = default;
};

// The escape sequences of the screen, in one place.
namespace sequenz {
// Blue on bright white, cleared so the background fills the window. On the normal screen, so
// that what scrolls off the top stays in the terminal's scrollback.
inline constexpr std::string_view farben = "\x1b[34;107m\x1b[2J\x1b[H";
inline constexpr std::string_view loeschen = "\x1b[2J\x1b[H";
// Attributes reset and the screen cleared, so the shell goes on in its own colours.
inline constexpr std::string_view zurueck = "\x1b[0m\x1b[2J\x1b[H";
// To the start of the line, and after a text there, the rest of the line blanked.
inline constexpr std::string_view zeilenanfang = "\r";
inline constexpr std::string_view zeilenrest = "\x1b[K";
}  // namespace sequenz
