#include "listfile/anhang.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>

#include "console/abbruch.h"
#include "listfile/anhang_system.h"

namespace {

using uhr = std::chrono::steady_clock;

// A peer appends a finished block from its spool, which takes seconds at most; longer means stuck.
constexpr int standard_frist_ms = 30'000;

int sperrfrist_ms = standard_frist_ms;
void (*nach_schreiben)(int) = nullptr;
void (*vor_entfernen)(const char*) = nullptr;
void (*nach_oeffnen)(const char*) = nullptr;
void (*nach_kuerzen)() = nullptr;
void (*vor_versuch)(const char*) = nullptr;
void (*vor_lesend)(const char*) = nullptr;
int schreibvorgaenge = 0;
std::uint64_t hinausgegangen = 0;  // bytes an append has written so far

// What a signal ending the process must undo, read by the handler. One listing at a time; each
// field by stage (opened, appending under the lock, closed):
//   fd        the open target from ziel_oeffnen on; -1 before, and from the moment it is closed,
//             so the handler never acts on a closed descriptor.
//   lesend    a second descriptor on the same file, for reading its bytes back; -1 where there is
//             none (a device, a pipe, an unreadable file) and once closed.
//   angelegt  this listing created the file: a failure or a signal before the append ends removes
//             it again, if it is still empty.
//   anfang    -1 until the append starts under the lock; then the file's size before our first
//             byte, the point to truncate back to; -1 again once the append has ended either way.
//   stand     while appending: where our last counted write ended.
//   fremd     while appending: a write did not land right after our previous one, so bytes of
//             another program lie between ours and nothing may be taken back.
//   flug      while a write is under way: its bytes and length (`flug_n`, 0 when none), so the
//             handler can tell whether what follows `stand` is ours.
//   pfad      the name a removal goes by: the file itself, also where named by a link.
struct abbruch_zustand {
    std::atomic<int> fd{-1};
    std::atomic<int> lesend{-1};
    std::atomic<bool> angelegt{false};
    std::atomic<long long> anfang{-1};       // the size before our first byte; -1: not appending
    std::atomic<long long> stand{-1};        // the end of our bytes after the last write counted
    std::atomic<bool> fremd{false};          // another writer's bytes came between ours
    std::atomic<const char*> flug{nullptr};  // a write under way: its bytes, not yet counted
    std::atomic<std::size_t> flug_n{0};
    char pfad[1024] = {};
};
abbruch_zustand abbruchzustand;

// One step that the clean-up after an ending signal must not run into (see abbruch_aufschieben).
struct schritt {
    explicit schritt(bool an = true) : an(an) {
        if (an) abbruch_aufschieben();
    }
    ~schritt() {
        if (an) abbruch_zulassen();
    }
    const bool an;
    schritt(const schritt&) = delete;
    schritt& operator=(const schritt&) = delete;
};

// Closes a file this listing created, removing it if it is still empty - but not while a peer
// appends (it holds the lock): its block would go to a removed file. A peer waiting for the lock
// finds the name gone and opens it anew. Only async-signal-safe calls.
void angelegte_entfernen(int fd, const char* pfad, bool gesperrt) {
    // Windows removes no file that is still open for reading.
    const int lesend = abbruchzustand.lesend.exchange(-1);
    if (lesend >= 0) sys::schliessen(lesend);
    bool unterstuetzt = true;
    if (gesperrt || sys::sperre_versuchen(fd, unterstuetzt) || !unterstuetzt) {
        if (vor_entfernen != nullptr) vor_entfernen(pfad);
        sys::leere_entfernen(fd, pfad);
    }
    else sys::schliessen(fd);
}

// The bytes from `ab` on in the file are exactly `p`'s first ones.
bool gleiche_bytes(int lesend, long long ab, const char* p, std::size_t n) {
    char stueck[512];
    while (n > 0) {
        const std::size_t teil = std::min(n, sizeof stueck);
        if (sys::lesen_an(lesend, stueck, teil, ab) != static_cast<long long>(teil)) return false;
        if (std::memcmp(stueck, p, teil) != 0) return false;
        ab += static_cast<long long>(teil);
        p += teil;
        n -= teil;
    }
    return true;
}

// Takes back what this listing appended, if and only if it can show that every byte from its start
// to the end of the file is its own: nobody else's bytes between its writes, the file neither
// grown nor cut since, and still the file the name names. Only async-signal-safe calls.
bool eigene_zuruecknehmen() {
    const int fd = abbruchzustand.fd.load();
    const long long anfang = abbruchzustand.anfang.load();
    const long long stand = abbruchzustand.stand.load();
    if (fd < 0 || anfang < 0 || abbruchzustand.fremd.load()) return false;
    const long long ende = sys::stelle(fd);
    if (ende < stand || sys::groesse(fd) != ende) return false;
    if (ende > stand) {
        // Interrupted just after a write: its bytes are ours if they are the ones it wrote.
        const char* flug = abbruchzustand.flug.load();
        const auto n = static_cast<std::size_t>(ende - stand);
        if (flug == nullptr || n > abbruchzustand.flug_n.load() || !gleiche_bytes(abbruchzustand.lesend.load(), stand, flug, n)) return false;
    }
    if (!sys::noch_derselbe(fd, abbruchzustand.pfad) || !sys::kuerzen(fd, anfang)) return false;
    if (nach_kuerzen != nullptr) nach_kuerzen();
    return true;
}

// The file of `groesse` bytes, read through `lesend`, ends with a line break; unknown counts as
// not. Only async-signal-safe calls.
bool letztes_zeilenende(int lesend, long long groesse) {
    char letztes = 0;
    return lesend >= 0 && groesse > 0 && sys::lesen_an(lesend, &letztes, 1, groesse - 1) == 1 && letztes == '\n';
}

// What this listing wrote and cannot take back ends with a line break, so the next line stands on
// its own. Only async-signal-safe calls.
void zeile_beenden() {
    const int fd = abbruchzustand.fd.load();
    if (letztes_zeilenende(abbruchzustand.lesend.load(), sys::groesse(fd))) return;
    sys::schreiben(fd, sys::zeilenende, std::strlen(sys::zeilenende));
}

// An append that did not finish: our bytes go, or are ended with a line break; true if none of
// them is left. Run a second time by a signal that came right after the first run's truncation,
// it finds the file at its old size: nothing of ours is left, and nothing may be added.
bool anhang_abbrechen() {
    const long long anfang = abbruchzustand.anfang.load();
    if (anfang < 0) return true;
    if (sys::groesse(abbruchzustand.fd.load()) == anfang) {
        abbruchzustand.anfang.store(-1);
        return true;
    }
    const bool geschrieben = abbruchzustand.stand.load() != anfang || sys::stelle(abbruchzustand.fd.load()) > abbruchzustand.stand.load();
    const bool zurueck = !geschrieben || eigene_zuruecknehmen();
    if (!zurueck) zeile_beenden();
    abbruchzustand.anfang.store(-1);
    return zurueck;
}

// Runs in the signal handler (POSIX) or the console's control handler (Windows).
void bei_abbruch() {
    const int fd = abbruchzustand.fd.load();
    if (fd < 0) return;
    const bool haengt_an = abbruchzustand.anfang.load() >= 0;
    anhang_abbrechen();
    if (abbruchzustand.angelegt.load()) angelegte_entfernen(fd, abbruchzustand.pfad, haengt_an);
}

// Writes all of it; with `verfolgen`, each write is counted as ours only where it lands right
// after our previous one.
bool ganz_schreiben_verfolgt(int fd, const char* p, std::size_t n, bool verfolgen) {
    while (n > 0) {
        // Only the append's own writes are a step the clean-up undoes; a device or a pipe may block
        // for good, and the clean-up must not wait for it.
        const schritt s(verfolgen);
        if (verfolgen) {
            abbruchzustand.flug.store(p);
            abbruchzustand.flug_n.store(n);
        }
        const long long w = sys::schreiben(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            abbruchzustand.flug_n.store(0);
            return false;
        }
        hinausgegangen += static_cast<std::uint64_t>(w);
        if (verfolgen) {
            const long long ende = sys::stelle(fd);
            if (ende != abbruchzustand.stand.load() + w) abbruchzustand.fremd.store(true);
            abbruchzustand.stand.store(ende);
            abbruchzustand.flug_n.store(0);
            if (nach_schreiben != nullptr) nach_schreiben(++schreibvorgaenge);
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

const void* memrchr_portabel(const char* p, char c, std::size_t n) {
    while (n > 0)
        if (p[--n] == c) return p + n;
    return nullptr;
}

// The spool's "\n" as the platform's line end.
bool text_schreiben(int fd, const char* p, std::size_t n, bool verfolgen) {
    if (sys::zeilenende[1] == '\0') return ganz_schreiben_verfolgt(fd, p, n, verfolgen);
    std::string stueck;
    while (n > 0) {
        std::size_t teil = std::min<std::size_t>(n, 1 << 15);
        // Each write ends at a line end, so another program's line never lands inside one of ours.
        if (teil < n) {
            const void* z = memrchr_portabel(p, '\n', teil);
            if (z != nullptr) teil = static_cast<std::size_t>(static_cast<const char*>(z) - p) + 1;
        }
        stueck.clear();
        for (std::size_t i = 0; i < teil; ++i) {
            if (p[i] == '\n') stueck += sys::zeilenende;
            else stueck += p[i];
        }
        if (!ganz_schreiben_verfolgt(fd, stueck.data(), stueck.size(), verfolgen)) return false;
        p += teil;
        n -= teil;
    }
    return true;
}

// Waits for the lock, but not forever: a peer that holds it for longer is stuck.
bool sperren(int fd) {
    const auto bis = uhr::now() + std::chrono::milliseconds(sperrfrist_ms);
    for (;;) {
        bool unterstuetzt = true;
        if (sys::sperre_versuchen(fd, unterstuetzt)) return true;
        if (!unterstuetzt) return true;
        if (uhr::now() >= bis) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void vergessen(ziel& z) {
    abbruchzustand.fd.store(-1);
    abbruchzustand.anfang.store(-1);
    abbruchzustand.angelegt.store(false);
    const int lesend = abbruchzustand.lesend.exchange(-1);
    if (lesend >= 0) sys::schliessen(lesend);
    z.fd = z.lesend = -1;
}

// The handler forgets the file before it is closed, so it never acts on a closed descriptor.
bool schliessen_und_vergessen(ziel& z) {
    const schritt s;
    const int fd = z.fd;
    vergessen(z);
    return sys::schliessen(fd);
}

bool spool_ausgeben(spool& s, int fd, bool verfolgen) {
    return spool_durchgehen(s, [fd, verfolgen](const char* p, std::size_t n) { return text_schreiben(fd, p, n, verfolgen); });
}

// The block's size in the file.
long long spool_umfang(const spool& s) {
    return static_cast<long long>(spool_bytes(s) + spool_zeilen(s) * (std::strlen(sys::zeilenende) - 1));
}


}  // namespace

namespace {

// Arms the clean-up for the open target: the descriptor stored last, so the handler sees a whole
// state or none. A file just created is this listing's from that moment: a signal right after
// must remove it, before its reading descriptor exists.
void abbruch_scharf(const ziel& z) {
    std::memcpy(abbruchzustand.pfad, z.weg.c_str(), z.weg.size() + 1);
    abbruchzustand.angelegt.store(z.angelegt);
    abbruchzustand.anfang.store(-1);
    abbruchzustand.lesend.store(z.lesend);
    abbruchzustand.fd.store(z.fd);
    beim_abbruch(bei_abbruch);
}

}  // namespace

bool ziel_oeffnen(ziel& z, const std::string& pfad) {
    const schritt s;
    // A typed NUL would cut the name short and send the block to another file.
    if (pfad.find('\0') != std::string::npos || pfad.size() >= sizeof abbruchzustand.pfad) {
        errno = pfad.find('\0') != std::string::npos ? EINVAL : ENAMETOOLONG;
        return false;
    }
    z.pfad = z.weg = pfad;
    z.angelegt = false;
    // Created only where missing, so we know whether a failure must remove it again.
    for (int versuch = 0; versuch < 3 && z.fd < 0; ++versuch) {
        if (vor_versuch != nullptr) vor_versuch(pfad.c_str());
        z.fd = sys::oeffnen(pfad.c_str(), sys::anlegen::nicht);
        if (z.fd >= 0 || errno != ENOENT) break;
        if (vor_versuch != nullptr) vor_versuch(pfad.c_str());
        z.fd = sys::oeffnen(pfad.c_str(), sys::anlegen::neu);
        z.angelegt = z.fd >= 0;
        if (z.angelegt) abbruch_scharf(z);
        if (z.fd >= 0 || errno != EEXIST) break;
        // The name is there, its file is not: a link to a file not there yet, which is ours to
        // make, and to remove again, like a plain new name.
        std::string ziel;
        if (!sys::verweisziel(pfad, ziel) || ziel.size() >= sizeof abbruchzustand.pfad) continue;
        z.fd = sys::oeffnen(ziel.c_str(), sys::anlegen::neu);
        z.angelegt = z.fd >= 0;
        if (z.angelegt) {
            z.weg = ziel;
            abbruch_scharf(z);
        }
        if (z.fd >= 0 || errno != EEXIST) break;
    }
    // Still missing, yet its name exists: made as before, though not known as ours.
    if (z.fd < 0 && errno == EEXIST) z.fd = sys::oeffnen(pfad.c_str(), sys::anlegen::auch);
    if (z.fd < 0) return false;
    z.regulaer = sys::ist_regulaer(z.fd);
    if (vor_lesend != nullptr) vor_lesend(z.weg.c_str());
    z.lesend = z.regulaer ? sys::lesend_oeffnen(z.fd, z.weg.c_str()) : -1;
    abbruch_scharf(z);
    if (nach_oeffnen != nullptr) nach_oeffnen(pfad.c_str());
    return true;
}

bool ziel_anhaengen(ziel& z, spool& s) {
    z.grund = 0;
    z.teil_geblieben = false;
    hinausgegangen = 0;
    if (s.fehler) {
        ziel_aufgeben(z, s);
        return false;
    }
    // The system's reason where a call says why it failed; 0 where none did.
    const auto warum = [] { return std::exchange(errno, 0); };
    errno = 0;
    if (!z.regulaer) {
        // A device or a pipe: nothing can be taken back, so the block simply goes through.
        const bool ganz = spool_ausgeben(s, z.fd, false);
        if (!ganz) z.grund = warum();
        const bool zu = schliessen_und_vergessen(z);
        if (ganz && !zu) z.grund = warum();
        z.teil_geblieben = !(ganz && zu) && hinausgegangen > 0;
        spool_freigeben(s);
        return ganz && zu;
    }
    for (int versuch = 0;; ++versuch) {
        if (!sperren(z.fd)) {
            z.grund = grund_gesperrt;
            ziel_aufgeben(z, s);
            return false;
        }
        if (sys::noch_derselbe(z.fd, z.pfad.c_str())) break;
        // Removed while we waited: append to what the name names now.
        sys::entsperren(z.fd);
        schliessen_und_vergessen(z);
        errno = 0;
        if (versuch == 3 || !ziel_oeffnen(z, z.pfad)) {
            z.grund = warum();
            spool_freigeben(s);
            return false;
        }
    }
    const long long anfang = sys::groesse(z.fd);
    // Whatever the file ends with (a line cut by a killed listing, another program's text), the
    // block's first prime starts a line of its own.
    const bool neue_zeile = anfang > 0 && !letztes_zeilenende(z.lesend, anfang);
    const std::size_t vorweg = neue_zeile ? std::strlen(sys::zeilenende) : 0;
    // A file that cannot be taken back (append-only) must not get a torn line: what can be
    // known before the first byte is checked first.
    errno = 0;
    bool heil = anfang >= 0 && sys::platz(z.fd) >= static_cast<long long>(vorweg) + spool_umfang(s);
    if (heil) errno = 0;  // the limit that would stop it, which does not
    else z.grund = warum();
    if (heil) {
        abbruchzustand.fremd.store(false);
        schreibvorgaenge = 0;
        abbruchzustand.stand.store(anfang);
        abbruchzustand.anfang.store(anfang);
        heil = ganz_schreiben_verfolgt(z.fd, sys::zeilenende, vorweg, true) && spool_ausgeben(s, z.fd, true);
        if (!heil) z.grund = warum();
        else if (abbruchzustand.fremd.load()) z.grund = grund_fremd, heil = false;
        const schritt ende;
        if (!heil) z.teil_geblieben = !anhang_abbrechen();
        abbruchzustand.anfang.store(-1);
    }
    spool_freigeben(s);
    const schritt ende;
    if (!heil && z.angelegt) {
        // Still under our lock, so no peer can have added a block meanwhile.
        const int fd = z.fd;
        abbruchzustand.fd.store(-1);
        angelegte_entfernen(fd, z.weg.c_str(), true);
        z.fd = -1;
        vergessen(z);
        return false;
    }
    sys::entsperren(z.fd);
    errno = 0;
    const bool zu = schliessen_und_vergessen(z);
    // Written, but the system reports the file not safely closed: what it holds is unsure.
    if (heil && !zu) {
        z.grund = warum();
        z.teil_geblieben = true;
    }
    return heil && zu;
}

void ziel_aufgeben(ziel& z, spool& s) {
    spool_freigeben(s);
    const schritt ende;
    if (z.fd < 0) return;
    const int fd = z.fd;
    abbruchzustand.fd.store(-1);
    if (z.angelegt) angelegte_entfernen(fd, z.weg.c_str(), false);
    else sys::schliessen(fd);
    z.fd = -1;
    vergessen(z);
}

void sperrfrist_setzen(int ms) { sperrfrist_ms = ms < 0 ? standard_frist_ms : ms; }
void nach_schreiben_setzen(void (*f)(int)) { nach_schreiben = f; }
void vor_entfernen_setzen(void (*f)(const char*)) { vor_entfernen = f; }
void nach_oeffnen_setzen(void (*f)(const char*)) { nach_oeffnen = f; }
void nach_kuerzen_setzen(void (*f)()) { nach_kuerzen = f; }
void vor_versuch_setzen(void (*f)(const char*)) { vor_versuch = f; }
void vor_lesend_setzen(void (*f)(const char*)) { vor_lesend = f; }
