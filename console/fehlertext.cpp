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
        // What opening a named file meets most: said in German, as every message is.
        case ENOENT: return "Datei oder Verzeichnis nicht gefunden";
        case ENOTDIR: return "ein Teil des Pfades ist kein Verzeichnis";
        case EISDIR: return "das ist ein Verzeichnis";
        case ENAMETOOLONG: return "der Name ist zu lang";
        case EROFS: return "das Dateisystem ist nur lesbar";
        case ELOOP: return "zu viele symbolische Verweise";
        case ENXIO: return "am anderen Ende liest niemand";
        case EMFILE:
        case ENFILE: return "zu viele offene Dateien";
        case EINVAL: return "ungueltiges Argument";
        case EBADF: return "ungueltiger Dateideskriptor";
        case ENOMEM: return "der Speicher reicht nicht aus";
        default: return std::strerror(fehler);
    }
}

namespace {

// The invisible format characters that change what a message shows around them or hide in it:
// U+061C, U+200B to U+200F, U+202A to U+202E, U+2060 to U+2069 and U+FEFF, by their UTF-8 bytes.
std::size_t unsichtbar(std::string_view t, std::size_t i) {
    const auto b = [&](std::size_t k) { return i + k < t.size() ? static_cast<unsigned char>(t[i + k]) : 0u; };
    if (b(0) == 0xD8 && b(1) == 0x9C) return 2;
    if (b(0) == 0xE2 && b(1) == 0x80 && ((b(2) >= 0x8B && b(2) <= 0x8F) || (b(2) >= 0xAA && b(2) <= 0xAE))) return 3;
    if (b(0) == 0xE2 && b(1) == 0x81 && b(2) >= 0xA0 && b(2) <= 0xA9) return 3;
    if (b(0) == 0xEF && b(1) == 0xBB && b(2) == 0xBF) return 3;
    return 0;
}

// The length of the well-formed UTF-8 sequence at t[i], or 0.
std::size_t utf8_laenge(std::string_view t, std::size_t i) {
    const auto b = [&](std::size_t k) { return i + k < t.size() ? static_cast<unsigned char>(t[i + k]) : 0u; };
    const auto folge = [&](std::size_t k, unsigned von = 0x80, unsigned bis = 0xBF) { return b(k) >= von && b(k) <= bis; };
    const unsigned c = b(0);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return folge(1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF)
        return folge(1, c == 0xE0 ? 0xA0 : 0x80, c == 0xED ? 0x9F : 0xBF) && folge(2) ? 3 : 0;
    if (c >= 0xF0 && c <= 0xF4)
        return folge(1, c == 0xF0 ? 0x90 : 0x80, c == 0xF4 ? 0x8F : 0xBF) && folge(2) && folge(3) ? 4 : 0;
    return 0;
}

}  // namespace

std::string harmlos(std::string_view name) {
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        const std::size_t laenge = utf8_laenge(name, i);
        if (laenge == 2 && c == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0) {
            text += '?';
            ++i;
        } else if (const std::size_t n = unsichtbar(name, i); n > 0) {
            text += '?';
            i += n - 1;
        } else if (laenge > 1) {
            text.append(name.substr(i, laenge));
            i += laenge - 1;
        } else {
            // A byte outside any UTF-8 character from 0x80 to 0x9F is a control of its own on a
            // terminal that takes 8-bit controls (0x9B starts a sequence there); one from 0xA0 on
            // is a letter in Latin-1, kept.
            text += c < 0x20 || (c >= 0x7F && c < 0xA0) ? '?' : static_cast<char>(c);
        }
    }
    return text;
}
