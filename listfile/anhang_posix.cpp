#include "listfile/anhang_system.h"

#include <atomic>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace sys {

const char* const zeilenende = "\n";

long long schreiben(int fd, const char* p, std::size_t n) { return write(fd, p, n); }
long long lesen(int fd, char* p, std::size_t n) { return read(fd, p, n); }
long long lesen_an(int fd, char* p, std::size_t n, long long ab) { return pread(fd, p, n, static_cast<off_t>(ab)); }
bool zurueckspulen(int fd) { return lseek(fd, 0, SEEK_SET) == 0; }
long long groesse(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}
long long stelle(int fd) { return lseek(fd, 0, SEEK_CUR); }
bool kuerzen(int fd, long long laenge) { return ftruncate(fd, static_cast<off_t>(laenge)) == 0; }
bool freigeben(int fd, long long ab, long long laenge) {
#ifdef FALLOC_FL_PUNCH_HOLE
    return fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(ab), static_cast<off_t>(laenge)) == 0;
#else
    (void)fd, (void)ab, (void)laenge;
    return false;
#endif
}
// A network file system may report a failed write only here; reported, though no longer undone.
bool schliessen(int fd) { return close(fd) == 0 || errno == EINTR; }

// Unlinked at once, so nothing is left behind however the process ends.
int spooldatei(bool system, bool& ordner_gleich) {
    const char* ordner = std::getenv("TMPDIR");
    ordner_gleich = ordner == nullptr || *ordner == '\0';
    if (system || ordner_gleich) ordner = "/tmp";
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

int lesend_oeffnen(int fd, const char* pfad) {
    const int lesend = open(pfad, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (lesend < 0) return -1;
    struct stat a {}, b {};
    if (fstat(fd, &a) == 0 && fstat(lesend, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino) return lesend;
    close(lesend);
    return -1;
}

bool ist_regulaer(int fd) {
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

long long platz(int fd) {
    long long frei = LLONG_MAX;
    rlimit grenze{};
    const long long jetzt = groesse(fd);
    int grund = ENOSPC;
    if (getrlimit(RLIMIT_FSIZE, &grenze) == 0 && grenze.rlim_cur != RLIM_INFINITY && jetzt >= 0) {
        frei = static_cast<long long>(grenze.rlim_cur) - jetzt;
        grund = EFBIG;
    }
    struct statvfs fs {};
    // Some network file systems report no sizes at all: unknown then, not full.
    if (fstatvfs(fd, &fs) == 0 && fs.f_frsize > 0 && fs.f_blocks > 0) {
        // Root may use the blocks kept back for it.
        const auto bloecke = geteuid() == 0 ? fs.f_bfree : fs.f_bavail;
        if (bloecke < static_cast<unsigned long long>(LLONG_MAX) / fs.f_frsize && static_cast<long long>(bloecke * fs.f_frsize) < frei) {
            frei = static_cast<long long>(bloecke * fs.f_frsize);
            grund = ENOSPC;
        }
    }
    errno = grund;
    return frei;
}

namespace {
flock ganze_datei(short art) {
    flock l{};
    l.l_type = art;
    l.l_whence = SEEK_SET;
    return l;
}

// Open file description locks where the kernel has them: a classic fcntl lock is dropped as soon as
// the process closes any descriptor of the file (the reading one, say), and a peer could then
// append a block just before a failed listing removes the file it created. Both kinds conflict
// with each other, so older listings are kept out all the same.
#ifdef F_OFD_SETLK
std::atomic<int> sperrbefehl{F_OFD_SETLK};
#else
std::atomic<int> sperrbefehl{F_SETLK};
#endif
}  // namespace

bool sperre_versuchen(int fd, bool& unterstuetzt) {
    flock l = ganze_datei(F_WRLCK);
    unterstuetzt = true;
    if (fcntl(fd, sperrbefehl.load(), &l) == 0) return true;
    if (errno == EINVAL && sperrbefehl.load() != F_SETLK) {
        sperrbefehl.store(F_SETLK);  // a kernel before 3.15
        return sperre_versuchen(fd, unterstuetzt);
    }
    // A file system without locks (some network mounts) is written unlocked.
    unterstuetzt = errno == EACCES || errno == EAGAIN || errno == EINTR;
    return false;
}

void entsperren(int fd) {
    flock l = ganze_datei(F_UNLCK);
    fcntl(fd, sperrbefehl.load(), &l);
}

// Another listing that created the file may have failed and removed it while we waited, or the
// name was given to another file.
bool noch_derselbe(int fd, const char* pfad) {
    struct stat offen {}, benannt {};
    return fstat(fd, &offen) == 0 && offen.st_nlink > 0 && stat(pfad, &benannt) == 0 &&
           offen.st_dev == benannt.st_dev && offen.st_ino == benannt.st_ino;
}

void leere_entfernen(int fd, const char* pfad) {
    if (groesse(fd) == 0 && noch_derselbe(fd, pfad)) unlink(pfad);
    close(fd);
}

bool verweisziel(const std::string& pfad, std::string& ziel) {
    ziel = pfad;
    for (int tiefe = 0; tiefe < 40; ++tiefe) {
        struct stat st {};
        if (lstat(ziel.c_str(), &st) != 0) return errno == ENOENT && tiefe > 0;
        if (!S_ISLNK(st.st_mode)) return false;
        char verweis[PATH_MAX];
        const ssize_t n = readlink(ziel.c_str(), verweis, sizeof verweis);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof verweis)) return false;
        const std::string weiter(verweis, static_cast<std::size_t>(n));
        const std::size_t schraeg = ziel.rfind('/');
        // A relative link is resolved from the directory the link is in.
        ziel = weiter[0] == '/' || schraeg == std::string::npos ? weiter : ziel.substr(0, schraeg + 1) + weiter;
    }
    return false;
}

}  // namespace sys
