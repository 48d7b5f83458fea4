#include "console/terminal.h"
#include "console/abbruch.h"
#include "console/fehlertext.h"
#include "console/zeilen.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// ---- state of the terminal ------------------------------------------------------------------

// What the process knows about its terminal. The flags marked "actual" are read by the signal
// handlers, so they are set only once the change they stand for has really been made; the
// "wanted" ones say what to set again after the process was stopped and continued.
struct terminal_zustand {
    int tastatur = -1;                     // controlling terminal for key waits; -1: none, waits return
    bool bildschirm = false;               // stdout is a terminal that takes escape sequences
    bool farblos = false;                  // NO_COLOR: cleared, but never coloured
    termios ursprung{};                    // the keyboard's mode at start
    volatile sig_atomic_t roh = 0;         // actual: raw mode is on and must be undone
    volatile sig_atomic_t farbig = 0;      // actual: our colours are on screen and must be reset
    volatile sig_atomic_t raeumen = 0;     // actual: the screen is ours (NO_COLOR): cleared at exit
    volatile sig_atomic_t roh_soll = 0;    // wanted: a key wait is under way
    volatile sig_atomic_t farbig_soll = 0; // wanted: the program's colours
    volatile sig_atomic_t neu_zeichnen = 0;// continued after a stop: the screen must be shown again
    std::string bild;                      // what was written since the last clear, or its tail
    zeilenvorrat vorrat;                   // bytes read from stdin beyond the pieces handed out
    int ausgabefehler = 0;                 // errno of the write that failed for good; 0: none
    bool pipe_beenden = true;              // SIGPIPE was not ignored at start, so it may end us
    bool stoppbar = true;                  // SIGTTOU was not ignored at start: we can wait stopped
    bool echo = false;                     // the terminal echoes the lines typed at our prompts
    bool zeilenanfang = false;             // the cursor is known to stand at the start of a line
    std::size_t status_laenge = 0;         // the progress line on screen, in columns; 0: none
    std::size_t fehlerkanal_status_laenge = 0;  // ... and a command's, on standard error
    bool geschlossen[3] = {};              // standard input, output, error: closed at start
};

terminal_zustand terminalzustand;

// Set by the tools that must undo something when the process is ended (a half-made file).
std::atomic<void (*)()> aufraeumen{nullptr};

// Every signal whose default action ends the process and that can be caught. SIGPIPE and SIGXFSZ
// are handled apart (bei_schreibsignal): a failed write of our own reports them.
constexpr int beendende_signale[] = {
    SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT,   SIGBUS,  SIGFPE, SIGUSR1, SIGSEGV,
    SIGUSR2, SIGALRM, SIGTERM, SIGXCPU, SIGVTALRM, SIGPROF, SIGSYS,
#ifdef SIGSTKFLT
    SIGSTKFLT,
#endif
#ifdef SIGPWR
    SIGPWR,
#endif
#ifdef SIGPOLL
    SIGPOLL,
#endif
};

// The bigger of the screen's record is cut back to its tail, from a line start.
constexpr std::size_t bildgrenze = 1 << 16;
constexpr std::size_t bildrest = 1 << 14;

// ---- writing ------------------------------------------------------------------------------------

bool vordergrund_abwarten();

// Waits while a non-blocking descriptor is full; any error but EINTR and EAGAIN is final. With
// `vorne`, each piece waits for the foreground first: a stop (Ctrl-Z) may come between two
// pieces of one long write, and continued in the background the rest must wait.
bool ganz_schreiben_wartend(int fd, const char* p, std::size_t n, bool vorne = false) {
    while (n > 0) {
        if (vorne) vordergrund_abwarten();
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pf{fd, POLLOUT, 0};
            if (poll(&pf, 1, -1) < 0 && errno != EINTR) return false;
            continue;
        }
        if (w <= 0) {
            if (w == 0) errno = EIO;
            return false;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// For the signal handlers: a terminal with output stopped (Ctrl-S) or nobody reading must not
// hold the process. A terminal busy showing a flood of output gets a moment to take the bytes;
// after that they go only as far as they go. Async-signal-safe.
void ohne_warten_schreiben(int fd, const char* p, std::size_t n) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0) return;
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    int geduld = 20;  // times 10 ms
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && geduld-- > 0) {
            pollfd pf{fd, POLLOUT, 0};
            poll(&pf, 1, 10);
            continue;
        }
        if (w <= 0) break;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    fcntl(fd, F_SETFL, flags);
}

