// What the program costs beyond its arithmetic: each benchmark runs the program's path and a bare
// loop of the same arithmetic in the same iteration and reports their throughput ratio
// ("Verhaeltnis" = bare time / program time; 1.0 means the program adds nothing).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/decke.h"

#include "console/geraet.h"
#include "console/konsole.h"
#include "numbers/verteilt.h"
#include "numbers/kernels/kerne.h"
#include "shell/lister.h"
#include "numbers/primzahl.h"
#include "numbers/teiler.h"
#include "shell/teilbarkeit.h"

namespace {

using uhr = std::chrono::steady_clock;

// ---- the bare arithmetic, written out here -------------------------------------------------------

bool nackt_prim(std::uint32_t zahl) {
    std::uint32_t i = 1;
    std::uint32_t ergebnis = 1;
    const auto buffer = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(zahl)));
    const std::uint32_t lz = zahl % 10;
    if (lz == 0 || lz == 2 || lz == 4 || lz == 5 || lz == 6 || lz == 8) ergebnis = 0;
    while (ergebnis != 0) {
        i += 2;
        ergebnis = zahl % i;
        if (i > buffer) return true;
    }
    return false;
}

std::uint32_t nackt_primzahlen(std::uint32_t start, std::uint32_t anzahl) {
    std::uint32_t pz = 0;
    for (std::uint32_t x = 0; x < anzahl; ++x) pz += nackt_prim(start + x);
    return pz;
}

std::uint32_t nackt_teiler(std::uint32_t zahl) {
    std::uint32_t gefunden = 0;
    for (std::uint32_t i = zahl; i != 0; --i) gefunden += zahl % i == 0;
    return gefunden;
}

// ---- a terminal that feeds one entry and writes the screen to a file descriptor ------------------

