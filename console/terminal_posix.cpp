#include "console/terminal.h"
#include "console/zeilen.h"

#include <atomic>
#include <csignal>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// ---- state of the terminal ------------------------------------------------------------------

// What the process knows about its terminal. The two flags are read by the signal handler, so
// they are set only once the change they stand for has really been made.
struct terminal_zustand {
    int tastatur = -1;                 // controlling terminal for key waits; -1: none, waits return
    bool bildschirm = false;           // stdout is a terminal, so escape sequences are allowed
    termios ursprung{};                // the keyboard's mode at start
    volatile sig_atomic_t roh = 0;     // raw mode is active and must be undone
    volatile sig_atomic_t farbig = 0;  // our colours are on screen and must be reset
    std::string vorrat;                // bytes read from stdin beyond the line handed out
    bool eingabe_zu_ende = false;
};

terminal_zustand t;

// Set by the tools that must undo something when the process is ended (a half-made file).
std::atomic<void (*)()> aufraeumen{nullptr};

constexpr int beendende_signale[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT};

// ---- restoring, also from a signal handler ----------------------------------------------------

bool alles_schreiben(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Only async-signal-safe calls: tcsetattr and write.
void wiederherstellen() {
    if (t.roh) {
        tcsetattr(t.tastatur, TCSANOW, &t.ursprung);
        t.roh = 0;
    }
    if (t.farbig) {
        alles_schreiben(STDOUT_FILENO, sequenz::zurueck.data(), sequenz::zurueck.size());
        t.farbig = 0;
    }
}

void bei_signal(int signal) {
    const int gesichert = errno;
    if (auto f = aufraeumen.load()) f();
    wiederherstellen();
    errno = gesichert;
    // The handler was reset to the default on entry; the signal is delivered again on return.
    raise(signal);
}

// Blocks the ending signals while the terminal changes, so a flag never lags behind the change.
struct signale_gesperrt {
    sigset_t vorher;
    signale_gesperrt() {
        sigset_t menge;
        sigemptyset(&menge);
        for (int s : beendende_signale) sigaddset(&menge, s);
        sigprocmask(SIG_BLOCK, &menge, &vorher);
    }
    ~signale_gesperrt() { sigprocmask(SIG_SETMASK, &vorher, nullptr); }
};

void handler_setzen() {
    struct sigaction sa {};
    sa.sa_handler = bei_signal;
    sa.sa_flags = SA_RESETHAND;
    sigemptyset(&sa.sa_mask);
    for (int s : beendende_signale) sigaction(s, &sa, nullptr);
    // A closed reader ends the dialogue through a failed write; a file size limit is reported
    // by the file output instead of killing the process with the colours still on.
    signal(SIGPIPE, SIG_IGN);
    signal(SIGXFSZ, SIG_IGN);
}

// ---- keyboard -------------------------------------------------------------------------------

bool roh_schalten() {
    termios roh = t.ursprung;
    roh.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    roh.c_cc[VMIN] = 1;
    roh.c_cc[VTIME] = 0;
    signale_gesperrt sperre;
    if (tcsetattr(t.tastatur, TCSANOW, &roh) != 0) return false;
    t.roh = 1;
    return true;
}

void roh_beenden() {
    signale_gesperrt sperre;
    tcsetattr(t.tastatur, TCSANOW, &t.ursprung);
    t.roh = 0;
}

// One byte from the keyboard; with `warten_ms` >= 0 only if it comes within that time.
bool byte_lesen(unsigned char& b, int warten_ms) {
    for (;;) {
        if (warten_ms >= 0) {
            pollfd p{t.tastatur, POLLIN, 0};
            const int bereit = poll(&p, 1, warten_ms);
            if (bereit < 0 && errno == EINTR) continue;
            if (bereit <= 0) return false;
        }
        const ssize_t n = read(t.tastatur, &b, 1);
        if (n < 0 && errno == EINTR) continue;
        return n == 1;
    }
}

// The bytes that follow the first one of a key, so that a whole key is taken as one press:
// escape sequences (arrows, function keys, Alt combinations) and UTF-8 characters.
void rest_der_taste(unsigned char erstes) {
    constexpr int folgezeit_ms = 30;
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
            if (zeile_nehmen(t.vorrat, t.eingabe_zu_ende, zeile)) return true;
            if (t.eingabe_zu_ende) return false;
            char stueck[4096];
            const ssize_t n = read(STDIN_FILENO, stueck, sizeof stueck);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) t.eingabe_zu_ende = true;
            else t.vorrat.append(stueck, static_cast<std::size_t>(n));
        }
    }

    bool ausgeben(std::string_view bytes) override {
        return alles_schreiben(STDOUT_FILENO, bytes.data(), bytes.size());
    }

    void taste() override {
        if (t.tastatur < 0 || !roh_schalten()) return;
        unsigned char b = 0;
        if (byte_lesen(b, -1)) {
            rest_der_taste(b);
        } else {
            // The terminal has gone (hangup): no more keys will come.
            roh_beenden();
            close(t.tastatur);
            t.tastatur = -1;
            return;
        }
        roh_beenden();
    }

    void farben_an() override {
        if (!t.bildschirm) return;
        signale_gesperrt sperre;
        alles_schreiben(STDOUT_FILENO, sequenz::farben.data(), sequenz::farben.size());
        t.farbig = 1;
    }

    void loeschen() override {
        if (t.bildschirm) alles_schreiben(STDOUT_FILENO, sequenz::loeschen.data(), sequenz::loeschen.size());
    }
};

posix_terminal terminal;

}  // namespace

geraet& terminal_oeffnen() {
    t.bildschirm = isatty(STDOUT_FILENO) == 1;
    const int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && tcgetattr(fd, &t.ursprung) == 0) t.tastatur = fd;
    else if (fd >= 0) close(fd);
    handler_setzen();
    return terminal;
}

void terminal_schliessen() {
    signale_gesperrt sperre;
    wiederherstellen();
}

void beim_abbruch(void (*f)()) { aufraeumen.store(f); }
