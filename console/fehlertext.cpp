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
