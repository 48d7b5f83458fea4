#include "numbers/anhang.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "console/terminal.h"

namespace {

using uhr = std::chrono::steady_clock;

// A block of up to a few MiB stays in memory; a run over a billion numbers may produce gigabytes.
constexpr std::size_t standard_speicher = std::size_t{4} << 20;
// A peer appends a finished block from its spool, which takes seconds at most; longer means stuck.
constexpr int standard_frist_ms = 30'000;

std::size_t speichergrenze = standard_speicher;
std::unique_ptr<char[]> frei;  // a spool's memory from an earlier listing, `speichergrenze` bytes
int sperrfrist_ms = standard_frist_ms;

// How a missing file is opened: not at all, only as a new one, or also through a link that
// points to a missing file (where nobody can tell who created it).
enum class anlegen { nicht, neu, auch };

// What a signal ending the process must undo, read by the handler: the open target, whether we
// created it, and while we append, the size it had before our first byte. One listing at a time.
struct abbruch_zustand {
    std::atomic<int> fd{-1};
    std::atomic<bool> angelegt{false};
    std::atomic<long long> anfang{-1};
    char pfad[1024] = {};
};
abbruch_zustand a;

#ifdef _WIN32

// ---- Windows ----------------------------------------------------------------------------------

HANDLE griff(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }

long long roh_schreiben(int fd, const char* p, std::size_t n) {
    return _write(fd, p, static_cast<unsigned>(n > (1u << 30) ? (1u << 30) : n));
}
long long roh_lesen(int fd, char* p, std::size_t n) { return _read(fd, p, static_cast<unsigned>(n)); }
bool zurueckspulen(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }
long long groesse(int fd) { return _filelengthi64(fd); }
bool kuerzen(int fd, long long laenge) { return _chsize_s(fd, laenge) == 0; }
bool schliessen(int fd) { return _close(fd) == 0; }

int spooldatei() {
    char ordner[MAX_PATH + 1];
    char name[MAX_PATH + 1];
    if (GetTempPathA(sizeof ordner, ordner) == 0 || GetTempFileNameA(ordner, "zif", 0, name) == 0) return -1;
    const HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_BINARY);
    if (fd < 0) CloseHandle(h);
    return fd;
}