void sequenz_schreiben(std::string_view s, bool im_handler) {
    if (im_handler) ohne_warten_schreiben(STDOUT_FILENO, s.data(), s.size());
    else ganz_schreiben_wartend(STDOUT_FILENO, s.data(), s.size());
}

// Blocks a set of signals for as long as it lives.
struct gesperrt {
    sigset_t vorher;
    explicit gesperrt(const sigset_t& menge) { sigprocmask(SIG_BLOCK, &menge, &vorher); }
    ~gesperrt() { sigprocmask(SIG_SETMASK, &vorher, nullptr); }
};

// A background process changing the terminal gets SIGTTOU and would stop instead of ending.
sigset_t nur_ttou() {
    sigset_t menge;
    sigemptyset(&menge);
    sigaddset(&menge, SIGTTOU);
    return menge;
}

// ---- restoring and setting again, also from a signal handler ------------------------------------

// Only async-signal-safe calls: sigprocmask, tcsetattr, fcntl and write.
void wiederherstellen(bool im_handler) {
    gesperrt sperre(nur_ttou());
    if (terminalzustand.roh) {
        tcsetattr(terminalzustand.tastatur, TCSANOW, &terminalzustand.ursprung);
        terminalzustand.roh = 0;
    }
    if (terminalzustand.farbig || terminalzustand.raeumen) {
        sequenz_schreiben(sequenz::zurueck, im_handler);
        terminalzustand.farbig = 0;
        terminalzustand.raeumen = 0;
    }
}

termios roher_modus() {
    termios roh = terminalzustand.ursprung;
    roh.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    roh.c_cc[VMIN] = 1;
    roh.c_cc[VTIME] = 0;
    return roh;
}

// A progress line drawn in place on the terminal `fd`, over the one drawn there last (`gezeigt`
// columns, set to this one's). Never wrapped: a wrapped line could not be taken back from its last
// row. The width is read each time, so a narrowed window is met at the next drawing.
std::string statuszeile(int fd, std::string_view zeile, std::size_t& gezeigt) {
    std::string text(sequenz::zeilenanfang);
    winsize fenster{};
    if (ioctl(fd, TIOCGWINSZ, &fenster) == 0 && fenster.ws_col > 0) {
        zeile = zeile.substr(0, std::min<std::size_t>(zeile.size(), fenster.ws_col - 1u));
        // A terminal that re-wraps its lines when narrowed has spread the line drawn last over
        // several rows, the cursor on the last: each of them is blanked, from the bottom up.
        // One that cuts lines instead loses as many rows above the line: for the dialogue the
        // range's prompt, which the menu's cleared screen replaces when the run ends anyway.
        for (std::size_t zeilen = (gezeigt + fenster.ws_col - 1) / fenster.ws_col; zeilen > 1; --zeilen)
            text += std::string(sequenz::zeilenrest) + "\x1b[A";
    }
    gezeigt = zeile.size();  // its characters are ASCII
    text += zeile;
    text += sequenz::zeilenrest;
    return text;
}

bool im_vordergrund() {
    const int fd = terminalzustand.tastatur >= 0 ? terminalzustand.tastatur : STDOUT_FILENO;
    const pid_t vorne = tcgetpgrp(fd);
    return vorne < 0 || vorne == getpgrp();
}

// Started or continued in the background, the terminal is the shell's: the job stops itself, as
// the terminal would stop it, until it is brought to the foreground - with no signal blocked, so
// a kill still ends it. False where it cannot stop (SIGTTOU ignored): it must not draw then.
bool vordergrund_abwarten() {
    for (int versuch = 0; !im_vordergrund(); ++versuch) {
        if (!terminalzustand.stoppbar) return false;
        kill(0, SIGTTOU);
        // An orphaned job is not stopped by it: wait without spinning.
        if (versuch > 0) poll(nullptr, 0, 100);
    }
    return true;
}

// Once, whichever ending signal comes first: the others are blocked while it runs (see behandeln),
// and one that is still pending when it returns finds the work done.
std::atomic<bool> beendet{false};

