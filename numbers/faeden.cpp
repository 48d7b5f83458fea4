#include "numbers/faeden.h"

#include <atomic>
#include <system_error>

namespace {
std::atomic<unsigned> erzwungen{0};
}  // namespace

std::vector<std::thread> arbeiter_anlegen(unsigned n, const std::function<void()>& arbeit) {
    std::vector<std::thread> arbeiter;
    arbeiter.reserve(n);
    try {
        for (unsigned k = 0; k < n; ++k) arbeiter.emplace_back(arbeit);
    } catch (const std::system_error&) {
        // The workers there are do all the pieces.
    }
    return arbeiter;
}

unsigned faeden() {
    const unsigned n = erzwungen.load();
    return n != 0 ? n : erlaubte_cpus();
}

void faeden_setzen(unsigned n) { erzwungen.store(n); }
