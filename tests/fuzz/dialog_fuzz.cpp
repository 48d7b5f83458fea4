// Fuzz target: whole dialogues of the program over arbitrary typed input and key presses,
// through the scripted terminal, with file output into a temporary directory.
#include <cerrno>
#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "console/konsole.h"
#include "shell/menue.h"
#include "tests/skript.h"

namespace {

void pruefen(bool bedingung, const char* was) {
    if (!bedingung) {
        std::fprintf(stderr, "verletzt: %s\n", was);
        std::abort();
    }
}

// Numbers of more than five digits, or a minus that wraps into the billions, only make the runs
// long, not the dialogue any different.
bool zu_langsam(std::string_view eingabe) {
    std::size_t ziffern = 0;
    for (std::size_t i = 0; i < eingabe.size(); ++i) {
        const char c = eingabe[i];
        ziffern = c >= '0' && c <= '9' ? ziffern + 1 : 0;
        if (ziffern > 5) return true;
        if (c == '-' && i + 1 < eingabe.size() && eingabe[i + 1] >= '0' && eingabe[i + 1] <= '9') return true;
    }
    return false;
}

// The scripted terminal, also watching that no prompt repeats without taking input: between two
// entries there are at most two key waits and a bounded amount of output.
struct waechter final : geraet {
    explicit waechter(std::string_view eingabe, bool bildschirm) : s(eingabe, bildschirm) {}
    bool zeile_lesen(std::string& zeile) override { return s.zeile_lesen(zeile); }
    bool ausgeben(std::string_view bytes) override {
        beobachten(0, bytes.size());
        zuletzt.append(bytes);
        if (zuletzt.size() > 64) zuletzt.erase(0, zuletzt.size() - 64);
        return true;
    }
    void taste() override { beobachten(1, 0); }
    void farben_an() override {
        if (s.ist_bildschirm) ausgeben(sequenz::farben);
    }
    void loeschen() override {
        if (s.ist_bildschirm) ausgeben(sequenz::loeschen);
    }

    void beobachten(int taste, std::size_t bytes) {
        if (eingabe_verbraucht() != stand) {
            stand = eingabe_verbraucht();
            tasten = 0;
            ausgabe = 0;
        }
        tasten += taste;
        ausgabe += bytes;
        pruefen(tasten <= 2, "hoechstens zwei Tasten je Eingabe");
        pruefen(ausgabe <= (4u << 20), "begrenzte Ausgabe je Eingabe");
    }

    skript s;
    std::size_t stand = 0;
    int tasten = 0;
    std::size_t ausgabe = 0;
    std::string zuletzt;  // the end of the output
};

std::string ordner;

// An absolute name, or one with a ".." step, could reach beyond the directory.
bool verlaesst_ordner(std::string_view pfad) {
    if (pfad.starts_with('/')) return true;
    for (std::size_t anfang = 0; anfang <= pfad.size();) {
        const std::size_t ende = std::min(pfad.find('/', anfang), pfad.size());
        if (pfad.substr(anfang, ende - anfang) == "..") return true;
        anfang = ende + 1;
    }
    return false;
}

// The listing files land in the temporary directory only; nothing else may stay behind there.
void aufraeumen() {
    DIR* d = opendir(ordner.c_str());
    pruefen(d != nullptr, "Ordner lesbar");
    while (const dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        // At most 75 characters (UTF-8: continuation bytes do not count) and 300 bytes, then .txt.
        std::size_t zeichen = 0;
        for (const char c : name) zeichen += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        pruefen(name.ends_with(".txt") && zeichen <= 75 + 4 && name.size() <= 300 + 4, "nur Namen mit .txt");
        pruefen(unlink((ordner + "/" + name).c_str()) == 0, "nur Dateien");
    }
    closedir(d);
}

}  // namespace

// Every open goes through here (linked with --wrap=open). The program's listing files, the only
// files it opens for appending, are put into the temporary directory; a name that would leave it
// is refused as a protected file system would refuse it.
extern "C" int __real_open(const char* pfad, int flags, ...);
extern "C" int __wrap_open(const char* pfad, int flags, ...) {
    mode_t modus = 0;
    if (flags & O_CREAT) {
        va_list args;
        va_start(args, flags);
        modus = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if (!(flags & O_APPEND)) return __real_open(pfad, flags, modus);
    if (verlaesst_ordner(pfad)) {
        errno = EACCES;
        return -1;
    }
    return __real_open((ordner + "/" + pfad).c_str(), flags, modus);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char muster[] = "/tmp/zifferon-fuzz-XXXXXX";
    pruefen(mkdtemp(muster) != nullptr, "temporaerer Ordner");
    ordner = muster;
    std::atexit([] {
        aufraeumen();
        rmdir(ordner.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* daten, std::size_t groesse) {
    if (groesse == 0) return 0;
    // The first byte sets the scene: a screen or not; the rest is what the user types.
    const bool bildschirm = daten[0] & 1;
    const std::string_view eingabe(reinterpret_cast<const char*>(daten) + 1, groesse - 1);
    if (zu_langsam(eingabe)) return -1;

    waechter w(eingabe, bildschirm);
    konsole_einsetzen(w);
    menue_schleife();
    // Input not at its end: only the menu's option 5 may have ended the loop, with no text after
    // the menu's prompt.
    if (!eingabe_zu_ende()) pruefen(w.zuletzt.ends_with("Ihre Wahl: "), "nur am Menue beendet");
    aufraeumen();
    return 0;
}
