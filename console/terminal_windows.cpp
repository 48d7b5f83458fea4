#include "console/terminal.h"
#include "console/abbruch.h"
#include "console/fehlertext.h"
#include "console/zeilen.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <conio.h>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <io.h>
#include <iterator>
#include <mutex>
#include <string>
#include <windows.h>
#include <shellapi.h>

namespace {

// ---- state of the console -------------------------------------------------------------------

// A progress line now shown, to be blanked by the next, and its text (ASCII), to find it again
// after a resize.
struct statuszeile_stand {
    std::size_t laenge = 0;
    std::string text;
};

// What the process knows about its console. Read by the control handler too, which Windows runs
// on a thread of its own.
struct terminal_zustand {
    bool bildschirm = false;          // stdout is the console
    bool tastatur = false;            // there is a console keyboard for key waits
    UINT codepage = 0;                // the console's output code page at start; 0: untouched
    volatile LONG farbig = 0;         // our colours are on and must be undone
    volatile LONG raeumen = 0;        // the screen is ours (NO_COLOR): cleared at the end
    WORD farben_vorher = 0;           // the console's colours at start
    bool eingabe_konsole = false;     // stdin is the console: read as UTF-16, echoed by it
    bool zeilenanfang = false;        // the cursor is known to stand at the start of a line
    zeilenvorrat vorrat;              // bytes read from stdin beyond the pieces handed out
    int ausgabefehler = 0;            // errno of the write that failed for good; 0: none
    HANDLE konsole = nullptr;         // stdout when it is a console: written as UTF-16
    std::string angefangen;           // the start of a UTF-8 character cut off by the last write
    statuszeile_stand status;         // the dialogue's progress line, on stdout
    statuszeile_stand fehlerkanal_status;  // a command's, on standard error
    bool farblos = false;             // NO_COLOR set and not empty: read once, at start
};

terminal_zustand terminalzustand;

// Set by the tools that must undo something when the process is ended (a half-made file).
std::atomic<void (*)()> aufraeumen{nullptr};

// The control handler runs on a thread of its own: the main thread holds this lock while it writes
// to the console or the list file, and the handler takes it for good before it cleans up, so the
// two never work at the same time. Recursive, as the list file's steps nest.
std::recursive_mutex abbruch;
std::atomic<bool> abbruch_begonnen{false};
// Set by the control handler as it begins: a console read that Ctrl-C ended waits for it.
const HANDLE abbruch_ereignis = CreateEventW(nullptr, TRUE, FALSE, nullptr);

// Blue on bright white, as "color f1" sets it.
constexpr WORD unsere_farben = BACKGROUND_RED | BACKGROUND_GREEN | BACKGROUND_BLUE | BACKGROUND_INTENSITY | FOREGROUND_BLUE;

// Every cell of the console's buffer in `farben`, emptied too with `leeren`, and the cursor at
// the top left then: what "color" and "cls" do, through the console itself. No process is
// started, as the control handler does this while more control events may come.
void konsole_fuellen(WORD farben, bool leeren) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (terminalzustand.konsole == nullptr || !GetConsoleScreenBufferInfo(terminalzustand.konsole, &info)) return;
    const DWORD zellen = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    DWORD n = 0;
    FillConsoleOutputAttribute(terminalzustand.konsole, farben, zellen, COORD{0, 0}, &n);
    if (leeren) {
        FillConsoleOutputCharacterW(terminalzustand.konsole, L' ', zellen, COORD{0, 0}, &n);
        SetConsoleCursorPosition(terminalzustand.konsole, COORD{0, 0});
    }
    SetConsoleTextAttribute(terminalzustand.konsole, farben);
}

// The colours reset and the screen cleared, as the shell had it.
void wiederherstellen() {
    const bool farbig = InterlockedExchange(&terminalzustand.farbig, 0) != 0;
    if (InterlockedExchange(&terminalzustand.raeumen, 0) != 0 || farbig) konsole_fuellen(terminalzustand.farben_vorher, true);
    if (terminalzustand.codepage != 0) {
        SetConsoleOutputCP(terminalzustand.codepage);
        terminalzustand.codepage = 0;
    }
}

