// Catalogue figures, in-process: the start-up and reset sequence, the search per keystroke
// and the fresh scan of the ROM folder, each beside the anchor it is compared with.
//
// The collections come from varnimo-bench-collection, in the folder named by
// VARNIMO_BENCH_DATA (c3k, c100k, c1m; the ones that are missing are left out). Run with
// --benchmark_enable_random_interleaving=true so that figure and anchor take turns.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/unit1.h"
#include "catalogue/rom_scan.h"
#include "catalogue/title_index.h"
#include "quiet_view.h"

namespace varnimo::bench {
namespace {

struct Collection {
    const char* label;   // as it appears in the benchmark names
    std::string folder;  // absolute
};

std::vector<Collection> g_collections;

void EnterFolder(const Collection& collection) {
    if (::chdir(collection.folder.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter %s: %s\n", collection.folder.c_str(), std::strerror(errno));
        std::exit(1);
    }
}

// A Unit1 with its view, started on a collection as the window's first activation does.
struct LoadedUnit {
    QuietView view;
    Unit1 unit{view};

    explicit LoadedUnit(const Collection& collection) {
        view.Attach(&unit);
        EnterFolder(collection);
        unit.ResetClick();
    }
    bool Failed() const { return view.ErrorBoxes() > 0 || view.QuitRequested(); }
};

// One loaded unit per collection, kept for every benchmark that only needs the table.
LoadedUnit& Loaded(const Collection& collection) {
    static std::map<std::string, std::unique_ptr<LoadedUnit>> units;
    auto& unit = units[collection.folder];
    if (!unit) unit = std::make_unique<LoadedUnit>(collection);
    EnterFolder(collection);
    return *unit;
}

// The start: a new Unit1 runs the whole sequence with the scan cache present.
void ResetAtStart(benchmark::State& state, const Collection& collection) {
    EnterFolder(collection);
    std::unique_ptr<LoadedUnit> previous;
    for (auto _ : state) {
        state.PauseTiming();
        previous.reset();  // freeing the last table is not part of the start
        state.ResumeTiming();
        auto loaded = std::make_unique<LoadedUnit>(collection);
        benchmark::DoNotOptimize(loaded->unit.AvailableCount);
        if (loaded->Failed()) {
            state.SkipWithError("the start-up sequence showed an error");
            break;
        }
        previous = std::move(loaded);
    }
    previous.reset();  // the timing has stopped with the loop
}

// Settings > Reset on a window that already shows the collection.
void ResetAgain(benchmark::State& state, const Collection& collection) {
    LoadedUnit& loaded = Loaded(collection);
    for (auto _ : state) {
        loaded.unit.ResetClick();
        benchmark::DoNotOptimize(loaded.unit.AvailableCount);
    }
    if (loaded.Failed()) state.SkipWithError("the reset sequence showed an error");
}

// Anchor of the sequence: only reading the bytes of the two files it reads.
void ReadFiles(benchmark::State& state, const Collection& collection) {
    EnterFolder(collection);
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        std::size_t total = 0;
        for (const char* name : {"SNES_screens.dat", "scanned.dat"}) {
            int fd = ::open(name, O_RDONLY | O_CLOEXEC);
            if (fd < 0) {
                state.SkipWithError("cannot open a data file");
                return;
            }
            ssize_t got = 0;
            while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
                total += static_cast<std::size_t>(got);
            }
            ::close(fd);
        }
        benchmark::DoNotOptimize(total);
    }
}

// One keystroke: the search box held `text` without its last letter and gets that letter;
// the list is rebuilt (narrowed, where the unit can). Show Roms is on All, so every title
// that matches is listed.
void SearchKeystroke(benchmark::State& state, const Collection& collection, std::string text) {
    LoadedUnit& loaded = Loaded(collection);
    loaded.unit.List_select(2);
    const std::string before = text.substr(0, text.size() - 1);
    for (auto _ : state) {
        state.PauseTiming();
        loaded.view.SetSearchText(before);
        state.ResumeTiming();
        loaded.view.SetSearchText(text);
        benchmark::DoNotOptimize(loaded.view.Lines());
    }
    state.counters["listed"] = static_cast<double>(loaded.view.Lines());
    loaded.view.SetSearchText("");
    loaded.unit.List_select(-1);
}

// Anchor of the search: the plain loop over the rows, folding each title and looking for the
// text in it, without ordering the result.
void NaiveSearch(benchmark::State& state, const Collection& collection, std::string text) {
    LoadedUnit& loaded = Loaded(collection);
    const catalogue::TextColumn& titles = loaded.unit.KnownRomTable.Title;
    std::string needle;
    for (char c : text) needle.push_back(catalogue::FoldAscii(c));
    std::vector<std::int32_t> rows;
    std::string folded;
    for (auto _ : state) {
        rows.clear();
        for (std::size_t i = 0; i < titles.size(); ++i) {
            folded.assign(titles[i]);
            for (char& c : folded) c = catalogue::FoldAscii(c);
            if (folded.find(needle) != std::string::npos) rows.push_back(static_cast<std::int32_t>(i));
        }
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["listed"] = static_cast<double>(rows.size());
}

// The fresh scan of the ROM folder: one existence test per known title.
void FreshScan(benchmark::State& state, const Collection& collection) {
    LoadedUnit& loaded = Loaded(collection);
    catalogue::KnownRomTable& table = loaded.unit.KnownRomTable;
    const std::string rom_path = loaded.unit.ProgramOptions.RomPath;
    std::size_t steps = 0;
    for (auto _ : state) {
        catalogue::ScanRomFolder(rom_path, table, [&steps] { ++steps; });
        benchmark::DoNotOptimize(table.ScanStatus.data());
    }
    state.counters["found"] = catalogue::CountAvailable(table);
}

// The whole of a scan without a cache: the scan, then the cache written (to a file of its
// own, so the collection's cache stays as it is).
void FreshScanWithCache(benchmark::State& state, const Collection& collection) {
    LoadedUnit& loaded = Loaded(collection);
    catalogue::KnownRomTable& table = loaded.unit.KnownRomTable;
    const std::string rom_path = loaded.unit.ProgramOptions.RomPath;
    for (auto _ : state) {
        catalogue::ScanRomFolder(rom_path, table, [] {});
        catalogue::WriteScanCache(table, "bench-scanned.dat");
    }
    ::unlink("bench-scanned.dat");
}

// Anchor of the scan: stat() on the same names, made beforehand.
void BareStat(benchmark::State& state, const Collection& collection) {
    LoadedUnit& loaded = Loaded(collection);
    std::vector<std::string> names;
    const catalogue::TextColumn& titles = loaded.unit.KnownRomTable.Title;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        names.push_back(loaded.unit.ProgramOptions.RomPath + std::string(titles[i]) + ".zip");
    }
    for (auto _ : state) {
        int found = 0;
        for (const std::string& name : names) {
            struct stat info {};
            found += ::stat(name.c_str(), &info) == 0 ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
}

void Register() {
    const char* data = std::getenv("VARNIMO_BENCH_DATA");
    if (data == nullptr || *data == '\0') {
        std::fprintf(stderr, "VARNIMO_BENCH_DATA names the folder with the collections\n");
        std::exit(2);
    }
    for (const char* label : {"3k", "100k", "1m", "1m_owned"}) {
        std::string folder = std::string(data) + "/c" + label;
        struct stat info {};
        if (::stat((folder + "/complete").c_str(), &info) == 0) g_collections.push_back({label, folder});
    }
    // Wall-clock time in milliseconds: what the user waits for.
    auto add = [](const std::string& name, auto&&... args) {
        return benchmark::RegisterBenchmark(name.c_str(), args...)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    // A keystroke first rebuilds the list for the text before it, untimed; a quick keystroke
    // would otherwise run that many thousand times to fill the minimum time.
    constexpr int kKeystrokes = 30;
    for (const Collection& c : g_collections) {
        const std::string at = std::string("/") + c.label;
        if (std::string(c.label) == "1m_owned") {
            // Every title owned: the scan finds a million files among a million entries.
            add("scan" + at, FreshScan, c);
            continue;
        }
        add("reset_start" + at, ResetAtStart, c);
        add("reset_again" + at, ResetAgain, c);
        add("read_files" + at, ReadFiles, c);
        if (std::string(c.label) != "3k") {
            for (const auto& [name, text] : {std::pair<const char*, const char*>{"letter", "a"},
                                             {"region", "(u)"},
                                             {"nomatch", "zelda"}}) {
                add("search" + at + "/" + name, SearchKeystroke, c, std::string(text))
                    ->Iterations(kKeystrokes);
                add("naive_search" + at + "/" + name, NaiveSearch, c,
                                             std::string(text));
            }
        }
        if (std::string(c.label) == "100k") {
            add("scan" + at, FreshScan, c);
            add("scan_and_cache" + at, FreshScanWithCache, c);
            add("bare_stat" + at, BareStat, c);
        }
    }
}

}  // namespace
}  // namespace varnimo::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    varnimo::bench::Register();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
