#include "numbers/datei.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "console/konsole.h"
#include "numbers/lister.h"

namespace {

// ---- an append-only file with its own buffer ------------------------------------------------

struct ausgabedatei {
    int fd = -1;
    off_t anfang = -1;  // size at opening, for a regular file: where our block begins
    std::string puffer;
    bool fehler = false;
};

constexpr std::size_t dateipuffer = 1 << 16;

bool oeffnen(ausgabedatei& d, const std::string& name) {
    // A typed NUL would cut the name short and send the block to another file.
    if (name.find('\0') != std::string::npos) return false;
    // Non-blocking only for the open itself, so a FIFO without a reader cannot hang us.
    d.fd = open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (d.fd < 0) return false;
    const int flags = fcntl(d.fd, F_GETFL);
    if (flags >= 0) fcntl(d.fd, F_SETFL, flags & ~O_NONBLOCK);
    struct stat st {};
    if (fstat(d.fd, &st) == 0 && S_ISREG(st.st_mode)) d.anfang = st.st_size;
    d.puffer.reserve(dateipuffer);
    return true;
}

void leeren(ausgabedatei& d) {
    const char* p = d.puffer.data();
    std::size_t n = d.puffer.size();
    while (n > 0 && !d.fehler) {
        const ssize_t w = write(d.fd, p, n);
        if (w < 0 && errno == EINTR) continue;
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
    if (d.fehler && d.anfang >= 0) (void)ftruncate(d.fd, d.anfang);
    const bool zu = close(d.fd) == 0;
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
