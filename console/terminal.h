// The real terminal: standard input and output, and the controlling terminal as the keyboard.
#pragma once

#include <string_view>

#include "console/geraet.h"

// Saves the keyboard's mode, installs the handlers that restore it when a signal ends the
// process, and returns the terminal as the console's device. Called once, at start.
geraet& terminal_oeffnen();

// Resets the colours and the keyboard's mode to what they were at start, and returns the exit
// status: 0, or 1 once output to the screen has failed, which is reported on standard error. A
// reader that has gone (a closed pipe) ends the process quietly by SIGPIPE instead, as tools in a
// pipeline end.
int terminal_schliessen();

// The start of that line; the system's reason follows.
inline constexpr const char* ausgabe_fehlgeschlagen = "zifferon: Die Ausgabe ist fehlgeschlagen: ";

// Text for standard output (1) or standard error (2) outside the dialogue (the help, the option
// messages): UTF-8, written as UTF-16 where the channel is a Windows console, as the dialogue's
// text is. False if it could not all be written.
bool direkt_ausgeben(int kanal, std::string_view text);
