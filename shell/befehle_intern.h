// What the three commands share: their messages, standard output gathered and written in large
// pieces, the command line taken apart, and the run of prim and teiler over their numbers.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Errors are one line on standard error, naming the command; returns 2.
int melden(std::string_view befehl, std::string_view text);
int unbekannt(std::string_view befehl, std::string_view argument);
std::string keine_zahl(std::string_view wort, std::string_view bereich = "0 bis 4294967295");

// Standard output: `ausgeben` gathers and writes once 64 KiB are there; false once a write failed.
bool ausgabe_leeren();
bool ausgeben(std::string_view text);
bool zahl_ausgeben(std::uint64_t zahl, std::string_view danach);
// The status once everything is out: a reader that has gone ends us quietly, a failed write is
// reported, as tools in a pipeline do.
int abschliessen(std::string_view befehl, int status);

// Operands, with -h/--help and "--" taken out; false after reporting an option not understood.
// `schalter`: options of the command that take no value; `mit_wert`: those that take the next argument.
// A long option with a value also as "--name=value".
struct argumente_zerlegt {
    std::vector<std::string> operanden;
    std::vector<std::pair<std::string, std::string>> optionen;
    bool hilfe = false;    // -h, --help
    bool version = false;  // -V, --version
};
bool zerlegen(std::string_view befehl, const std::vector<std::string>& argumente,
              const std::vector<std::string_view>& schalter, const std::vector<std::string_view>& mit_wert,
              argumente_zerlegt& z);
// With -h or -V: the help or the version shown, and the status (a failed write reported); else -1.
int hilfe_oder_version(std::string_view befehl, const argumente_zerlegt& z, std::string_view hilfe);

// prim and teiler: the numbers from the command line, or standard input's words as they come,
// answered a batch at a time by `antworten` (false once output failed); a word that is no number
// (and 0, where it has no answer) is reported in its place and the rest still answered, from the
// arguments as from standard input. Returns the status: 2 after any error, else `erfolg()`.
struct zahlenbefehl {
    std::string_view name;
    bool null_erlaubt;
    std::function<bool(std::span<const std::uint32_t>)> antworten;
};
int zahlen_beantworten(const zahlenbefehl& b, const std::vector<std::string>& operanden, const std::function<int()>& erfolg);

int befehl_prim(const std::vector<std::string>& argumente);
int befehl_teiler(const std::vector<std::string>& argumente);
int befehl_primzahlen(const std::vector<std::string>& argumente);