// Once the main thread is out of the console and the file, the same clean-up as a signal gets on
// POSIX, then the end with `status`. The lock is never given back.
void aufraeumen_und_enden(UINT status) {
    SetEvent(abbruch_ereignis);
    abbruch.lock();
    if (auto f = aufraeumen.load()) f();
    wiederherstellen();
    TerminateProcess(GetCurrentProcess(), status);
}

// Ctrl-C, Ctrl-Break, closing the window, logging off: ended with the status Windows gives an
// interrupted console program.
BOOL WINAPI bei_strg(DWORD) {
    // A later event (a burst of Ctrl-C) finds the end under way: the first one finishes it.
    if (!abbruch_begonnen.exchange(true)) aufraeumen_und_enden(STATUS_CONTROL_C_EXIT);
    return TRUE;
}

// A crash on any thread (an access violation, or abort after an exception nobody caught) cleans up
// as POSIX does on SIGSEGV and SIGABRT, and ends with the status Windows would have given. A crash
// while the end is under way, the clean-up's own included, ends at once: waiting could be for a
// lock the crashed thread holds.
void absturz(UINT status) {
    if (!abbruch_begonnen.exchange(true)) aufraeumen_und_enden(status);
    TerminateProcess(GetCurrentProcess(), status);
}
LONG WINAPI bei_ausnahme(EXCEPTION_POINTERS* ausnahme) {
    absturz(ausnahme->ExceptionRecord->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}
void bei_abort(int) { absturz(3); }  // abort's own status

// Holds the handler off for as long as it lives.
struct aufgeschoben {
    aufgeschoben() { abbruch.lock(); }
    ~aufgeschoben() { abbruch.unlock(); }
};

bool konsole_tastatur() {
    const HANDLE h = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// UTF-8 as the console's UTF-16.
std::wstring utf16(std::string_view text) {
    const int breit = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(std::max(breit, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), w.data(), breit);
    return w;
}

// A console that re-wraps its lines when narrowed (Windows 10 on) has spread the line drawn
// last over the rows above the cursor, which stands after its last character. Those rows are
// blanked and the line drawn again from the first, but only where they are seen to hold it: a
// console that cut the line instead keeps what is above (the range's prompt).
void umgebrochene_statuszeile_leeren(HANDLE h, statuszeile_stand& stand, const CONSOLE_SCREEN_BUFFER_INFO& info) {
    const std::size_t spalten = static_cast<std::size_t>(info.dwSize.X), laenge = stand.laenge;
    const std::size_t hoeher = laenge / spalten;
    if (hoeher == 0 || hoeher > static_cast<std::size_t>(info.dwCursorPosition.Y)) return;
    const COORD anfang{0, static_cast<SHORT>(info.dwCursorPosition.Y - static_cast<SHORT>(hoeher))};
    std::wstring gezeigt(laenge, L'\0');
    DWORD gelesen = 0;
    if (!ReadConsoleOutputCharacterW(h, gezeigt.data(), static_cast<DWORD>(laenge), anfang, &gelesen) || gelesen != laenge ||
        gezeigt != utf16(stand.text))
        return;
    DWORD gefuellt = 0;
    FillConsoleOutputCharacterW(h, L' ', static_cast<DWORD>((hoeher + 1) * spalten), anfang, &gefuellt);
    SetConsoleCursorPosition(h, anfang);
    stand.laenge = 0;
}

// A progress line drawn in place on the console `h`, over the one drawn there last. Spaces blank
// what that showed: no escape sequences here. Never wrapped: a wrapped line could not be taken
// back from its last row.
std::string statuszeile(HANDLE h, statuszeile_stand& stand, std::string_view zeile) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(h, &info) && info.dwSize.X > 1) {
        const auto breite = static_cast<std::size_t>(info.dwSize.X - 1);
        zeile = zeile.substr(0, std::min(zeile.size(), breite));
        if (stand.laenge > breite) umgebrochene_statuszeile_leeren(h, stand, info);
        stand.laenge = std::min(stand.laenge, breite);
    }
    std::string text(1, '\r');
    text.append(zeile.data(), zeile.size());
    if (stand.laenge > zeile.size()) text.append(stand.laenge - zeile.size(), ' ');
    if (zeile.empty()) text += "\r";
    stand.laenge = zeile.size();
    stand.text.assign(zeile.data(), zeile.size());
    return text;
}