struct senke final : geraet {
    senke(std::string eingabe, int fd) : rest(std::move(eingabe)), fd(fd) {}
    bool zeile_lesen(std::string& zeile) override {
        if (rest.empty()) return false;
        zeile.swap(rest);
        rest.clear();
        return true;
    }
    bool ausgeben(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t n = write(fd, bytes.data(), bytes.size());
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    void taste() override {}
    void farben_an() override {}
    void loeschen() override {}
    std::string rest;
    int fd;
};

void dialog(void (*werkzeug)(), const std::string& eingabe, int fd) {
    senke s(eingabe, fd);
    konsole_einsetzen(s);
    werkzeug();
    anzeigen();
}

// Times both sides in every iteration, in alternating order, and reports the program's time.
template <class Programm, class Nackt>
void vergleichen(benchmark::State& state, Programm programm, Nackt nackt) {
    double zeit_programm = 0;
    double zeit_nackt = 0;
    bool programm_zuerst = false;
    for (auto _ : state) {
        programm_zuerst = !programm_zuerst;
        const auto messen = [](auto&& arbeit) {
            const auto a = uhr::now();
            arbeit();
            return std::chrono::duration<double>(uhr::now() - a).count();
        };
        double p = 0, n = 0;
        if (programm_zuerst) p = messen(programm), n = messen(nackt);
        else n = messen(nackt), p = messen(programm);
        zeit_programm += p;
        zeit_nackt += n;
        state.SetIterationTime(p);
    }
    state.counters["Nackt_ms"] = benchmark::Counter(zeit_nackt * 1e3 / static_cast<double>(state.iterations()));
    state.counters["Verhaeltnis"] = zeit_nackt / zeit_programm;
}

// ---- the benchmarks ------------------------------------------------------------------------------

// The benchmarks below run with the kernel level given as their first argument (at most what the
// CPU has; the names below, for the argument the library counts them by); and where there is a
// second, on that many threads (0: one per CPU the process may use, as the program does). The bare
// loop always runs on one core.
constexpr long PORTABEL = static_cast<long>(kernstufe::portabel), SSE2 = static_cast<long>(kernstufe::sse2),
               AVX2 = static_cast<long>(kernstufe::avx2), AVX512 = static_cast<long>(kernstufe::avx512);
struct stufe_setzen {
    explicit stufe_setzen(benchmark::State& state, bool mit_faeden = false) {
        const auto gewuenscht = static_cast<kernstufe>(state.range(0));
        if (kern_begrenzen(gewuenscht) != gewuenscht) state.SkipWithError("kernel not supported by this CPU");
        if (!mit_faeden) return;
        faeden_setzen(static_cast<unsigned>(state.range(1)));
        state.counters["Faeden"] = faeden();
    }
    ~stufe_setzen() {
        kern_begrenzen(hoechste_kernstufe);
        faeden_setzen(0);
    }
};

void Primtest_Schlimmster(benchmark::State& state) {
    const stufe_setzen stufe(state);
    std::uint32_t zahl = 4294967291u;  // the largest 32-bit prime: 32768 divisions
    vergleichen(
        state, [&] { for (int k = 0; k < 1000; ++k) benchmark::DoNotOptimize(primtest(zahl)), benchmark::ClobberMemory(); },
        [&] { for (int k = 0; k < 1000; ++k) benchmark::DoNotOptimize(nackt_prim(zahl)), benchmark::ClobberMemory(); });
}

void Primtest_Gemischt(benchmark::State& state) {
    const stufe_setzen stufe(state);
    const std::uint32_t start = 4000000000u;
    vergleichen(
        state,
        [&] {
            std::uint32_t pz = 0;
            for (std::uint32_t x = 0; x < 20000; ++x) pz += primtest(start + x) == urteil::prim;
            benchmark::DoNotOptimize(pz);
        },
        [&] { benchmark::DoNotOptimize(nackt_primzahlen(start, 20000)); });
}

void Teilbarkeit_1000000007(benchmark::State& state) {
    const stufe_setzen stufe(state, true);
    const int null = open("/dev/null", O_WRONLY);
    vergleichen(
        state, [&] { dialog(teilbarkeit, "1000000007\n", null); },
        [&] { benchmark::DoNotOptimize(nackt_teiler(1000000007u)); });
    close(null);
}

void Teilbarkeit_100000007(benchmark::State& state) {
    const stufe_setzen stufe(state);
    const int null = open("/dev/null", O_WRONLY);
    vergleichen(
        state, [&] { dialog(teilbarkeit, "100000007\n", null); },
        [&] { benchmark::DoNotOptimize(nackt_teiler(100000007u)); });
    close(null);
}

// One million numbers from 4000000000: the lister's whole dialogue, primes to the screen.
void Lister_Bildschirm(benchmark::State& state) {
    const stufe_setzen stufe(state);
    const int null = open("/dev/null", O_WRONLY);
    vergleichen(
        state, [&] { dialog(primzahllister, "1 4000000000 1000000\n", null); },
        [&] { benchmark::DoNotOptimize(nackt_primzahlen(4000000000u, 1000000)); });
    close(null);
}

// A run appended to a file, removed again after each iteration.
void in_datei(benchmark::State& state, std::uint32_t start, std::uint32_t anzahl, bool mit_faeden = false) {
    const stufe_setzen stufe(state, mit_faeden);
    char ordner[] = "/tmp/zifferon-bench-XXXXXX";
    if (mkdtemp(ordner) == nullptr) return state.SkipWithError("mkdtemp");
    const std::string name = std::string(ordner) + "/liste";
    const std::string eingabe = "2 " + name + " " + std::to_string(start) + " " + std::to_string(anzahl) + "\n";
    const int null = open("/dev/null", O_WRONLY);
    vergleichen(
        state,
        [&] {
            dialog(primzahllister, eingabe, null);
            unlink((name + ".txt").c_str());
        },
        [&] { benchmark::DoNotOptimize(nackt_primzahlen(start, anzahl)); });
    close(null);
    rmdir(ordner);
}

// The same run as on the screen, into a file.
void Lister_Datei(benchmark::State& state) { in_datei(state, 4000000000u, 1000000, true); }

// Ten million from 4e9 into a file: the run the lister's ratios are stated for.
void Lister_Datei_1e7(benchmark::State& state) { in_datei(state, 4000000000u, 10000000, true); }

// One million numbers from 6 into a file: small numbers, most with a small divisor.
void Lister_Datei_ab_6(benchmark::State& state) { in_datei(state, 6, 1000000); }

// All CPUs against one: the same run with one thread as the other side (Verhaeltnis = time on one
// thread / time on all).
void mit_allen_und_einem(benchmark::State& state, const std::string& eingabe, void (*werkzeug)()) {
    const stufe_setzen stufe(state);
    state.counters["Faeden"] = faeden();
    const int null = open("/dev/null", O_WRONLY);
    vergleichen(
        state, [&] { dialog(werkzeug, eingabe, null); },
        [&] {
            faeden_setzen(1);
            dialog(werkzeug, eingabe, null);
            faeden_setzen(0);
        });
    close(null);
}

void Kerne_Lister_Datei_1e7(benchmark::State& state) {
    char ordner[] = "/tmp/zifferon-bench-XXXXXX";
    if (mkdtemp(ordner) == nullptr) return state.SkipWithError("mkdtemp");
    const std::string name = std::string(ordner) + "/liste";
    mit_allen_und_einem(state, "2 " + name + " 4000000000 10000000\n", primzahllister);
    std::filesystem::remove_all(ordner);
}

void Kerne_Teilbarkeit_4294967291(benchmark::State& state) {
    mit_allen_und_einem(state, "4294967291\n", teilbarkeit);
}

// The whole top of the range, 4000000000..4294967295, into a file on every CPU: wall time only
// (the bare loop would take half an hour).
void Lister_Oberster_Bereich(benchmark::State& state) {
    const stufe_setzen stufe(state);
    state.counters["Faeden"] = faeden();
    char ordner[] = "/tmp/zifferon-bench-XXXXXX";
    if (mkdtemp(ordner) == nullptr) return state.SkipWithError("mkdtemp");
    const std::string name = std::string(ordner) + "/liste";
    const int null = open("/dev/null", O_WRONLY);
    for (auto _ : state) {
        dialog(primzahllister, "2 " + name + " 4000000000 294967296\n", null);
        unlink((name + ".txt").c_str());
    }
    close(null);
    std::filesystem::remove_all(ordner);
}

// Program start to the first menu: the binary started without a terminal and with no input, so it
// shows the menu, meets the end of input and ends.
void Start_bis_Menue(benchmark::State& state) {
    for (auto _ : state) {
        const pid_t kind = fork();
        if (kind == 0) {
            setsid();
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            execl(ZIFFERON_BINARY, "zifferon", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(kind, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) state.SkipWithError("zifferon failed");
    }
}

// ---- the commands, the real binary through the shell --------------------------------------------

// Wall time of one shell command line, with $Z the binary; false if it failed.
bool shell_zeit(const std::string& zeile, double& sekunden) {
    const auto a = uhr::now();
    const pid_t kind = fork();
    if (kind == 0) {
        setenv("Z", ZIFFERON_BINARY, 1);
        execl("/bin/sh", "sh", "-c", zeile.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(kind, &status, 0);
    sekunden = std::chrono::duration<double>(uhr::now() - a).count();
    return WIFEXITED(status) && WEXITSTATUS(status) <= 1;
}

// A command line against a reference line in the same iteration, alternating: "Faktor" is the
// command's time over the reference's (the targets: at most 3 and at most 1).
void befehl_gegen(benchmark::State& state, const std::string& befehl, const std::string& bezug) {
    double zeit_befehl = 0, zeit_bezug = 0;
    bool zuerst = false;
    for (auto _ : state) {
        double b = 0, r = 0;
        zuerst = !zuerst;
        const bool gut = zuerst ? shell_zeit(befehl, b) && shell_zeit(bezug, r) : shell_zeit(bezug, r) && shell_zeit(befehl, b);
        if (!gut) return state.SkipWithError("command failed");
        zeit_befehl += b;
        zeit_bezug += r;
        state.SetIterationTime(b);
    }
    state.counters["Bezug_ms"] = benchmark::Counter(zeit_bezug * 1e3 / static_cast<double>(state.iterations()));
    state.counters["Faktor"] = zeit_befehl / zeit_bezug;
}

// Numbers from a pipe, tested in batches on every CPU, against counting the same run.
void Befehl_Prim_aus_Pipe(benchmark::State& state) {
    befehl_gegen(state, "seq 4000000000 4000999999 | \"$Z\" prim > /dev/null", "\"$Z\" primzahlen 4000000000 1000000 --anzahl > /dev/null");
}

// The top of the range to standard output against the dialogue's listing of it into a file.
void Befehl_Primzahlen_Oberster_Bereich(benchmark::State& state) {
    char ordner[] = "/tmp/zifferon-bench-XXXXXX";
    if (mkdtemp(ordner) == nullptr) return state.SkipWithError("mkdtemp");
    const std::string o = ordner;
    befehl_gegen(state, "\"$Z\" primzahlen 4000000000 > " + o + "/befehl",
                 "rm -f " + o + "/liste.txt; printf '3\n2\n" + o + "/liste\n4000000000\n294967296\n5\n' | setsid \"$Z\" > /dev/null");
    std::filesystem::remove_all(ordner);
}

// ---- the commands beside the tools a script would otherwise use ---------------------------------
// Each peer where it is installed (Debian: primesieve, bsdgames for primes, coreutils for factor),
// skipped where not; side by side in the same iteration, on the same cores.

bool vorhanden(const std::string& programm) {
    double egal = 0;
    return shell_zeit("command -v " + programm + " > /dev/null || exit 2", egal);
}

// Counting the primes below 2^32 (203280221), primesieve with as many threads as we use.
void Peer_Anzahl_Ganzer_Bereich(benchmark::State& state) {
    if (!vorhanden("primesieve")) return state.SkipWithError("primesieve not installed");
    befehl_gegen(state, "\"$Z\" primzahlen 0 --anzahl > /dev/null", "primesieve 4294967295 -q -t \"$(nproc)\" > /dev/null");
}

// The top range into a file, against primesieve and primes(6), the files byte for byte the same.
void oberster_bereich_gegen(benchmark::State& state, const std::string& peer, const std::string& bezug) {
    if (!vorhanden(peer)) return state.SkipWithError((peer + " not installed").c_str());
    char ordner[] = "/tmp/zifferon-bench-XXXXXX";
    if (mkdtemp(ordner) == nullptr) return state.SkipWithError("mkdtemp");
    const std::string o = ordner;
    befehl_gegen(state, "\"$Z\" primzahlen 4000000000 > " + o + "/befehl", bezug + " > " + o + "/bezug");
    double egal = 0;
    if (!shell_zeit("cmp -s " + o + "/befehl " + o + "/bezug || exit 2", egal)) state.SkipWithError("the files differ");
    std::filesystem::remove_all(ordner);
}
void Peer_Oberster_Bereich_primesieve(benchmark::State& state) {
    oberster_bereich_gegen(state, "primesieve", "primesieve 4000000000 4294967295 -p");
}
void Peer_Oberster_Bereich_primes(benchmark::State& state) {
    oberster_bereich_gegen(state, "/usr/games/primes", "/usr/games/primes 4000000000 4294967296");
}

// The whole range, 2.2 GB, appended with the list file's machinery against the same to standard output.
void Befehl_Datei_Ganzer_Bereich(benchmark::State& state) {
    char ordner[] = "/tmp/zifferon-bench-XXXXXX";
    if (mkdtemp(ordner) == nullptr) return state.SkipWithError("mkdtemp");
    const std::string o = ordner;
    befehl_gegen(state, "rm -f " + o + "/f; \"$Z\" primzahlen 6 4294967290 --datei " + o + "/f",
                 "\"$Z\" primzahlen 6 4294967290 > " + o + "/g");
    std::filesystem::remove_all(ordner);
}

// The divisors of a million small numbers against factor's prime factors of them; with argument
// 1 both on one core, as factor uses one.
void Peer_Teiler_Million(benchmark::State& state) {
    if (!vorhanden("factor")) return state.SkipWithError("factor not installed");
    const std::string kern = state.range(0) == 1 ? "taskset -c 0 " : "";
    if (!kern.empty() && !vorhanden("taskset")) return state.SkipWithError("taskset not installed");
    befehl_gegen(state, "seq 1 1000000 | " + kern + "\"$Z\" teiler > /dev/null", "seq 1 1000000 | " + kern + "factor > /dev/null");
}

// 50 numbers just below 2^32, the slowest to factor (the target: under 10 ms).
void Peer_Teiler_50_Oben(benchmark::State& state) {
    if (!vorhanden("factor")) return state.SkipWithError("factor not installed");
    befehl_gegen(state, "seq 4294967246 4294967295 | \"$Z\" teiler > /dev/null", "seq 4294967246 4294967295 | factor > /dev/null");
}

// Start to the answer: the whole run of `zifferon prim 97`, started directly (the target: 5 ms).
void Befehl_Prim_97(benchmark::State& state) {
    for (auto _ : state) {
        const auto a = uhr::now();
        const pid_t kind = fork();
        if (kind == 0) {
            const int null = open("/dev/null", O_RDWR);
            dup2(null, STDOUT_FILENO);
            execl(ZIFFERON_BINARY, "zifferon", "prim", "97", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(kind, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return state.SkipWithError("zifferon prim 97 failed");
        state.SetIterationTime(std::chrono::duration<double>(uhr::now() - a).count());
    }
}

// ---- the dialogue's kernels as a share of the vector units' ceiling (bench/decke.h) ---------------

// Lanes per second of the pair on the best vector unit this machine has; 0 where none is written.
double decke_messen(bool mit_mul) {
#if defined(ZIFFERON_DECKE_AVX512)
    if (__builtin_cpu_supports("avx512f")) return decke_avx512(mit_mul);
#endif
#if defined(ZIFFERON_DECKE_AVX2)
    if (__builtin_cpu_supports("avx2")) return decke_avx2(mit_mul);
#endif
#if defined(ZIFFERON_DECKE_NEON)
    return decke_neon(mit_mul);
#endif
    static_cast<void>(mit_mul);
    return 0;
}

// Runs `lauf` on one thread and reports the ceiling, the kernel's checks per second (both in
// billions) and their ratio, "Anteil".
template <class Lauf>
void anteil_melden(benchmark::State& state, double grenze, double pruefungen, Lauf&& lauf) {
    faeden_setzen(1);
    double sekunden = 0;
    for (auto _ : state) {
        const auto a = uhr::now();
        lauf();
        sekunden += std::chrono::duration<double>(uhr::now() - a).count();
    }
    faeden_setzen(0);
    const double rate = pruefungen * static_cast<double>(state.iterations()) / sekunden;
    state.counters["Decke_G"] = grenze / 1e9;
    state.counters["Pruefungen_G"] = rate / 1e9;
    state.counters["Anteil"] = rate / grenze;
}

// The lister on one core over 10^6 numbers from 4000000000: its checks, counted from each
// candidate's first divisor as the plain loop would try them, per second, over the ceiling.
void Decke_Lister(benchmark::State& state) {
    const double grenze = decke_messen(true);
    if (grenze == 0) return state.SkipWithError("no vector ceiling measured for this CPU");
    constexpr std::uint32_t start = 4000000000u, anzahl = 1000000;
    double pruefungen = 0;
    for (std::uint32_t n = start; n < start + anzahl; ++n) {
        const std::uint32_t letzte = n % 10;
        if (letzte != 1 && letzte != 3 && letzte != 7 && letzte != 9) continue;
        const auto bis = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(n))) + 1;
        const std::uint32_t d = erster_teiler(n, 3, bis);
        pruefungen += ((d != 0 ? d : bis | 1) - 3) / 2 + 1;
    }
    std::vector<std::uint64_t> masken(anzahl / 64 + 1);
    anteil_melden(state, grenze, pruefungen, [&] { primzahlen_im_lauf(start, anzahl, masken.data()), benchmark::ClobberMemory(); });
}

// The divisor listing of 1000000007 on one core: a candidate per lane-step, over the ceiling of
// the addition and minimum.
void Decke_Teilerliste(benchmark::State& state) {
    const double grenze = decke_messen(false);
    if (grenze == 0) return state.SkipWithError("no vector ceiling measured for this CPU");
    constexpr std::uint32_t zahl = 1000000007u;
    anteil_melden(state, grenze, zahl, [&] { teiler_absteigend(zahl, [](std::uint32_t t) { benchmark::DoNotOptimize(t); }); });
}

// The share of the divisor listing's rounds that take the short path, on the best kernel: counted
// by the kernel itself over one listing of the number.
void Teilerliste_Kurzer_Weg(benchmark::State& state) {
    const auto zahl = static_cast<std::uint32_t>(state.range(0));
    for (auto _ : state) {
        const teiler_runden vorher = teiler_runden_gezaehlt();
        teiler_absteigend(zahl, [](std::uint32_t t) { benchmark::DoNotOptimize(t); });
        const teiler_runden nachher = teiler_runden_gezaehlt();
        const double alle = static_cast<double>(nachher.alle - vorher.alle), kurz = static_cast<double>(nachher.kurz - vorher.kurz);
        state.counters["kurz_anteil"] = alle > 0 ? kurz / alle : 0;
        state.counters["korrigiert_einer_in"] = alle > kurz ? alle / (alle - kurz) : 0;
    }
}

}  // namespace

// Each on the best kernel and on the x86-64 baseline.
BENCHMARK(Primtest_Schlimmster)->Arg(AVX512)->Arg(AVX2)->Arg(SSE2)->Arg(PORTABEL)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(Primtest_Gemischt)->Arg(AVX512)->Arg(AVX2)->Arg(SSE2)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(Teilbarkeit_100000007)->Arg(AVX512)->Arg(AVX2)->Arg(SSE2)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);
BENCHMARK(Teilbarkeit_1000000007)->Args({AVX512, 0})->Args({AVX512, 1})->Args({AVX2, 0})->Args({AVX2, 1})->Args({SSE2, 0})->Args({SSE2, 1})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Lister_Bildschirm)->Arg(AVX512)->Arg(AVX2)->Arg(SSE2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(Lister_Datei)->Args({AVX512, 0})->Args({AVX512, 1})->Args({AVX2, 0})->Args({AVX2, 1})->Args({SSE2, 0})->Args({PORTABEL, 0})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK(Lister_Datei_1e7)->Args({AVX512, 0})->Args({AVX512, 1})->Args({AVX2, 0})->Args({AVX2, 1})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Kerne_Lister_Datei_1e7)->Arg(AVX512)->Arg(AVX2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(Kerne_Teilbarkeit_4294967291)->Arg(AVX512)->Arg(AVX2)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Lister_Datei_ab_6)->Arg(AVX512)->Arg(AVX2)->Arg(SSE2)->Arg(PORTABEL)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(Lister_Oberster_Bereich)->Arg(AVX512)->Arg(AVX2)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(Start_bis_Menue)->Unit(benchmark::kMillisecond);
BENCHMARK(Befehl_Prim_aus_Pipe)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(Befehl_Primzahlen_Oberster_Bereich)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(Peer_Anzahl_Ganzer_Bereich)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(Peer_Oberster_Bereich_primesieve)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(Peer_Oberster_Bereich_primes)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(6);
BENCHMARK(Befehl_Datei_Ganzer_Bereich)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(2);
BENCHMARK(Peer_Teiler_Million)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(Peer_Teiler_50_Oben)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(Decke_Lister)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Decke_Teilerliste)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Teilerliste_Kurzer_Weg)->Arg(4294967295)->Arg(1000000007)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(Befehl_Prim_97)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

BENCHMARK_MAIN();
