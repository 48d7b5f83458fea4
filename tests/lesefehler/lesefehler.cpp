// Preloaded into the program under test (LD_PRELOAD) by the rows that need a read of standard
// input to fail midway, as a disk or a network file system can: once ZIFFERON_LESEFEHLER_NACH
// bytes of it have been read, every further read fails with EIO.
#include <dlfcn.h>
#include <errno.h>
#include <unistd.h>

#include <cstdlib>

extern "C" ssize_t read(int fd, void* ziel, size_t platz) {
    static auto echt = reinterpret_cast<ssize_t (*)(int, void*, size_t)>(dlsym(RTLD_NEXT, "read"));
    static const char* const wert = std::getenv("ZIFFERON_LESEFEHLER_NACH");
    static long rest = wert != nullptr ? std::strtol(wert, nullptr, 10) : -1;
    if (fd != STDIN_FILENO || rest < 0) return echt(fd, ziel, platz);
    if (rest == 0) {
        errno = EIO;
        return -1;
    }
    const ssize_t n = echt(fd, ziel, platz < static_cast<size_t>(rest) ? platz : static_cast<size_t>(rest));
    if (n > 0) rest -= n;
    return n;
}