void bei_signal(int signal) {
    const int gesichert = errno;
    if (!beendet.exchange(true)) {
        if (auto f = aufraeumen.load()) f();
        wiederherstellen(true);
    }
    errno = gesichert;
    // The handler was reset to the default on entry; the signal is delivered again on return.
    raise(signal);
}

// Ctrl-Z: the shell gets its terminal back as it was, then the process stops.
void bei_stopp(int) {
    const int gesichert = errno;
    wiederherstellen(true);
    signal(SIGTSTP, SIG_DFL);
    sigset_t menge, vorher;
    sigemptyset(&menge);
    sigaddset(&menge, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &menge, &vorher);
    raise(SIGTSTP);  // stops here; SIGCONT's handler runs on the way back
    sigprocmask(SIG_SETMASK, &vorher, nullptr);
    struct sigaction sa {};
    sa.sa_handler = bei_stopp;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTSTP, &sa, nullptr);
    errno = gesichert;
}

// Continued (fg): colours and, in a key wait, the keyboard's mode set again; the screen is shown
// again by the device at its next step, outside the handler. In the background, nothing: the
// terminal belongs to the shell there.
void bei_weiter(int) {
    const int gesichert = errno;
    if (im_vordergrund()) {
        gesperrt sperre(nur_ttou());
        if (terminalzustand.roh_soll && !terminalzustand.roh) {
            const termios roh = roher_modus();
            if (tcsetattr(terminalzustand.tastatur, TCSANOW, &roh) == 0) terminalzustand.roh = 1;
        }
        if (terminalzustand.farbig_soll && !terminalzustand.farbig) {
            sequenz_schreiben(sequenz::farben, true);
            terminalzustand.farbig = 1;
        }
        if (terminalzustand.bildschirm) terminalzustand.neu_zeichnen = 1;
    }
    errno = gesichert;
}

// The handled signals, blocked while the terminal changes, so a flag never lags behind the change.
sigset_t behandelte;
// The ending signals, blocked while the handler of one of them runs: a second one (Ctrl-C, then the
// terminal closing) must not start the clean-up again on top of the first.
sigset_t endende;

// SIGPIPE and SIGXFSZ that our own write raised are reported by the write (EPIPE, EFBIG); sent by
// another process they end the program like any other ending signal.
void bei_schreibsignal(int signal, siginfo_t* info, void*) {
    if (info != nullptr && info->si_pid == getpid() && info->si_code == SI_USER) return;
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    sigaction(signal, &sa, nullptr);
    bei_signal(signal);
}

// Installs `handler` for `s` unless the signal was ignored when we were started (nohup, a
// background job of a shell without job control): that choice stays.
void behandeln(int s, void (*handler)(int), int flags) {
    struct sigaction alt {};
    if (sigaction(s, nullptr, &alt) != 0 || alt.sa_handler == SIG_IGN) return;
    struct sigaction sa {};
    sa.sa_handler = handler;
    sa.sa_flags = flags;
    sa.sa_mask = endende;
    if (sigaction(s, &sa, nullptr) == 0) sigaddset(&behandelte, s);
}

void handler_setzen(bool jobsteuerung = true) {
    sigemptyset(&behandelte);
    sigemptyset(&endende);
    for (int s : beendende_signale) sigaddset(&endende, s);
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) sigaddset(&endende, s);
    sigaddset(&endende, SIGPIPE);
    sigaddset(&endende, SIGXFSZ);
    for (int s : beendende_signale) behandeln(s, bei_signal, SA_RESETHAND);
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s) behandeln(s, bei_signal, SA_RESETHAND);
    // Without SA_RESTART, so a read that waits returns and the screen is shown again.
    if (jobsteuerung) {
        behandeln(SIGTSTP, bei_stopp, 0);
        behandeln(SIGCONT, bei_weiter, 0);
    }
    struct sigaction alt {};
    terminalzustand.pipe_beenden = sigaction(SIGPIPE, nullptr, &alt) == 0 && alt.sa_handler != SIG_IGN;
    // A closed reader and a file size limit are reported by the write that meets them.
    for (int s : {SIGPIPE, SIGXFSZ}) {
        struct sigaction sa {};
        sa.sa_sigaction = bei_schreibsignal;
        sa.sa_flags = SA_SIGINFO | SA_RESTART;
        sa.sa_mask = endende;
        if (sigaction(s, nullptr, &alt) != 0 || alt.sa_handler == SIG_IGN) continue;
        if (sigaction(s, &sa, nullptr) == 0) sigaddset(&behandelte, s);
    }
}

