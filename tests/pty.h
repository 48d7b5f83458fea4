// The real program in a pseudo-terminal, driven like a user at a keyboard.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>
#include <sys/types.h>
#include <termios.h>

struct sitzung {
    pid_t pid = -1;
    pid_t job = -1;        // the program itself, when it runs as a job under a shell of ours
    int befehle = -1;      // to that shell: 'h' takes the terminal back, 'v' gives it to the job
    int bestaetigt = -1;   // from that shell: a byte once it has done so
    int master = -1;
    int slave = -1;        // kept open here, so the terminal's mode can be read after the program ends
    std::string ausgabe;   // everything the program wrote, carriage returns removed
    termios anfang{};      // the mode the program found at start
};

// Starts the program on a fresh terminal in a mode with a few unusual settings, so that a
// restore to anything but the exact mode at start shows.
// `zu`: a standard descriptor closed before the program starts (-1: none); `umgebung`: a
// "NAME=wert" set for the program.
// `angehalten`: output already stopped (Ctrl-S) when the program starts; `befehl`: a command
// in its place (the Windows build under wine, say), arguments included.
sitzung starten(const char* ordner = nullptr, int zu = -1, const char* umgebung = nullptr, bool angehalten = false,
                const std::vector<std::string>& befehl = {});

// A fresh directory in /tmp, removed with all in it at the end of the scope.
struct temp_ordner {
    std::string pfad;
    temp_ordner();
    ~temp_ordner();
};

// The program the pipe tests start: the Linux binary, or with ZIFFERON_WINE=1 (and the Windows
// build made) zifferon.exe under wine, through cmake/wine-zifferon; and its output as on Linux,
// without the CR of Windows' line ends.
bool windows_programm();
std::vector<std::string> programm_befehl(const std::vector<std::string>& argumente = {});
std::string wie_unter_linux(std::string text);

// In a child: becomes `befehl`, its arguments included, with no core dumped, every signal's
// default action but `ignoriert`'s.
[[noreturn]] void programm_starten(const std::vector<std::string>& befehl, int ignoriert = 0);

// The program as the foreground job of its own process group under a stand-in shell that leads
// the session, as job control needs it (a stopped orphaned process group would ignore Ctrl-Z).
// `pid` is the shell, which ends as the job ends; `job` the program. `im_hintergrund`: started
// as `zifferon &`, the shell keeping the terminal. `befehl`: a command in the program's place.
sitzung starten_als_job(bool im_hintergrund = false, const std::vector<std::string>& befehl = {});

// Tells the stand-in shell to take the terminal back ('h') or give it to the job ('v'), and
// waits until it has; false if it did not say so in time.
[[nodiscard]] bool shell_befehl(sitzung& s, char befehl);

// A file's bytes, whole ("" where it cannot be read).
std::string dateiinhalt(const std::string& pfad);

// How often `muster` occurs in `text`.
std::size_t anzahl(const std::string& text, const std::string& muster);

// Waits until `erfuellt()` holds, looking every few milliseconds; false after `ms`.
[[nodiscard]] bool warten_bis(const std::function<bool()>& erfuellt, int ms = 15000);

// The process the waits below watch: the program, also when it runs as a job under a shell of ours.
pid_t programm(const sitzung& s);

// The system call `pid` is blocked in, as its number ("0": read); "running" while it runs, "" where
// /proc does not tell.
std::string systemaufruf(pid_t pid);

// The job's state letter from /proc ('T' stopped, 'S' sleeping, ...).
char zustand(pid_t pid);

// Reads output until `muster` appears at or after `ab`; false after `ms` milliseconds.
[[nodiscard]] bool lesen_bis(sitzung& s, std::string_view muster, std::size_t ab = 0, int ms = 15000);

// Reads whatever arrives within `ms` milliseconds.
void lesen_fuer(sitzung& s, int ms);

void tippen(sitzung& s, std::string_view tasten);

termios modus(const sitzung& s);
bool roh(const sitzung& s);
// Waits until the keyboard is in raw mode (a key wait has begun); false after `ms`.
[[nodiscard]] bool warten_bis_roh(sitzung& s, int ms = 15000);

// Waits until the program is blocked reading its keyboard, where a user's key or signal finds it
// (ThreadSanitizer holds one that comes just before a blocking read until that read ends); false after `ms`.
[[nodiscard]] bool warten_bis_lesend(sitzung& s, int ms = 15000);
// Waits until the program is blocked in the system call `nummer` (SYS_write: output that Ctrl-S holds).
[[nodiscard]] bool warten_bis_im_aufruf(sitzung& s, long nummer, int ms = 15000);

// Types `tasten` and waits until the program has read them and is blocked in a fresh read: the key
// has been taken, whatever it did. A raw mode seen now may still be the old key wait's. False after `ms`.
[[nodiscard]] bool tippen_und_abwarten(sitzung& s, std::string_view tasten, int ms = 15000);

// Types Ctrl-S and waits until the terminal holds the program's output; false after `ms`.
[[nodiscard]] bool anhalten(sitzung& s, int ms = 15000);

// The wait status once the program has ended, reading its output meanwhile; -1 if it did not
// end within `ms` (it is killed then).
[[nodiscard]] int ende_abwarten(sitzung& s, int ms = 15000);

bool gleicher_modus(const termios& a, const termios& b);

void schliessen(sitzung& s);
