#include "numbers/datei.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

#include "console/konsole.h"
#include "numbers/lister.h"

namespace {

// ---- the platform's append-only text file ---------------------------------------------------

#ifdef _WIN32

// Text mode, so every line ends in CR LF as Windows programs expect.
int datei_oeffnen(const char* name, long long& anfang) {
    int fd = -1;
    _sopen_s(&fd, name, _O_WRONLY | _O_APPEND | _O_CREAT | _O_TEXT, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    if (fd >= 0) anfang = _filelengthi64(fd);
    return fd;
}
long long datei_schreiben(int fd, const char* p, std::size_t n) {
    return _write(fd, p, static_cast<unsigned>(n));
}
bool datei_kuerzen(int fd, long long laenge) { return _chsize_s(fd, laenge) == 0; }
bool datei_schliessen(int fd) { return _close(fd) == 0; }

#else

int datei_oeffnen(const char* name, long long& anfang) {
    // Non-blocking only for the open itself, so a FIFO without a reader cannot hang us.
    const int fd = open(name, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return fd;
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) anfang = st.st_size;
    return fd;
}
long long datei_schreiben(int fd, const char* p, std::size_t n) {
    ssize_t w;
    do w = write(fd, p, n);
    while (w < 0 && errno == EINTR);
    return w;
}
bool datei_kuerzen(int fd, long long laenge) { return ftruncate(fd, static_cast<off_t>(laenge)) == 0; }
bool datei_schliessen(int fd) { return close(fd) == 0; }

#endif

// ---- an append-only file with its own buffer ------------------------------------------------

struct ausgabedatei {
    int fd = -1;
    long long anfang = -1;  // size at opening, for a regular file: where our block begins
    std::string puffer;
    bool fehler = false;
};

constexpr std::size_t dateipuffer = 1 << 16;

bool oeffnen(ausgabedatei& d, const std::string& name) {
    // A typed NUL would cut the name short and send the block to another file.
    if (name.find('\0') != std::string::npos) return false;
    d.fd = datei_oeffnen(name.c_str(), d.anfang);
    d.puffer.reserve(dateipuffer);
    return d.fd >= 0;
}

void leeren(ausgabedatei& d) {
    const char* p = d.puffer.data();
    std::size_t n = d.puffer.size();
    while (n > 0 && !d.fehler) {
        const long long w = datei_schreiben(d.fd, p, n);
        if (w <= 0) d.fehler = true;
        else {
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    }
    d.puffer.clear();
}

void anhaengen(ausgabedatei& d, std::string_view text) {
    d.puffer.append(text);
    if (d.puffer.size() >= dateipuffer) leeren(d);
}

void anhaengen_zahl(ausgabedatei& d, std::uint64_t zahl) {
    char platz[20];
    anhaengen(d, zahl_als_text(zahl, platz));
}

// True when everything reached the file. Otherwise the partial block is cut off again.
bool schliessen(ausgabedatei& d) {
    leeren(d);
    if (d.fehler && d.anfang >= 0) datei_kuerzen(d.fd, d.anfang);
    const bool zu = datei_schliessen(d.fd);
    return zu && !d.fehler;
}

}  // namespace

dateiergebnis block_anhaengen(const std::string& name, std::uint32_t zahl, std::uint32_t z3) {
    ausgabedatei zeiger;
    if (!oeffnen(zeiger, name)) return dateiergebnis::nicht_geoeffnet;
    const std::uint32_t pz = lauf(zahl, z3, [&zeiger](std::uint32_t primzahl) {
        anhaengen_zahl(zeiger, primzahl);
        anhaengen(zeiger, "\n");
        return !zeiger.fehler;
    });
    anhaengen(zeiger, "\nIm Zahlenintervall zwischen ");
    anhaengen_zahl(zeiger, zahl);
    anhaengen(zeiger, " bis ");
    anhaengen_zahl(zeiger, lauf_ende(zahl, z3));
    anhaengen(zeiger, " gibt es ");
    anhaengen_zahl(zeiger, pz);
    anhaengen(zeiger, " Primzahlen\n\n");
    return schliessen(zeiger) ? dateiergebnis::geschrieben : dateiergebnis::unvollstaendig;
}

void dateiausgabe() {
    std::string string;
    for (;;) {
        schreiben("\n\nNamen fuer Datei eingeben: ");
        const gelesen s = lesen_s(string, laengster_name);
        if (s == gelesen::ende) return;
        if (s == gelesen::ok) break;
        verwerfen();
        schreiben("\n\n\n\t\t\tDer Name darf hoechstens 75 Zeichen lang sein !");
    }
    string += ".txt";

    std::uint32_t zahl = 0;
    std::uint32_t z3 = 0;
    if (!bereich_eingeben(zahl, z3)) return;
    const dateiergebnis e = block_anhaengen(string, zahl, z3);
    if (e == dateiergebnis::geschrieben) return;
    schreiben("\n\n\n\t\t\tDie Datei ");
    schreiben(string);
    schreiben(e == dateiergebnis::nicht_geoeffnet ? " kann nicht geoeffnet werden !"
                                                   : " wurde nicht vollstaendig geschrieben !");
    taste_warten();
}
