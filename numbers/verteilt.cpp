#include "numbers/verteilt.h"
#include "numbers/verteilt_system.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

namespace {
std::atomic<unsigned> erzwungen{0};
}  // namespace

arbeiter arbeiter_vorbereiten(unsigned n) {
    arbeiter a;
    try {
        a.faeden.reserve(n);
    } catch (const std::bad_alloc&) {
    }
    return a;
}

unsigned faeden() {
    const unsigned n = erzwungen.load();
    return n != 0 ? n : erlaubte_cpus();
}

void faeden_setzen(unsigned n) { erzwungen.store(n); }

namespace {

// The pieces between the workers and the calling thread: a ring of slots, each free or holding
// its piece's finished result.
struct ring {
    std::mutex m;
    std::condition_variable fertig_cv;  // a piece is finished
    std::condition_variable frei_cv;    // a slot is free again, or the end has come
    std::vector<char> fertig;
    std::uint64_t ausgegeben = 0;  // the next piece a worker takes
    std::uint64_t abgeholt = 0;    // pieces handed on so far
    bool ende = false;
    std::exception_ptr fehler;     // the first piece that failed (no memory): rethrown by the caller
};

// Stops the workers and waits for them, on every way out of `verteilt`.
struct mannschaft {
    ring& r;
    arbeiter leute;
    ~mannschaft() {
        {
            std::lock_guard<std::mutex> l(r.m);
            r.ende = true;
        }
        r.frei_cv.notify_all();
        arbeiter_warten(leute);
    }
};

unsigned mitarbeiter(std::uint64_t anzahl, unsigned hoechstens) {
    const unsigned cpus = hoechstens != 0 && hoechstens < faeden() ? hoechstens : faeden();
    return anzahl < cpus ? static_cast<unsigned>(anzahl) : cpus;
}

}  // namespace

// Enough slots that no worker waits for the writer while it is busy, few enough to bound the
// memory.
std::size_t verteilt_plaetze(std::uint64_t anzahl, unsigned hoechstens) { return 4 * std::size_t{mitarbeiter(anzahl, hoechstens)}; }

void verteilt_ueber_plaetze(std::uint64_t anzahl, const std::function<void(std::uint64_t, std::size_t)>& rechne,
                            const std::function<bool(std::uint64_t, std::size_t)>& nimm, unsigned hoechstens) {
    if (anzahl == 0) return;
    const unsigned n = mitarbeiter(anzahl, hoechstens);
    const std::size_t plaetze = verteilt_plaetze(anzahl, hoechstens);
    ring r;
    r.fertig.assign(plaetze, 0);
    // The next piece to compute, if the ring has room for it; the caller holds the lock.
    const auto naechstes = [&r, anzahl, plaetze](std::uint64_t& i) {
        if (r.ende || r.ausgegeben >= anzahl || r.ausgegeben >= r.abgeholt + plaetze) return false;
        i = r.ausgegeben++;
        return true;
    };
    // A piece that fails still counts as done, so nobody waits for it; the calling thread then
    // rethrows its failure rather than hand it on, and no exception leaves a worker.
    const auto berechnen = [&r, &rechne, plaetze](std::uint64_t i) {
        std::exception_ptr fehler;
        try {
            rechne(i, i % plaetze);
        } catch (...) {
            fehler = std::current_exception();
        }
        std::lock_guard<std::mutex> l(r.m);
        r.fertig[i % plaetze] = 1;
        if (fehler && !r.fehler) r.fehler = fehler;
    };
    // The calling thread computes too, so with n CPUs n - 1 workers help it. Their work is
    // declared before the team, so it outlives them.
    const std::function<void()> arbeit = [&] {
        for (;;) {
            std::uint64_t i = 0;
            {
                std::unique_lock<std::mutex> l(r.m);
                bool genommen = false;
                r.frei_cv.wait(l, [&] { return r.ende || r.ausgegeben >= anzahl || (genommen = naechstes(i)); });
                if (!genommen) return;
            }
            berechnen(i);
            r.fertig_cv.notify_one();
        }
    };
    mannschaft team{r, {}};
    team.leute = arbeiter_starten(n - 1, arbeit);
    for (std::uint64_t i = 0; i < anzahl; ++i) {
        const std::size_t platz = i % plaetze;
        for (;;) {
            std::uint64_t selbst = 0;
            {
                std::unique_lock<std::mutex> l(r.m);
                if (r.fertig[platz] != 0) break;
                // While the piece to hand on is being computed, compute one further on.
                if (!naechstes(selbst)) {
                    r.fertig_cv.wait(l, [&] { return r.fertig[platz] != 0; });
                    break;
                }
            }
            berechnen(selbst);
        }
        {
            std::lock_guard<std::mutex> l(r.m);
            if (r.fehler) std::rethrow_exception(r.fehler);
        }
        // Handed on outside the lock, so the workers go on meanwhile.
        const bool weiter = nimm(i, platz);
        {
            std::lock_guard<std::mutex> l(r.m);
            r.fertig[platz] = 0;
            r.abgeholt = i + 1;
        }
        r.frei_cv.notify_all();
        if (!weiter) return;
    }
}

void verteilt(std::uint64_t anzahl, unsigned bloecke,
              const std::function<void(std::uint64_t, std::uint64_t*)>& rechne,
              const std::function<bool(std::uint64_t, const std::uint64_t*)>& nimm) {
    if (anzahl == 0) return;
    // Uncleared: every piece writes its own masks, and fresh pages are dear.
    const std::unique_ptr<std::uint64_t[]> masken(new std::uint64_t[verteilt_plaetze(anzahl) * bloecke]);
    verteilt_ueber_plaetze(
        anzahl, [&](std::uint64_t i, std::size_t platz) { rechne(i, masken.get() + platz * bloecke); },
        [&](std::uint64_t i, std::size_t platz) { return nimm(i, masken.get() + platz * bloecke); });
}