// All of it to the console, which may take a long text in parts.
bool konsole_ganz_schreiben(HANDLE h, const std::wstring& w) {
    for (std::size_t ab = 0; ab < w.size();) {
        DWORD geschrieben = 0;
        const DWORD stueck = static_cast<DWORD>(w.size() - ab < 8192 ? w.size() - ab : 8192);
        if (!WriteConsoleW(h, w.data() + ab, stueck, &geschrieben, nullptr) || geschrieben == 0) return false;
        ab += geschrieben;
    }
    return true;
}

// The console shows UTF-8 passed through the C runtime byte by byte as two Latin-1 letters (under
// wine at least); as UTF-16 it shows every letter right, whatever its code page.
bool konsole_schreiben(std::string_view bytes) {
    std::string text = std::move(terminalzustand.angefangen) + std::string(bytes);
    terminalzustand.angefangen.clear();
    // A character cut off at the end waits for the rest of it.
    std::size_t ganz = text.size();
    for (std::size_t zurueck = 1; zurueck <= 3 && zurueck <= text.size(); ++zurueck) {
        const auto c = static_cast<unsigned char>(text[text.size() - zurueck]);
        if ((c & 0xC0) == 0x80) continue;
        const std::size_t laenge = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (laenge > zurueck) ganz = text.size() - zurueck;
        break;
    }
    terminalzustand.angefangen = text.substr(ganz);
    text.resize(ganz);
    if (text.empty() || konsole_ganz_schreiben(terminalzustand.konsole, utf16(text))) return true;
    terminalzustand.ausgabefehler = EIO;
    return false;
}

// A line from the console as the characters typed (UTF-16, whatever the code pages), as UTF-8 with
// "\n" line ends, as redirected input is taken. A line that starts with Ctrl-Z ends the input, as
// it does in text mode. 0 at the end of input, -1 on an error, -2 where Ctrl-C ended the read.
int konsole_lesen(char* ziel, std::size_t platz) {
    wchar_t w[4096];
    DWORD n = 0;
    // At most a quarter of `platz` characters: each takes at most three bytes in UTF-8 (a
    // surrogate pair four for two).
    const DWORD hoechstens = static_cast<DWORD>(std::min<std::size_t>(std::size(w), platz / 4));
    const BOOL gelesen = ReadConsoleW(GetStdHandle(STD_INPUT_HANDLE), w, hoechstens, &n, nullptr);
    if (n == 0 && GetLastError() == ERROR_OPERATION_ABORTED) return -2;
    if (!gelesen) return -1;
    if (n == 0 || w[0] == 0x1A) return 0;
    std::size_t laenge = n;
    // CR LF as LF, as the C runtime's text mode gives it.
    std::size_t k = 0;
    for (std::size_t i = 0; i < laenge; ++i)
        if (!(w[i] == L'\r' && i + 1 < laenge && w[i + 1] == L'\n')) w[k++] = w[i];
    laenge = k;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(laenge), ziel, static_cast<int>(platz), nullptr, nullptr);
    return bytes > 0 ? bytes : -1;
}

// ---- the device -----------------------------------------------------------------------------

struct windows_konsole final : geraet {
    bool zeile_lesen(std::string& zeile) override {
        for (;;) {
            if (stueck_nehmen(terminalzustand.vorrat, zeile)) return true;
            if (terminalzustand.vorrat.zu_ende) return false;
            char stueck[1 << 14];
            const int n = terminalzustand.eingabe_konsole ? konsole_lesen(stueck, sizeof stueck)
                                            : _read(0, stueck, sizeof stueck);  // text mode: CR LF arrives as LF
            // Only a line typed after its prompt, and echoed by the console, ends on a line's start.
            terminalzustand.zeilenanfang = terminalzustand.eingabe_konsole && n > 0 && stueck[n - 1] == '\n';
            if (n <= 0) {
                // Ctrl-C ends a console read as if input had ended, and the handler starts on
                // its thread a moment later: it, not the end of input, ends the program then.
                if (n == -2) WaitForSingleObject(abbruch_ereignis, INFINITE);
                if (abbruch_begonnen.load()) Sleep(INFINITE);
                terminalzustand.vorrat.zu_ende = true;
            } else {
                nachfuellen(terminalzustand.vorrat, stueck, static_cast<std::size_t>(n));
            }
        }
    }