// ---- the screen's record, for showing it again after a stop -------------------------------------

void festhalten(std::string_view bytes) {
    if (!terminalzustand.bildschirm) return;
    terminalzustand.bild.append(bytes);
    if (terminalzustand.bild.size() <= bildgrenze) return;
    std::size_t ab = terminalzustand.bild.size() - bildrest;
    const std::size_t zeile = terminalzustand.bild.find('\n', ab);
    if (zeile != std::string::npos) ab = zeile + 1;
    terminalzustand.bild.erase(0, ab);
}

void falls_neu_zeichnen() {
    if (!terminalzustand.neu_zeichnen) return;
    terminalzustand.neu_zeichnen = 0;
    ganz_schreiben_wartend(STDOUT_FILENO, sequenz::loeschen.data(), sequenz::loeschen.size());
    ganz_schreiben_wartend(STDOUT_FILENO, terminalzustand.bild.data(), terminalzustand.bild.size());
}

// ---- keyboard -------------------------------------------------------------------------------

// The handled signals and SIGTTOU: held off only around a mode change, which with SIGTTOU blocked
// can neither stop nor wait.
sigset_t behandelte_und_ttou() {
    sigset_t menge = behandelte;
    sigaddset(&menge, SIGTTOU);
    return menge;
}

bool roh_schalten() {
    const termios roh = roher_modus();
    for (;;) {
        if (!vordergrund_abwarten()) return false;
        gesperrt sperre(behandelte_und_ttou());
        if (!im_vordergrund()) continue;  // sent back meanwhile: wait again, with signals open
        terminalzustand.roh_soll = 1;
        if (tcsetattr(terminalzustand.tastatur, TCSANOW, &roh) != 0) return false;
        terminalzustand.roh = 1;
        return true;
    }
}

void roh_beenden() {
    gesperrt sperre(behandelte_und_ttou());
    terminalzustand.roh_soll = 0;
    tcsetattr(terminalzustand.tastatur, TCSANOW, &terminalzustand.ursprung);
    terminalzustand.roh = 0;
}

// One byte from the keyboard; with `warten_ms` >= 0 only if it comes within that time.
bool byte_lesen(unsigned char& b, int warten_ms) {
    for (;;) {
        falls_neu_zeichnen();
        if (warten_ms >= 0) {
            pollfd p{terminalzustand.tastatur, POLLIN, 0};
            const int bereit = poll(&p, 1, warten_ms);
            if (bereit < 0 && errno == EINTR) continue;
            if (bereit <= 0) return false;
        }
        const ssize_t n = read(terminalzustand.tastatur, &b, 1);
        if (n < 0 && errno == EINTR) continue;
        return n == 1;
    }
}

// The bytes that follow the first one of a key, so that a whole key is taken as one press:
// escape sequences (arrows, function keys, Alt combinations) and UTF-8 characters. A slow remote
// link may deliver a sequence's bytes some tens of milliseconds apart.
void rest_der_taste(unsigned char erstes) {
    constexpr int folgezeit_ms = 100;
    unsigned char b = 0;
    if (erstes == 0x1b) {
        if (!byte_lesen(b, folgezeit_ms)) return;  // the Escape key alone
        if (b == 'O') {
            byte_lesen(b, folgezeit_ms);
        } else if (b == '[') {
            // Parameters and intermediates up to the final byte.
            while (byte_lesen(b, folgezeit_ms) && (b < 0x40 || b > 0x7e)) {
            }
        }
        return;
    }
    int folgebytes = erstes >= 0xf0 ? 3 : erstes >= 0xe0 ? 2 : erstes >= 0xc0 ? 1 : 0;
    while (folgebytes-- > 0 && byte_lesen(b, folgezeit_ms)) {
    }
}

// ---- the device -----------------------------------------------------------------------------