// Text mode, so every line ends in CR LF as Windows programs expect.
int oeffnen(const char* pfad, anlegen wie) {
    int fd = -1;
    const int art = _O_WRONLY | _O_APPEND | _O_TEXT | _O_NOINHERIT |
                    (wie == anlegen::neu ? _O_CREAT | _O_EXCL : wie == anlegen::auch ? _O_CREAT : 0);
    _sopen_s(&fd, pfad, art, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    return fd;
}

bool ist_regulaer(int fd) { return GetFileType(griff(fd)) == FILE_TYPE_DISK; }

// Windows locks are mandatory: one byte far beyond any real content serves as the listings'
// mutex, so readers of the file are never blocked by it.
OVERLAPPED sperrbereich() {
    OVERLAPPED ov{};
    ov.Offset = 0xFFFFFFFFu;
    ov.OffsetHigh = 0x7FFFFFFFu;
    return ov;
}
bool sperre_versuchen(int fd, bool& unterstuetzt) {
    OVERLAPPED ov = sperrbereich();
    unterstuetzt = true;
    if (LockFileEx(griff(fd), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) return true;
    unterstuetzt = GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING;
    return false;
}
void entsperren(int fd) {
    OVERLAPPED ov = sperrbereich();
    UnlockFileEx(griff(fd), 0, 1, 0, &ov);
}

// An open file cannot be deleted from under another process here, so the name always still
// names the file we hold.
bool noch_derselbe(int, const char*) { return true; }

// A file still open cannot be deleted: close it first.
void leere_entfernen(int fd, const char* pfad) {
    const bool leer = groesse(fd) == 0;
    _close(fd);
    if (leer) DeleteFileA(pfad);
}

#else

// ---- POSIX ------------------------------------------------------------------------------------

long long roh_schreiben(int fd, const char* p, std::size_t n) { return write(fd, p, n); }
long long roh_lesen(int fd, char* p, std::size_t n) { return read(fd, p, n); }
bool zurueckspulen(int fd) { return lseek(fd, 0, SEEK_SET) == 0; }
long long groesse(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}
bool kuerzen(int fd, long long laenge) { return ftruncate(fd, static_cast<off_t>(laenge)) == 0; }
// A network file system may report a failed write only here; reported, though no longer undone.
bool schliessen(int fd) { return close(fd) == 0 || errno == EINTR; }

// Unlinked at once, so nothing is left behind however the process ends.
int spooldatei() {
    const char* ordner = std::getenv("TMPDIR");
    if (ordner == nullptr || *ordner == '\0') ordner = "/tmp";
#ifdef O_TMPFILE
    const int fd = open(ordner, O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
#endif
    std::string muster = std::string(ordner) + "/zifferon-XXXXXX";
    const int tmp = mkstemp(muster.data());
    if (tmp >= 0) {
        unlink(muster.c_str());
        fcntl(tmp, F_SETFD, FD_CLOEXEC);
    }
    return tmp;
}

int oeffnen(const char* pfad, anlegen wie) {
    // Non-blocking only for the open itself, so a FIFO without a reader cannot hang us.
    const int art = O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK |
                    (wie == anlegen::neu ? O_CREAT | O_EXCL : wie == anlegen::auch ? O_CREAT : 0);
    const int fd = open(pfad, art, 0666);
    if (fd < 0) return fd;
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

bool ist_regulaer(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

flock ganze_datei(short art) {
    flock l{};
    l.l_type = art;
    l.l_whence = SEEK_SET;
    return l;
}
bool sperre_versuchen(int fd, bool& unterstuetzt) {
    flock l = ganze_datei(F_WRLCK);
    unterstuetzt = true;
    if (fcntl(fd, F_SETLK, &l) == 0) return true;
    // A file system without locks (some network mounts) is written as before, unlocked.
    unterstuetzt = errno == EACCES || errno == EAGAIN || errno == EINTR;
    return false;
}
void entsperren(int fd) {
    flock l = ganze_datei(F_UNLCK);
    fcntl(fd, F_SETLK, &l);
}

// Another listing that created the file may have failed and removed it while we waited.
bool noch_derselbe(int fd, const char* pfad) {
    struct stat offen {}, benannt {};
    return fstat(fd, &offen) == 0 && offen.st_nlink > 0 && stat(pfad, &benannt) == 0 &&
           offen.st_dev == benannt.st_dev && offen.st_ino == benannt.st_ino;
}

void leere_entfernen(int fd, const char* pfad) {
    if (groesse(fd) == 0 && noch_derselbe(fd, pfad)) unlink(pfad);
    close(fd);
}

#endif

// ---- common to both -------------------------------------------------------------------------

// Closes a file this listing created, removing it if it is still empty - but not while a peer
// appends (it holds the lock): its block would go to a removed file. A peer waiting for the lock
// finds the name gone and opens it anew. Only async-signal-safe calls.
void angelegte_entfernen(int fd, const char* pfad, bool gesperrt) {
    bool unterstuetzt = true;
    if (gesperrt || sperre_versuchen(fd, unterstuetzt) || !unterstuetzt) leere_entfernen(fd, pfad);
    else schliessen(fd);
}

// Runs in the signal handler (POSIX) or the console's control handler (Windows).
void bei_abbruch() {
    const int fd = a.fd.load();
    if (fd < 0) return;
    const long long anfang = a.anfang.load();
    if (anfang >= 0) kuerzen(fd, anfang);  // we hold the lock: every byte past `anfang` is ours
    if (a.angelegt.load()) angelegte_entfernen(fd, a.pfad, anfang >= 0);
}

bool alles_schreiben(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const long long w = roh_schreiben(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Waits for the lock, but not forever: a peer that holds it for longer is stuck.
bool sperren(int fd) {
    const auto bis = uhr::now() + std::chrono::milliseconds(sperrfrist_ms);
    for (;;) {
        bool unterstuetzt = true;
        if (sperre_versuchen(fd, unterstuetzt)) return true;
        if (!unterstuetzt) return true;
        if (uhr::now() >= bis) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void vergessen(ziel& z) {
    a.fd.store(-1);
    a.anfang.store(-1);
    a.angelegt.store(false);
    z.fd = -1;
}

void spool_freigeben(spool& s) {
    if (s.fd >= 0) schliessen(s.fd);
    s.fd = -1;
    // Kept for the next listing: its pages are then already there.
    if (s.speicher && s.platz == speichergrenze) frei = std::move(s.speicher);
    s.speicher.reset();
    s.laenge = s.platz = 0;
}

bool spool_ausgeben(spool& s, int fd) {
    if (s.fd >= 0) {
        if (!zurueckspulen(s.fd)) return false;
        std::string stueck(1 << 16, '\0');
        for (;;) {
            const long long n = roh_lesen(s.fd, stueck.data(), stueck.size());
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return false;
            if (n == 0) break;
            if (!alles_schreiben(fd, stueck.data(), static_cast<std::size_t>(n))) return false;
        }
    }
    return alles_schreiben(fd, s.speicher.get(), s.laenge);
}

}  // namespace

bool spool_anhaengen(spool& s, std::string_view text) {
    if (s.fehler) return false;
    if (!s.speicher) {
        // Pages are only taken as they are written; growing by copying cost more than the run.
        s.platz = speichergrenze;
        s.speicher = frei ? std::move(frei) : std::make_unique_for_overwrite<char[]>(s.platz);
    }
    while (!text.empty()) {
        const std::size_t passt = std::min(text.size(), s.platz - s.laenge);
        std::memcpy(s.speicher.get() + s.laenge, text.data(), passt);
        s.laenge += passt;
        text.remove_prefix(passt);
        if (s.laenge < s.platz) break;
        // Full: the block goes on in the temporary file.
        if (s.fd < 0) s.fd = spooldatei();
        s.fehler = s.fd < 0 || !alles_schreiben(s.fd, s.speicher.get(), s.laenge);
        s.laenge = 0;
        if (s.fehler) return false;
    }
    return true;
}

bool ziel_oeffnen(ziel& z, const std::string& pfad) {
    // A typed NUL would cut the name short and send the block to another file.
    if (pfad.find('\0') != std::string::npos || pfad.size() >= sizeof a.pfad) return false;
    z.pfad = pfad;
    z.angelegt = false;
    // Created only where missing, so we know whether a failure must remove it again.
    for (int versuch = 0; versuch < 3 && z.fd < 0; ++versuch) {
        z.fd = oeffnen(pfad.c_str(), anlegen::nicht);
        if (z.fd >= 0 || errno != ENOENT) break;
        z.fd = oeffnen(pfad.c_str(), anlegen::neu);
        z.angelegt = z.fd >= 0;
        if (z.fd < 0 && errno != EEXIST) break;
    }
    // Missing, yet its name exists: a link to a file not there yet, which is created as before.
    if (z.fd < 0 && errno == EEXIST) z.fd = oeffnen(pfad.c_str(), anlegen::auch);
    if (z.fd < 0) return false;
    z.regulaer = ist_regulaer(z.fd);
    std::memcpy(a.pfad, pfad.c_str(), pfad.size() + 1);
    a.angelegt.store(z.angelegt);
    a.anfang.store(-1);
    a.fd.store(z.fd);
    beim_abbruch(bei_abbruch);
    return true;
}

bool ziel_anhaengen(ziel& z, spool& s) {
    if (s.fehler) {
        ziel_aufgeben(z, s);
        return false;
    }
    if (!z.regulaer) {
        // A device or a pipe: nothing can be taken back, so the block simply goes through.
        const bool ganz = spool_ausgeben(s, z.fd);
        const bool zu = schliessen(z.fd);
        vergessen(z);
        spool_freigeben(s);
        return ganz && zu;
    }
    for (int versuch = 0;; ++versuch) {
        if (!sperren(z.fd)) {
            ziel_aufgeben(z, s);
            return false;
        }
        if (noch_derselbe(z.fd, z.pfad.c_str())) break;
        // Removed while we waited: append to what the name names now.
        entsperren(z.fd);
        schliessen(z.fd);
        vergessen(z);
        if (versuch == 3 || !ziel_oeffnen(z, z.pfad)) {
            spool_freigeben(s);
            return false;
        }
    }
    const long long anfang = groesse(z.fd);
    a.anfang.store(anfang);
    const bool ganz = anfang >= 0 && spool_ausgeben(s, z.fd);
    if (!ganz && anfang >= 0) kuerzen(z.fd, anfang);
    a.anfang.store(-1);
    spool_freigeben(s);
    if (!ganz && z.angelegt) {
        // Still under our lock, so no peer can have added a block meanwhile.
        a.fd.store(-1);
        angelegte_entfernen(z.fd, z.pfad.c_str(), true);
        vergessen(z);
        return false;
    }
    entsperren(z.fd);
    const bool zu = schliessen(z.fd);
    vergessen(z);
    return ganz && zu;
}

void ziel_aufgeben(ziel& z, spool& s) {
    spool_freigeben(s);
    if (z.fd < 0) return;
    a.fd.store(-1);
    if (z.angelegt) angelegte_entfernen(z.fd, z.pfad.c_str(), false);
    else schliessen(z.fd);
    vergessen(z);
}

void sperrfrist_setzen(int ms) { sperrfrist_ms = ms < 0 ? standard_frist_ms : ms; }
void speichergrenze_setzen(std::size_t bytes) {
    speichergrenze = bytes == 0 ? standard_speicher : bytes;
    frei.reset();
}
