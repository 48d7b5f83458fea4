// The real terminal: standard input and output, and the controlling terminal as the keyboard.
#pragma once

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