struct posix_terminal final : geraet {
    bool zeile_lesen(std::string& zeile) override {
        for (;;) {
            if (stueck_nehmen(terminalzustand.vorrat, zeile)) return true;
            if (terminalzustand.vorrat.zu_ende) return false;
            falls_neu_zeichnen();
            // A line typed ahead of its prompt was echoed before it: the cursor stays behind the
            // prompt then, and only a line typed after it leaves the cursor at a line's start.
            pollfd voraus{STDIN_FILENO, POLLIN, 0};
            terminalzustand.zeilenanfang = terminalzustand.echo && poll(&voraus, 1, 0) == 0;
            char stueck[1 << 14];
            const ssize_t n = read(STDIN_FILENO, stueck, sizeof stueck);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                // A non-blocking standard input: wait for it rather than take it as ended.
                pollfd p{STDIN_FILENO, POLLIN, 0};
                poll(&p, 1, -1);
                continue;
            }
            // Any other error (EIO, EISDIR, ...) is final: it ends the input like its end does.
            terminalzustand.zeilenanfang = terminalzustand.zeilenanfang && n > 0 && stueck[n - 1] == '\n';
            if (n <= 0) {
                terminalzustand.vorrat.zu_ende = true;
            } else {
                // What the user typed is on the screen too, by the terminal's echo.
                if (terminalzustand.echo) festhalten({stueck, static_cast<std::size_t>(n)});
                nachfuellen(terminalzustand.vorrat, stueck, static_cast<std::size_t>(n));
            }
        }
    }

    bool ausgeben(std::string_view bytes) override {
        if (terminalzustand.bildschirm) vordergrund_abwarten();
        falls_neu_zeichnen();
        festhalten(bytes);
        terminalzustand.zeilenanfang = !bytes.empty() && bytes.back() == '\n';
        terminalzustand.status_laenge = 0;
        if (ganz_schreiben_wartend(STDOUT_FILENO, bytes.data(), bytes.size(), terminalzustand.bildschirm)) return true;
        terminalzustand.ausgabefehler = errno;
        return false;
    }

    void taste() override {
        if (terminalzustand.tastatur < 0 || !roh_schalten()) return;
        unsigned char b = 0;
        if (byte_lesen(b, -1)) {
            rest_der_taste(b);
        } else {
            // The terminal has gone (hangup): no more keys will come.
            roh_beenden();
            close(terminalzustand.tastatur);
            terminalzustand.tastatur = -1;
            return;
        }
        roh_beenden();
    }

    // No signal is held off around the write, which waits under Ctrl-S: the flags are set first,
    // and a handler that resets colours not yet shown does no harm.
    void farben_an() override {
        if (!terminalzustand.bildschirm || !vordergrund_abwarten()) return;
        // Without colours the screen is still cleared at every way out.
        if (terminalzustand.farblos) {
            terminalzustand.raeumen = 1;
            return;
        }
        terminalzustand.farbig_soll = 1;
        terminalzustand.farbig = 1;
        ganz_schreiben_wartend(STDOUT_FILENO, sequenz::farben.data(), sequenz::farben.size());
    }

    // Only on a line of its own, so it never covers a prompt; in the background the terminal is
    // the shell's, and the run goes on unseen.
    void status(std::string_view zeile) override {
        if (!terminalzustand.bildschirm || !terminalzustand.zeilenanfang || !im_vordergrund()) return;
        falls_neu_zeichnen();
        const std::string text = statuszeile(STDOUT_FILENO, zeile, terminalzustand.status_laenge);
        ganz_schreiben_wartend(STDOUT_FILENO, text.data(), text.size());
    }

    void loeschen() override {
        if (!terminalzustand.bildschirm || !vordergrund_abwarten()) return;
        terminalzustand.neu_zeichnen = 0;
        terminalzustand.bild.clear();
        terminalzustand.status_laenge = 0;
        ganz_schreiben_wartend(STDOUT_FILENO, sequenz::loeschen.data(), sequenz::loeschen.size());
    }
};

posix_terminal terminal;

// With standard input, output or error closed at start, the next file opened would take its
// place: the keyboard would be read as input, or the dialogue written into a list file.
void standardkanaele_sichern() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        terminalzustand.geschlossen[fd] = true;
        const int ersatz = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (ersatz >= 0 && ersatz != fd) {
            dup2(ersatz, fd);
            close(ersatz);
        }
    }
}

}  // namespace

