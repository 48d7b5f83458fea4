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

// What each command's --help shows, in lines of at most 79 columns.
extern const std::string_view hilfe_prim, hilfe_teiler, hilfe_primzahlen;

// Whether `wort`, the first argument, names a command.
bool ist_befehl(std::string_view wort);

// Runs the command named by argumente[1], with the arguments after it; argumente[0] is the program.
// Returns the exit status as grep has it: 0, 1 (prim: a number that is not prime), 2 on any error.
int befehl_ausfuehren(const std::vector<std::string>& argumente);
