// The real terminal: standard input and output, and the controlling terminal as the keyboard.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// For the commands, which leave the terminal alone: a signal that ends the process runs the
// list file's clean-up (beim_abbruch) and nothing else; no mode, colour or key is touched, and a
// closed reader or a file size limit is reported by the write that meets it (EPIPE, EFBIG).
void abbruch_einrichten();

// One read of standard input: the bytes read, 0 at its end, -1 on an error (errno says which). A
// non-blocking input is waited for; an interrupted read is tried again. A pipe there is widened
// (to 1 MiB on Linux) at the first read.
long long standardeingabe_lesen(char* ziel, std::size_t platz);

// Whether a read of standard input would return at once (its data or its end is there).
bool standardeingabe_bereit();

// A reader of standard output that has gone: ends the process quietly by SIGPIPE, as tools in a
// pipeline end; returns where SIGPIPE was ignored at start (or there is no such signal).
void leser_weg_beenden();

// A command's progress line on standard error, drawn as the dialogue's is: only where that is a
// terminal (not a dumb one) and we are in its foreground, never wrapped, and over every row of the
// line before that a narrowed terminal re-wrapped; "" takes it away.
void fehlerkanal_status(std::string_view zeile);
// The same, but a line left out while the terminal takes nothing without a wait (Ctrl-S, a
// stalled remote link): for a run that holds a shared file's lock meanwhile. "" still waits.
void fehlerkanal_status_ohne_warten(std::string_view zeile);

// Whether standard output is a terminal (a Windows console): there a command's answers come in
// whole lines as they are found, elsewhere in large writes.
bool standardausgabe_ist_terminal();

// The command line as UTF-8: on Windows read again as the UTF-16 the user typed, whatever the
// code page; elsewhere as given.
std::vector<std::string> argumente_utf8(int argc, char** argv);

// Text for standard output (1) or standard error (2) outside the dialogue (the help, the option
// messages): UTF-8, written as UTF-16 where the channel is a Windows console, as the dialogue's
// text is. False if it could not all be written.
bool direkt_ausgeben(int kanal, std::string_view text);
