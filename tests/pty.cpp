#include "tests/pty.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utmp.h>

namespace {

using uhr = std::chrono::steady_clock;

int rest_ms(uhr::time_point bis) {
    const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(bis - uhr::now()).count();
    return static_cast<int>(std::max<long long>(rest, 0));
}

// One read of whatever is there within `ms`; false if nothing came.
bool einmal_lesen(sitzung& s, int ms) {
    pollfd p{s.master, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char puffer[4096];
    const ssize_t n = read(s.master, puffer, sizeof puffer);
    if (n <= 0) return false;
    for (ssize_t i = 0; i < n; ++i)
        if (puffer[i] != '\r') s.ausgabe.push_back(puffer[i]);
    return true;
}

}  // namespace

namespace {

// A terminal in a mode with a few unusual settings, so that a restore to anything but the exact
// mode at start shows.
bool terminal_anlegen(sitzung& s) {
    winsize groesse{40, 120, 0, 0};
    if (openpty(&s.master, &s.slave, nullptr, nullptr, &groesse) != 0) return false;
    tcgetattr(s.slave, &s.anfang);
    s.anfang.c_lflag &= ~static_cast<tcflag_t>(ECHOCTL);
    s.anfang.c_cc[VTIME] = 7;
    tcsetattr(s.slave, TCSANOW, &s.anfang);
    tcgetattr(s.slave, &s.anfang);
    return true;
}

}  // namespace

[[noreturn]] void programm_starten(const std::vector<std::string>& befehl, int ignoriert) {
    // An ignored signal stays ignored across exec, and the program keeps that choice: the test
    // process's own (the pipe tests ignore SIGPIPE while they feed input) must not reach it.
    signal(SIGPIPE, SIG_DFL);
    if (ignoriert != 0) signal(ignoriert, SIG_IGN);
    const rlimit kein_kern{0, 0};  // signals that dump core must not litter the disk
    setrlimit(RLIMIT_CORE, &kein_kern);
    std::vector<char*> argv;
    for (const std::string& a : befehl) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

sitzung starten_als_job(bool im_hintergrund, const std::vector<std::string>& befehl) {
    sitzung s;
    int befehle[2], meldung[2];
    if (!terminal_anlegen(s) || pipe(befehle) != 0 || pipe(meldung) != 0) return s;
    s.pid = fork();
    if (s.pid == 0) {
        close(s.master);
        close(befehle[1]);
        close(meldung[0]);
        login_tty(s.slave);
        signal(SIGTTOU, SIG_IGN);
        const pid_t job = fork();
        if (job == 0) {
            setpgid(0, 0);
            // In the foreground before the program looks, as a shell does it.
            if (!im_hintergrund) tcsetpgrp(STDIN_FILENO, getpid());
            signal(SIGTTOU, SIG_DFL);
            close(befehle[0]);
            close(meldung[1]);
            programm_starten(befehl.empty() ? std::vector<std::string>{ZIFFERON_BINARY} : befehl);
        }
        setpgid(job, job);
        if (!im_hintergrund) tcsetpgrp(STDIN_FILENO, job);
        if (write(meldung[1], &job, sizeof job) != sizeof job) _exit(126);
        for (;;) {
            int status = 0;
            if (waitpid(job, &status, WNOHANG) == job) {
                if (WIFEXITED(status)) _exit(WEXITSTATUS(status));
                signal(WTERMSIG(status), SIG_DFL);
                kill(getpid(), WTERMSIG(status));
                _exit(125);
            }
            pollfd p{befehle[0], POLLIN, 0};
            char befehl = 0;
            if (poll(&p, 1, 10) == 1 && read(befehle[0], &befehl, 1) == 1) {
                tcsetpgrp(STDIN_FILENO, befehl == 'h' ? getpgrp() : job);
                // Done: the test goes on only now.
                if (write(meldung[1], &befehl, 1) != 1) _exit(126);
            }
        }
    }
    close(befehle[0]);
    close(meldung[1]);
    s.befehle = befehle[1];
    if (read(meldung[0], &s.job, sizeof s.job) != sizeof s.job) s.job = -1;
    s.bestaetigt = meldung[0];
    return s;
}

bool shell_befehl(sitzung& s, char befehl) {
    if (write(s.befehle, &befehl, 1) != 1) return false;
    // Until the shell says the terminal has changed hands, or a deadline passes.
    pollfd p{s.bestaetigt, POLLIN, 0};
    char antwort = 0;
    return poll(&p, 1, 15000) == 1 && read(s.bestaetigt, &antwort, 1) == 1 && antwort == befehl;
}

char zustand(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string zeile;
    std::getline(f, zeile);
    const auto klammer = zeile.rfind(')');
    return klammer == std::string::npos || klammer + 2 >= zeile.size() ? '?' : zeile[klammer + 2];
}

std::string dateiinhalt(const std::string& pfad) {
    std::ifstream f(pfad, std::ios::binary);
    std::stringstream inhalt;
    inhalt << f.rdbuf();
    return inhalt.str();
}

std::size_t anzahl(const std::string& text, const std::string& muster) {
    std::size_t n = 0;
    for (auto p = text.find(muster); p != std::string::npos; p = text.find(muster, p + 1)) ++n;
    return n;
}

bool warten_bis(const std::function<bool()>& erfuellt, int ms) {
    const auto bis = uhr::now() + std::chrono::milliseconds(ms);
    while (!erfuellt()) {
        if (rest_ms(bis) == 0) return false;
        poll(nullptr, 0, 5);  // the state is looked at, not a time waited for
    }
    return true;
}

temp_ordner::temp_ordner() {
    char muster[] = "/tmp/zifferon-e2e-XXXXXX";
    pfad = mkdtemp(muster) != nullptr ? muster : "/nicht/angelegt";
}
temp_ordner::~temp_ordner() { std::filesystem::remove_all(pfad); }

bool windows_programm() {
    const char* an = std::getenv("ZIFFERON_WINE");
    return an != nullptr && std::string(an) == "1";
}

std::vector<std::string> programm_befehl(const std::vector<std::string>& argumente) {
    std::vector<std::string> befehl{windows_programm() ? ZIFFERON_QUELLEN "/cmake/wine-zifferon" : ZIFFERON_BINARY};
    befehl.insert(befehl.end(), argumente.begin(), argumente.end());
    return befehl;
}

std::string wie_unter_linux(std::string text) {
    if (windows_programm()) std::erase(text, '\r');
    return text;
}

sitzung starten(const char* ordner, int zu, const char* umgebung, bool angehalten, const std::vector<std::string>& befehl) {
    sitzung s;
    if (!terminal_anlegen(s)) return s;
    if (angehalten) tcflow(s.slave, TCOOFF);
    s.pid = fork();
    if (s.pid == 0) {
        close(s.master);
        login_tty(s.slave);
        if (ordner != nullptr && chdir(ordner) != 0) _exit(126);
        if (zu >= 0) close(zu);
        if (umgebung != nullptr) putenv(const_cast<char*>(umgebung));
        programm_starten(befehl.empty() ? std::vector<std::string>{ZIFFERON_BINARY} : befehl);
    }
    return s;
}

bool lesen_bis(sitzung& s, std::string_view muster, std::size_t ab, int ms) {
    const auto bis = uhr::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (s.ausgabe.size() >= ab && s.ausgabe.find(muster, ab) != std::string::npos) return true;
        if (rest_ms(bis) == 0) return false;
        einmal_lesen(s, std::min(rest_ms(bis), 50));
    }
}

void lesen_fuer(sitzung& s, int ms) {
    const auto bis = uhr::now() + std::chrono::milliseconds(ms);
    while (rest_ms(bis) > 0) einmal_lesen(s, rest_ms(bis));
}

void tippen(sitzung& s, std::string_view tasten) {
    while (!tasten.empty()) {
        const ssize_t n = write(s.master, tasten.data(), tasten.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        tasten.remove_prefix(static_cast<std::size_t>(n));
    }
}

termios modus(const sitzung& s) {
    termios t{};
    tcgetattr(s.slave, &t);
    return t;
}

bool roh(const sitzung& s) { return (modus(s).c_lflag & ICANON) == 0; }

bool warten_bis_roh(sitzung& s, int ms) {
    const auto bis = uhr::now() + std::chrono::milliseconds(ms);
    while (!roh(s)) {
        if (rest_ms(bis) == 0) return false;
        einmal_lesen(s, 5);
    }
    return true;
}

namespace {

// The first word of /proc/<pid>/<datei>'s line that starts with `schluessel` ("" for the first
// line); "" where /proc does not tell.
std::string proc_wert(pid_t pid, const char* datei, std::string_view schluessel = "") {
    std::ifstream f("/proc/" + std::to_string(pid) + "/" + datei);
    for (std::string zeile; std::getline(f, zeile);) {
        if (!zeile.starts_with(schluessel)) continue;
        std::istringstream woerter(zeile.substr(schluessel.size()));
        std::string wort;
        woerter >> wort;
        return wort;
    }
    return "";
}

// The read system calls the program has completed so far.
std::string lesevorgaenge(pid_t pid) { return proc_wert(pid, "io", "syscr:"); }

}  // namespace

std::string systemaufruf(pid_t pid) { return proc_wert(pid, "syscall"); }

pid_t programm(const sitzung& s) { return s.job > 0 ? s.job : s.pid; }

bool warten_bis_im_aufruf(sitzung& s, long nummer, int ms) {
    const auto bis = uhr::now() + std::chrono::milliseconds(ms);
    for (std::string aufruf; !(aufruf = systemaufruf(programm(s))).empty() && aufruf != std::to_string(nummer);) {
        if (rest_ms(bis) == 0) return false;
        einmal_lesen(s, 5);
    }
    return true;  // in that call, or nothing to be seen here
}

bool warten_bis_lesend(sitzung& s, int ms) { return warten_bis_im_aufruf(s, SYS_read, ms); }

bool tippen_und_abwarten(sitzung& s, std::string_view tasten, int ms) {
    const std::string vorher = lesevorgaenge(programm(s));
    tippen(s, tasten);
    // A fresh read, not the one that was waiting for these keys.
    const auto bis = uhr::now() + std::chrono::milliseconds(ms);
    while (!vorher.empty() && lesevorgaenge(programm(s)) == vorher)
        if (rest_ms(bis) == 0) return false;
        else einmal_lesen(s, 5);
    return warten_bis_lesend(s, rest_ms(bis));
}

bool anhalten(sitzung& s, int ms) {
    // The terminal tells its master side of Ctrl-S only in packet mode, on before the key: each
    // read then starts with a status byte, and data comes after a zero one.
    int an = 1;
    if (ioctl(s.master, TIOCPKT, &an) != 0) return false;
    tippen(s, "\x13");
    const auto bis = uhr::now() + std::chrono::milliseconds(ms);
    bool angehalten = false;
    for (pollfd p{s.master, POLLIN, 0}; !angehalten && poll(&p, 1, rest_ms(bis)) > 0;) {
        char puffer[4096];
        const ssize_t n = read(s.master, puffer, sizeof puffer);
        if (n <= 0) break;
        if (puffer[0] != TIOCPKT_DATA) angehalten = (puffer[0] & TIOCPKT_STOP) != 0;
        else for (ssize_t i = 1; i < n; ++i)
            if (puffer[i] != '\r') s.ausgabe.push_back(puffer[i]);
    }
    an = 0;
    ioctl(s.master, TIOCPKT, &an);
    return angehalten;
}

namespace {

// What the program wrote before it ended may still be on its way through the terminal (the kernel
// passes it on in a worker of its own, late under load). A mark written after it on the same side
// comes after it: read until the mark. Output held by Ctrl-S does not come at all.
void alles_angekommen(sitzung& s, int ms) {
    const std::string_view marke = "\x1b[zifferon-test-ende]";
    const int flags = fcntl(s.slave, F_GETFL);
    fcntl(s.slave, F_SETFL, flags | O_NONBLOCK);
    const bool geschrieben = write(s.slave, marke.data(), marke.size()) == static_cast<ssize_t>(marke.size());
    fcntl(s.slave, F_SETFL, flags);
    const std::size_t ab = s.ausgabe.size();
    if (geschrieben && lesen_bis(s, marke, ab, std::max(ms, 1000))) s.ausgabe.erase(s.ausgabe.find(marke, ab), marke.size());
    while (einmal_lesen(s, 0)) {
    }
}

}  // namespace

int ende_abwarten(sitzung& s, int ms) {
    const auto bis = uhr::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        if (waitpid(s.pid, &status, WNOHANG) == s.pid) {
            alles_angekommen(s, rest_ms(bis));
            s.pid = -1;
            return status;
        }
        if (rest_ms(bis) == 0) {
            kill(s.pid, SIGKILL);
            waitpid(s.pid, &status, 0);
            s.pid = -1;
            return -1;
        }
        einmal_lesen(s, 10);
    }
}

bool gleicher_modus(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

void schliessen(sitzung& s) {
    if (s.pid > 0) {
        if (s.job > 0) kill(s.job, SIGKILL);
        kill(s.pid, SIGKILL);
        waitpid(s.pid, nullptr, 0);
    }
    if (s.befehle >= 0) close(s.befehle);
    if (s.bestaetigt >= 0) close(s.bestaetigt);
    if (s.master >= 0) close(s.master);
    if (s.slave >= 0) close(s.slave);
    s = sitzung{};
}
