#include "console/fehlertext.h"

#include <cerrno>
#include <cstring>

std::string fehlergrund(int fehler) {
    switch (fehler) {
        case ENOSPC: return "kein Platz mehr auf dem Datentraeger";
#ifdef EDQUOT
        case EDQUOT: return "das Speicherkontingent ist erschoepft";
#endif
        case EFBIG: return "die Datei waere zu gross";
        case EIO: return "Ein-/Ausgabefehler";
        case EPIPE: return "der Leser hat die Verbindung beendet";
        case EACCES:
        case EPERM: return "keine Berechtigung";
        default: return std::strerror(fehler);
    }
}

std::string harmlos(std::string_view name) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) < 0xA0 &&
            static_cast<unsigned char>(name[i + 1]) >= 0x80) {
            text += '?';
            ++i;
        } else {
            text += c < 0x20 || c == 0x7F ? '?' : static_cast<char>(c);
        }
    }
    return text;
}
