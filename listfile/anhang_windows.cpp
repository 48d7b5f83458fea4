#include "listfile/anhang_system.h"

#include <cerrno>
#include <climits>
#include <iterator>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

namespace sys {

// Windows programs expect CR LF; the file is written in binary mode with it spelled out.
const char* const zeilenende = "\r\n";

namespace {
HANDLE griff(int fd) { return reinterpret_cast<HANDLE>(_get_osfhandle(fd)); }
}  // namespace

long long schreiben(int fd, const char* p, std::size_t n) {
    return _write(fd, p, static_cast<unsigned>(n > (1u << 30) ? (1u << 30) : n));
}
long long lesen(int fd, char* p, std::size_t n) { return _read(fd, p, static_cast<unsigned>(n)); }
long long lesen_an(int fd, char* p, std::size_t n, long long ab) {
    OVERLAPPED ov{};
    ov.Offset = static_cast<DWORD>(ab);
    ov.OffsetHigh = static_cast<DWORD>(ab >> 32);
    DWORD gelesen = 0;
    if (!ReadFile(griff(fd), p, static_cast<DWORD>(n), &gelesen, &ov)) return -1;
    return gelesen;
}
bool zurueckspulen(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }
long long groesse(int fd) { return _filelengthi64(fd); }
long long stelle(int fd) { return _telli64(fd); }
bool kuerzen(int fd, long long laenge) { return _chsize_s(fd, laenge) == 0; }
// A spool file is not sparse here; its pages go when it is closed.
bool freigeben(int, long long, long long) { return false; }
bool schliessen(int fd) { return _close(fd) == 0; }

int spooldatei(bool system, bool& ordner_gleich) {
    // GetTempPath already falls back from TMP to TEMP to the Windows directory.
    ordner_gleich = true;
    if (system) return -1;
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

namespace {
// Names are UTF-8 inside, as on POSIX; Windows takes them as UTF-16, whatever the code pages. A
// name that is no valid UTF-8, or too long, names no file. Into a buffer, as the control handler
// removes files too.
struct breiter_name {
    wchar_t w[1100];
    bool ok;
    explicit breiter_name(const char* pfad)
        : ok(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, pfad, -1, w, static_cast<int>(std::size(w))) > 0) {
        if (!ok) errno = EINVAL;
    }
};
}  // namespace

int oeffnen(const char* pfad, anlegen wie) {
    int fd = -1;
    const breiter_name name(pfad);
    if (!name.ok) return -1;
    const int art = _O_WRONLY | _O_APPEND | _O_BINARY | _O_NOINHERIT |
                    (wie == anlegen::neu ? _O_CREAT | _O_EXCL : wie == anlegen::auch ? _O_CREAT : 0);
    _wsopen_s(&fd, name.w, art, _SH_DENYNO, _S_IREAD | _S_IWRITE);
    return fd;
}

// An open file cannot be replaced under us here, so the name names the same file.
int lesend_oeffnen(int, const char* pfad) {
    int fd = -1;
    const breiter_name name(pfad);
    if (name.ok) _wsopen_s(&fd, name.w, _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
    return fd;
}

bool ist_regulaer(int fd) { return GetFileType(griff(fd)) == FILE_TYPE_DISK; }

long long platz(int) {
    errno = ENOSPC;
    return LLONG_MAX;
}

namespace {
// Windows locks are mandatory: one byte far beyond any real content serves as the listings'
// mutex, so readers of the file are never blocked by it.
OVERLAPPED sperrbereich() {
    OVERLAPPED ov{};
    ov.Offset = 0xFFFFFFFFu;
    ov.OffsetHigh = 0x7FFFFFFFu;
    return ov;
}
}  // namespace

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

// An open file cannot be deleted from under another process here.
bool noch_derselbe(int, const char*) { return true; }

// A file still open cannot be deleted: close it first.
void leere_entfernen(int fd, const char* pfad) {
    const bool leer = groesse(fd) == 0;
    _close(fd);
    const breiter_name name(pfad);
    if (leer && name.ok) DeleteFileW(name.w);
}

bool verweisziel(const std::string&, std::string&) { return false; }

}  // namespace sys
