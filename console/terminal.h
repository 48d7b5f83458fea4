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

// A clean-up that a signal ending the process runs before the terminal is restored; it may use
// only async-signal-safe calls. nullptr: none.
void beim_abbruch(void (*aufraeumen)());

// Around each step that clean-up undoes (opening the file, each write, closing it). On Windows
// the console's control handler runs on a thread of its own and waits for the step to end, so it
// never cleans up under the main thread's hands; nested calls are fine. On POSIX the handler runs
// on the main thread between any two instructions, so these do nothing there.
void abbruch_aufschieben();
void abbruch_zulassen();
