#include "tests/rohr.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "tests/pty.h"

void alles_schreiben(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{fd, POLLOUT, 0};
            poll(&p, 1, 100);
            continue;
        }
        if (n <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

ergebnis ausfuehren(const aufruf& a) {
    int ein[2], aus[2], fehler[2];
    if (pipe(ein) != 0 || pipe(aus) != 0 || pipe(fehler) != 0) return {};
    const pid_t kind = fork();
    if (kind == 0) {
        setsid();
        const int e = a.eingabedatei ? open(a.eingabedatei, O_RDONLY) : fcntl(ein[0], F_DUPFD, 3);
        const int o = a.ausgabedatei ? open(a.ausgabedatei, O_WRONLY) : fcntl(aus[1], F_DUPFD, 3);
        const int f = fcntl(fehler[1], F_DUPFD, 3);
        for (int fd : {ein[0], ein[1], aus[0], aus[1], fehler[0], fehler[1]}) close(fd);
        dup2(e, 0), dup2(o, 1), dup2(f, 2);
        close(e), close(o), close(f);
        if (a.eingabe_nonblock) fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
        if (a.ausgabe_nonblock) fcntl(1, F_SETFL, fcntl(1, F_GETFL) | O_NONBLOCK);
        programm_starten(programm_befehl({a.argumente.begin(), a.argumente.end()}), a.ignoriert);
    }
    close(ein[0]);
    close(aus[1]);
    close(fehler[1]);
    if (a.leser_weg) close(aus[0]);
    std::thread schreiber([&a, fd = ein[1]] {
        signal(SIGPIPE, SIG_IGN);
        for (const stueck& s : a.eingabe) {
            std::this_thread::sleep_for(std::chrono::milliseconds(s.pause_ms));
            alles_schreiben(fd, s.text);
        }
        close(fd);
    });
    ergebnis r;
    std::vector<pollfd> offen;
    if (!a.leser_weg) offen.push_back({aus[0], POLLIN, 0});
    offen.push_back({fehler[0], POLLIN, 0});
    bool signal_gesendet = a.signal_nach_start == 0;
    while (!offen.empty()) {
        if (a.lesepause_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(a.lesepause_ms));
        if (poll(offen.data(), offen.size(), 100) < 0) break;
        for (std::size_t i = 0; i < offen.size();) {
            char puffer[4096];
            const ssize_t n = offen[i].revents != 0 ? read(offen[i].fd, puffer, sizeof puffer) : -2;
            if (n == -2 || (n < 0 && errno == EINTR)) {
                ++i;
                continue;
            }
            if (n <= 0) {
                close(offen[i].fd);
                offen.erase(offen.begin() + static_cast<long>(i));
                continue;
            }
            (offen[i].fd == fehler[0] ? r.fehler : r.aus).append(puffer, static_cast<std::size_t>(n));
            if (!signal_gesendet && !r.aus.empty()) {
                // Where it waits for its next input, so that the signal finds it at a prompt.
                for (int i = 0; i < 3000 && systemaufruf(kind) != std::to_string(SYS_read); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                kill(kind, a.signal_nach_start);
                signal_gesendet = true;
            }
            ++i;
        }
    }
    schreiber.join();
    rusage verbrauch{};
    wait4(kind, &r.status, 0, &verbrauch);
    r.rss_kib = verbrauch.ru_maxrss;
    r.aus = wie_unter_linux(r.aus);
    r.fehler = wie_unter_linux(r.fehler);
    return r;
}

bool endete_mit(int status, int code) { return WIFEXITED(status) && WEXITSTATUS(status) == code; }

std::size_t anzahl(const std::string& text, const std::string& muster) {
    std::size_t n = 0;
    for (auto p = text.find(muster); p != std::string::npos; p = text.find(muster, p + 1)) ++n;
    return n;
}

