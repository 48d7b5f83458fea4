// What appending to the list file needs of the operating system. Each platform's half lives in
// its own file; every call here may be made from the clean-up after a signal (POSIX) or from the
// console's control handler (Windows), so the POSIX half uses only async-signal-safe calls where
// the comment says so.
#pragma once

#include <cstddef>
#include <string>

namespace sys {

// How a missing file is opened: not at all, only as a new one, or also through a link that
// points to a missing file (where nobody can tell who created it).
enum class anlegen { nicht, neu, auch };

// Lines end here in "\n" (POSIX) or "\r\n" (Windows); the spool holds "\n" and is converted on
// the way out, so every byte written is counted as it lands.
extern const char* const zeilenende;

long long schreiben(int fd, const char* p, std::size_t n);      // signal-safe
long long lesen(int fd, char* p, std::size_t n);
long long lesen_an(int fd, char* p, std::size_t n, long long ab);  // signal-safe; does not move
bool zurueckspulen(int fd);
long long groesse(int fd);                                       // signal-safe; -1: unknown
long long stelle(int fd);                                        // signal-safe; the fd's offset
bool kuerzen(int fd, long long laenge);                          // signal-safe
// Gives back the disk blocks and cached pages of `laenge` bytes from `ab` of a file read once,
// which keeps its size. False where the system cannot; nothing is lost then.
bool freigeben(int fd, long long ab, long long laenge);
bool schliessen(int fd);                                         // signal-safe

// An unlinked temporary file: in TMPDIR, or in the system's own directory for temporary files
// (`system`). -1 if it cannot be made; `ordner_gleich` is set where both are the same.
int spooldatei(bool system, bool& ordner_gleich);

int oeffnen(const char* pfad, anlegen wie);
// A second descriptor on the file `fd` names, for reading; -1 where it cannot be read.
int lesend_oeffnen(int fd, const char* pfad);
bool ist_regulaer(int fd);
// The bytes the file may still grow by before a limit or the disk stops it; -1: unknown. Sets
// errno to what would stop it: EFBIG for the limit on a file's size, else ENOSPC.
long long platz(int fd);

bool sperre_versuchen(int fd, bool& unterstuetzt);               // signal-safe
void entsperren(int fd);
// The name still names the file `fd` is open on.
bool noch_derselbe(int fd, const char* pfad);                    // signal-safe
// Closes `fd` and removes `pfad` if it is still that file, and empty.
void leere_entfernen(int fd, const char* pfad);                  // signal-safe

// For a name that is a link (or a chain of links) to a file that does not exist: the path that
// opening it would create. False otherwise.
bool verweisziel(const std::string& pfad, std::string& ziel);

}  // namespace sys