    bool ausgeben(std::string_view bytes) override {
        const aufgeschoben sperre;
        terminalzustand.zeilenanfang = !bytes.empty() && bytes.back() == '\n';
        if (terminalzustand.konsole != nullptr) return konsole_schreiben(bytes);
        while (!bytes.empty()) {
            const int n = _write(1, bytes.data(), static_cast<unsigned>(bytes.size()));
            if (n <= 0) {
                terminalzustand.ausgabefehler = n < 0 && errno != 0 ? errno : EIO;
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    // A key that sends two codes (arrows, function keys) arrives as 0 or 0xE0 and a second code.
    // Ctrl-C arrives here as a key (the console does not process it while a key is awaited): it
    // ends the program as it does anywhere else.
    void taste() override {
        if (!terminalzustand.tastatur) return;
        const int c = _getch();
        if (c == 3) {
            bei_strg(CTRL_C_EVENT);
            Sleep(INFINITE);  // another event's handler is ending the program
        }
        if (c == 0 || c == 0xE0) _getch();
    }

    void farben_an() override {
        if (terminalzustand.konsole == nullptr) return;
        const aufgeschoben sperre;
        // Without colours the screen is still cleared at the end.
        if (terminalzustand.farblos) {
            terminalzustand.raeumen = 1;
            return;
        }
        terminalzustand.farbig = 1;  // first: a handler resets colours that are not on yet without harm
        konsole_fuellen(unsere_farben, false);
    }

    void loeschen() override {
        const aufgeschoben sperre;
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (terminalzustand.konsole != nullptr && GetConsoleScreenBufferInfo(terminalzustand.konsole, &info)) konsole_fuellen(info.wAttributes, true);
    }

    void status(std::string_view zeile) override {
        const aufgeschoben sperre;
        if (terminalzustand.konsole == nullptr || !terminalzustand.zeilenanfang) return;
        konsole_schreiben(statuszeile(terminalzustand.konsole, terminalzustand.status, zeile));
    }
};

windows_konsole konsole;

}  // namespace

geraet& terminal_oeffnen() {
    const char* ohne_farbe = std::getenv("NO_COLOR");
    terminalzustand.farblos = ohne_farbe != nullptr && *ohne_farbe != '\0';
    terminalzustand.bildschirm = _isatty(1) != 0;
    terminalzustand.tastatur = konsole_tastatur();
    if (terminalzustand.bildschirm) {
        // For anything else that writes bytes to the console: the texts' ä and ü are UTF-8.
        terminalzustand.codepage = GetConsoleOutputCP();
        SetConsoleOutputCP(CP_UTF8);
        DWORD modus = 0;
        const HANDLE aus = GetStdHandle(STD_OUTPUT_HANDLE);
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (aus != INVALID_HANDLE_VALUE && GetConsoleMode(aus, &modus)) terminalzustand.konsole = aus;
        if (terminalzustand.konsole != nullptr && GetConsoleScreenBufferInfo(aus, &info)) terminalzustand.farben_vorher = info.wAttributes;
        else terminalzustand.farben_vorher = FOREGROUND_RED | FOREGROUND_GREEN | FOREGROUND_BLUE;
    }
    abbruch_einrichten();
    return konsole;
}

int terminal_schliessen() {
    // Held for good: a handler that starts now waits, and one under way ends the program itself.
    abbruch.lock();
    wiederherstellen();
    if (terminalzustand.ausgabefehler == 0) return 0;
    if (terminalzustand.ausgabefehler != EPIPE) {
        const std::string meldung =
            std::string(ausgabe_fehlgeschlagen) + fehlergrund(terminalzustand.ausgabefehler) + "\n";
        _write(2, meldung.data(), static_cast<unsigned>(meldung.size()));
    }
    return 1;
}

void beim_abbruch(void (*f)()) { aufraeumen.store(f); }

void abbruch_aufschieben() { abbruch.lock(); }
void abbruch_zulassen() { abbruch.unlock(); }

void abbruch_einrichten() {
    DWORD modus = 0;
    const HANDLE ein = GetStdHandle(STD_INPUT_HANDLE);
    terminalzustand.eingabe_konsole = ein != INVALID_HANDLE_VALUE && ein != nullptr && GetConsoleMode(ein, &modus);
    SetConsoleCtrlHandler(bei_strg, TRUE);
    SetUnhandledExceptionFilter(bei_ausnahme);
    std::signal(SIGABRT, bei_abort);
}

long long standardeingabe_lesen(char* ziel, std::size_t platz) {
    // A console's characters as typed, whatever the code page; anything else as bytes.
    if (terminalzustand.eingabe_konsole) {
        const int n = konsole_lesen(ziel, platz);
        if (n == -2) {
            WaitForSingleObject(abbruch_ereignis, INFINITE);  // Ctrl-C: its handler ends the command
            Sleep(INFINITE);
        }
        return n;
    }
    for (;;) {
        const int n = _read(0, ziel, static_cast<unsigned>(std::min<std::size_t>(platz, 1 << 30)));
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool standardeingabe_bereit() {
    const HANDLE ein = GetStdHandle(STD_INPUT_HANDLE);
    const DWORD art = GetFileType(ein);
    if (art == FILE_TYPE_DISK) return true;
    DWORD da = 0;
    return art == FILE_TYPE_PIPE && PeekNamedPipe(ein, nullptr, 0, nullptr, &da, nullptr) && da > 0;
}

void leser_weg_beenden() {}

void fehlerkanal_status(std::string_view zeile) {
    const HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(h, &info)) direkt_ausgeben(2, statuszeile(h, terminalzustand.fehlerkanal_status, zeile));
}

// A console holds every write back while the user selects text in it (a click into the window
// starts one): the line is left out then. A console cannot say whether it is paused otherwise.
// Wine has no such selection, and its GetConsoleSelectionInfo ends the process: it is not asked.
void fehlerkanal_status_ohne_warten(std::string_view zeile) {
    static const bool unter_wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    CONSOLE_SELECTION_INFO auswahl{};
    if (!zeile.empty() && !unter_wine && GetConsoleSelectionInfo(&auswahl) &&
        (auswahl.dwFlags & CONSOLE_SELECTION_IN_PROGRESS) != 0)
        return;
    fehlerkanal_status(zeile);
}

std::vector<std::string> argumente_utf8(int argc, char** argv) {
    int anzahl = 0;
    LPWSTR* breit = CommandLineToArgvW(GetCommandLineW(), &anzahl);
    if (breit == nullptr || anzahl != argc) {
        if (breit != nullptr) LocalFree(breit);
        return {argv, argv + argc};
    }
    std::vector<std::string> argumente;
    for (int i = 0; i < anzahl; ++i) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, breit[i], -1, nullptr, 0, nullptr, nullptr);
        std::string wort(static_cast<std::size_t>(std::max(n, 1)), '\0');
        WideCharToMultiByte(CP_UTF8, 0, breit[i], -1, wort.data(), n, nullptr, nullptr);
        wort.resize(wort.size() - 1);  // the terminating NUL
        argumente.push_back(std::move(wort));
    }
    LocalFree(breit);
    return argumente;
}

namespace {

// The reason of a failed write as the C library names it, for the message.
void fehler_merken() {
    const DWORD grund = GetLastError();
    // A pipe whose reader has gone: ERROR_NO_DATA on Windows, ERROR_PIPE_NOT_CONNECTED under wine.
    errno = grund == ERROR_BROKEN_PIPE || grund == ERROR_NO_DATA || grund == ERROR_PIPE_NOT_CONNECTED ? EPIPE
            : grund == ERROR_DISK_FULL || grund == ERROR_HANDLE_DISK_FULL ? ENOSPC : EIO;
}

}  // namespace

bool standardausgabe_ist_terminal() {
    DWORD modus = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &modus) != 0;
}

bool direkt_ausgeben(int kanal, std::string_view text) {
    const HANDLE h = GetStdHandle(kanal == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (h == INVALID_HANDLE_VALUE || h == nullptr) {
        errno = EBADF;
        return false;
    }
    DWORD modus = 0;
    if (GetConsoleMode(h, &modus)) {
        if (konsole_ganz_schreiben(h, utf16(text))) return true;
        fehler_merken();
        return false;
    }
    while (!text.empty()) {
        DWORD geschrieben = 0;
        if (!WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &geschrieben, nullptr) || geschrieben == 0) {
            fehler_merken();
            return false;
        }
        text.remove_prefix(geschrieben);
    }
    return true;
}
