// The command line: --help and --version; the program itself takes no arguments.
#pragma once

#include <string_view>

// What --help shows, in lines of at most 79 columns.
extern const std::string_view hilfe_zifferon;

// Handles the arguments. Returns -1 when the menu should start, else the exit status to end with
// (0 after --help or --version, 2 for anything else, which is reported on standard error).
int optionen_auswerten(int argc, char** argv);