geraet& terminal_oeffnen() {
    standardkanaele_sichern();
    // A dumb terminal shows escape sequences as text.
    const char* art = std::getenv("TERM");
    terminalzustand.bildschirm = isatty(STDOUT_FILENO) == 1 && !(art != nullptr && std::strcmp(art, "dumb") == 0);
    const char* ohne_farbe = std::getenv("NO_COLOR");
    terminalzustand.farblos = ohne_farbe != nullptr && *ohne_farbe != '\0';
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && tcgetattr(fd, &terminalzustand.ursprung) == 0) terminalzustand.tastatur = fd;
    else if (fd >= 0) close(fd);
    termios eingabe{};
    terminalzustand.echo = tcgetattr(STDIN_FILENO, &eingabe) == 0 && (eingabe.c_lflag & ECHO) != 0;
    struct sigaction ttou {};
    terminalzustand.stoppbar = sigaction(SIGTTOU, nullptr, &ttou) == 0 && ttou.sa_handler == SIG_DFL;
    handler_setzen();
    return terminal;
}

int terminal_schliessen() {
    // Nothing held off: the reset's write waits under Ctrl-S, and a kill must end us then too (its
    // handler resets once more, harmlessly).
    terminalzustand.farbig_soll = 0;
    terminalzustand.roh_soll = 0;
    wiederherstellen(false);
    if (terminalzustand.ausgabefehler == 0) return 0;
    if (terminalzustand.ausgabefehler == EPIPE) leser_weg_beenden();
    if (terminalzustand.ausgabefehler != EPIPE) {
        const std::string meldung =
            std::string(ausgabe_fehlgeschlagen) + fehlergrund(terminalzustand.ausgabefehler) + "\n";
        ganz_schreiben_wartend(STDERR_FILENO, meldung.data(), meldung.size());
    }
    return 1;
}

void abbruch_einrichten() {
    standardkanaele_sichern();
    handler_setzen(false);
}

long long standardeingabe_lesen(char* ziel, std::size_t platz) {
#ifdef F_SETPIPE_SZ
    // A pipe of 1 MiB, where the system allows it: the writer runs ahead while a batch is answered,
    // and each read takes much (from `seq`, a tenth of the reads and wake-ups of 64 KiB).
    static const bool weit = fcntl(STDIN_FILENO, F_SETPIPE_SZ, 1 << 20) > 0;
    static_cast<void>(weit);
#endif
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, ziel, platz);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        pollfd p{STDIN_FILENO, POLLIN, 0};
        poll(&p, 1, -1);
    }
}

bool standardeingabe_bereit() {
    pollfd p{STDIN_FILENO, POLLIN, 0};
    return poll(&p, 1, 0) == 1;
}

void leser_weg_beenden() {
    if (!terminalzustand.pipe_beenden) return;
    signal(SIGPIPE, SIG_DFL);
    raise(SIGPIPE);
}

void fehlerkanal_status(std::string_view zeile) {
    const char* art = std::getenv("TERM");
    if (isatty(STDERR_FILENO) != 1 || (art != nullptr && std::strcmp(art, "dumb") == 0)) return;
    // In the background the terminal is the shell's and what the user types there: nothing drawn.
    if (const pid_t vorne = tcgetpgrp(STDERR_FILENO); vorne >= 0 && vorne != getpgrp()) return;
    const std::string text = statuszeile(STDERR_FILENO, zeile, terminalzustand.fehlerkanal_status_laenge);
    ganz_schreiben_wartend(STDERR_FILENO, text.data(), text.size());
}

void fehlerkanal_status_ohne_warten(std::string_view zeile) {
    pollfd frei{STDERR_FILENO, POLLOUT, 0};
    if (zeile.empty() || (poll(&frei, 1, 0) == 1 && (frei.revents & POLLOUT) != 0)) fehlerkanal_status(zeile);
}

bool standardausgabe_ist_terminal() { return isatty(STDOUT_FILENO) == 1; }

std::vector<std::string> argumente_utf8(int argc, char** argv) { return {argv, argv + argc}; }

void beim_abbruch(void (*f)()) { aufraeumen.store(f); }

void abbruch_aufschieben() {}
void abbruch_zulassen() {}

bool direkt_ausgeben(int kanal, std::string_view text) {
    // A channel closed at start now leads to /dev/null: what is written there is lost, a failure.
    if (terminalzustand.geschlossen[kanal == 2 ? 2 : 1]) {
        errno = EBADF;
        return false;
    }
    return ganz_schreiben_wartend(kanal, text.data(), text.size());
}
