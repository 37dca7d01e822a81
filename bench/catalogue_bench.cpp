// Catalogue figures, in-process: the start-up and reset sequence, the search per keystroke
// and the fresh scan of the ROM folder, each beside the anchor it is compared with; and what
// an import with DAT files does per file: reading DATs, merging them with the files found,
// the CRC of a ROM file.
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
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window_logic.h"
#include "catalogue/dat_file.h"
#include "catalogue/dat_merge.h"
#include "catalogue/rom_crc.h"
#include "catalogue/rom_scan.h"
#include "catalogue/title_index.h"
#include "quiet_view.h"
#include "rtl/files.h"
#include "rtl/shared_work.h"

namespace varnimo::bench {
namespace {

struct Collection {
    const char* label;   // as it appears in the benchmark names
    std::string folder;  // absolute
};

std::vector<Collection> g_collections;

void EnterFolder(const Collection& collection) {
    if (::chdir(collection.folder.c_str()) != 0) {
        std::fprintf(stderr, "cannot enter %s: %s\n", collection.folder.c_str(),
                     std::strerror(errno));
        std::exit(1);
    }
}

// A MainWindowLogic with its view, started on a collection as the window's first activation does.
struct LoadedLogic {
    QuietView view;
    app::MainWindowLogic logic{view};

    explicit LoadedLogic(const Collection& collection) {
        view.Attach(&logic);
        EnterFolder(collection);
        logic.Reset();
    }
    bool Failed() const { return view.ErrorBoxes() > 0 || view.QuitRequested(); }
};

// One loaded window logic per collection, kept for every benchmark that only needs the table.
LoadedLogic& Loaded(const Collection& collection) {
    static std::map<std::string, std::unique_ptr<LoadedLogic>> loaded_logics;
    auto& logic = loaded_logics[collection.folder];
    if (!logic)
        logic = std::make_unique<LoadedLogic>(collection);
    EnterFolder(collection);
    return *logic;
}

// The start: a new MainWindowLogic runs the whole sequence with the scan cache present.
void ResetAtStart(benchmark::State& state, const Collection& collection) {
    EnterFolder(collection);
    std::unique_ptr<LoadedLogic> previous;
    for (auto _ : state) {
        state.PauseTiming();
        previous.reset();  // freeing the last table is not part of the start
        state.ResumeTiming();
        auto loaded = std::make_unique<LoadedLogic>(collection);
        benchmark::DoNotOptimize(loaded->logic.CurrentCollection().AvailableCount());
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
    LoadedLogic& loaded = Loaded(collection);
    for (auto _ : state) {
        loaded.logic.Reset();
        benchmark::DoNotOptimize(loaded.logic.CurrentCollection().AvailableCount());
    }
    if (loaded.Failed())
        state.SkipWithError("the reset sequence showed an error");
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
// the list is rebuilt (narrowed, where the logic can). Show Roms is on All, so every title
// that matches is listed.
void SearchKeystroke(benchmark::State& state, const Collection& collection, std::string text) {
    LoadedLogic& loaded = Loaded(collection);
    loaded.logic.SetFilter(app::MenuGroup::ShowRoms, 2);
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
    loaded.logic.SetFilter(app::MenuGroup::ShowRoms, -1);
}

// Region > USA chosen in the menu: the list is rebuilt from the whole table. Show Roms is on
// All, so the region test runs on every row.
void RegionMenu(benchmark::State& state, const Collection& collection) {
    LoadedLogic& loaded = Loaded(collection);
    loaded.logic.SetFilter(app::MenuGroup::ShowRoms, 2);
    for (auto _ : state) {
        state.PauseTiming();
        loaded.logic.SetFilter(app::MenuGroup::Region, -1);
        state.ResumeTiming();
        loaded.logic.SetFilter(app::MenuGroup::Region, 2);
        benchmark::DoNotOptimize(loaded.view.Lines());
    }
    state.counters["listed"] = static_cast<double>(loaded.view.Lines());
    loaded.logic.SetFilter(app::MenuGroup::Region, -1);
    loaded.logic.SetFilter(app::MenuGroup::ShowRoms, -1);
}

// What the first Region choice after a load adds once: the region words of every title.
void RegionWordsOnce(benchmark::State& state, const Collection& collection) {
    LoadedLogic& loaded = Loaded(collection);
    catalogue::TitleIndex index;
    for (auto _ : state) {
        state.PauseTiming();
        index.Build(loaded.logic.CurrentCollection().Table().title);
        state.ResumeTiming();
        benchmark::DoNotOptimize(index.RegionWords());
    }
}

// Anchor of the search: the plain loop over the rows, folding each title and looking for the
// text in it, without ordering the result.
void NaiveSearch(benchmark::State& state, const Collection& collection, std::string text) {
    LoadedLogic& loaded = Loaded(collection);
    const catalogue::TextColumn& titles = loaded.logic.CurrentCollection().Table().title;
    std::string needle;
    for (char c : text)
        needle.push_back(catalogue::FoldAscii(c));
    std::vector<std::int32_t> rows;
    std::string folded;
    for (auto _ : state) {
        rows.clear();
        for (std::size_t i = 0; i < titles.size(); ++i) {
            folded.assign(titles[i]);
            for (char& c : folded)
                c = catalogue::FoldAscii(c);
            if (folded.find(needle) != std::string::npos)
                rows.push_back(static_cast<std::int32_t>(i));
        }
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["listed"] = static_cast<double>(rows.size());
}

// The fresh scan of the ROM folder: one existence test per known title.
void FreshScan(benchmark::State& state, const Collection& collection) {
    LoadedLogic& loaded = Loaded(collection);
    // A copy: the collection's own table is read-only, and a scan writes the statuses.
    catalogue::KnownRomTable table = loaded.logic.CurrentCollection().Table();
    const std::string rom_path = loaded.logic.Options().rom_folder;
    std::size_t steps = 0;
    for (auto _ : state) {
        catalogue::ScanRomFolder(rom_path, table, [&steps] { ++steps; });
        benchmark::DoNotOptimize(table.scan_status.data());
    }
    state.counters["found"] = catalogue::CountAvailable(table);
}

// The whole of a scan without a cache: the scan, then the cache written (to a file of its
// own, so the collection's cache stays as it is).
void FreshScanWithCache(benchmark::State& state, const Collection& collection) {
    LoadedLogic& loaded = Loaded(collection);
    // A copy: the collection's own table is read-only, and a scan writes the statuses.
    catalogue::KnownRomTable table = loaded.logic.CurrentCollection().Table();
    const std::string rom_path = loaded.logic.Options().rom_folder;
    for (auto _ : state) {
        catalogue::ScanRomFolder(rom_path, table, [] {});
        catalogue::WriteScanCache(table, "bench-scanned.dat");
    }
    ::unlink("bench-scanned.dat");
}

// Anchor of the scan: stat() on the same names, made beforehand.
void BareStat(benchmark::State& state, const Collection& collection) {
    LoadedLogic& loaded = Loaded(collection);
    std::vector<std::string> names;
    const catalogue::TextColumn& titles = loaded.logic.CurrentCollection().Table().title;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        names.push_back(loaded.logic.Options().rom_folder + std::string(titles[i]) + ".zip");
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

// ---- DAT files and CRCs --------------------------------------------------------------------

std::string ReadWhole(const std::string& path) {
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char chunk[65536];
        std::size_t got = 0;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            bytes.append(chunk, got);
        std::fclose(file);
    }
    return bytes;
}

// A DAT of 4,000 games as the libretro database's SNES files are (3,700 to 4,300): the
// excerpt's 250 games 16 times over, each copy with names and CRCs of its own.
std::vector<std::string> LargeDats() {
    static const std::vector<std::string> dats = [] {
        std::vector<std::string> made;
        for (const char* name :
             {"snes-genre-excerpt.dat", "snes-maxusers-excerpt.dat", "snes-no-intro-excerpt.dat"}) {
            const std::string excerpt = ReadWhole(std::string(VARNIMO_DAT_EXCERPTS) + "/" + name);
            const std::size_t games = excerpt.find("\ngame (");
            if (games == std::string::npos) {
                std::fprintf(stderr, "cannot read the DAT excerpt %s\n", name);
                std::exit(1);
            }
            std::string dat = excerpt.substr(0, games + 1);
            for (int copy = 0; copy < 16; ++copy) {
                std::string part = excerpt.substr(games + 1);
                std::string mark = "#";
                mark.push_back(static_cast<char>('a' + copy));
                for (const std::string field : {"name \"", "comment \""}) {
                    for (std::size_t at = 0; (at = part.find(field, at)) != std::string::npos;
                         at += field.size()) {
                        part.insert(at + field.size(), mark);
                    }
                }
                for (std::size_t at = 0; (at = part.find("crc ", at)) != std::string::npos; ++at) {
                    part[at + 4] = static_cast<char>("0123456789ABCDEF"[copy]);
                }
                dat += part;
            }
            made.push_back(std::move(dat));
        }
        return made;
    }();
    return dats;
}

std::string Escaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '"' ? "&quot;" : std::string(1, c);
    }
    return out;
}

// The No-Intro DAT of 4,000 games as Logiqx XML.
std::string LargeXmlDat() {
    std::string xml = "<?xml version=\"1.0\"?>\n<datafile>\n";
    const catalogue::DatReading listing = catalogue::ParseDat(LargeDats()[2], "bench.dat");
    for (const catalogue::DatGame& game : listing.Value()) {
        xml += "\t<game name=\"" + Escaped(game.name) + "\">\n\t\t<description>" +
               Escaped(game.name) + "</description>\n";
        for (const catalogue::DatRom& rom : game.roms) {
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08x", rom.crc.value_or(0));
            xml += "\t\t<rom name=\"" + Escaped(rom.name) + "\" size=\"" +
                   std::to_string(rom.size.value_or(0)) + "\" crc=\"" + crc + "\"/>\n";
        }
        xml += "\t</game>\n";
    }
    return xml + "</datafile>\n";
}

void ReadDat(benchmark::State& state, bool xml) {
    const std::string content = xml ? LargeXmlDat() : LargeDats()[2];
    std::size_t games = 0;
    for (auto _ : state) {
        games = catalogue::ParseDat(content, "bench.dat").Value().size();
        benchmark::DoNotOptimize(games);
    }
    state.counters["games"] = static_cast<double>(games);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(content.size()));
}

// Three DATs of 4,000 games merged with 3,500 files, half of them with a CRC.
void MergeDats(benchmark::State& state) {
    std::vector<std::vector<catalogue::DatGame>> dats;
    for (const std::string& dat : LargeDats())
        dats.push_back(catalogue::ParseDat(dat, "bench.dat").Value());
    std::vector<catalogue::FoundRomFile> files;
    for (std::size_t i = 0; i < 3500; ++i) {
        const catalogue::DatGame& game = dats[2][i];
        files.push_back({game.name, catalogue::kFoundSfc,
                         i % 2 ? game.roms[0].crc : std::optional<std::uint32_t>()});
    }
    for (auto _ : state) {
        catalogue::MergedCatalogue merged = catalogue::MergeCatalogue(dats, files);
        benchmark::DoNotOptimize(merged.table.Size());
    }
}

// The CRC of a ROM file of 1 MiB with a copier's header, in the page cache.
void RawCrc(benchmark::State& state) {
    const std::string path = "/tmp/varnimo-bench-crc-" + std::to_string(::getpid());
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::vector<char> bytes((1 << 20) + 512);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 131);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(catalogue::RawRomCrc(path));
    state.SetBytesProcessed(state.iterations() * ((1 << 20) + 512));
    ::unlink(path.c_str());
}

// The CRCs of a folder of ROM files as the import reads them: every file once, on two threads
// (or one). The bytes counted are the ROM bytes read; a zip's CRC comes from its directory.
void FolderCrcs(benchmark::State& state, std::string folder, bool two_threads) {
    struct File {
        std::string path;
        std::int32_t status;
    };
    std::vector<File> files;
    std::int64_t bytes = 0;
    for (const rtl::FolderEntry& entry : rtl::ListFolder(folder)) {
        const std::size_t dot = entry.Name.rfind('.');
        const std::int32_t status = dot == std::string::npos
                                        ? catalogue::kNotFound
                                        : catalogue::ScanStatusOfExtension(entry.Name.substr(dot));
        if (!entry.IsFile || status == catalogue::kNotFound)
            continue;
        files.push_back({folder + "/" + entry.Name, status});
        if (status != catalogue::kFoundZip)
            bytes += rtl::FileSize(files.back().path);
    }
    std::vector<std::optional<std::uint32_t>> crcs(files.size());
    const std::function<void(std::size_t)> part = [&](std::size_t k) {
        crcs[k] = catalogue::RomFileCrc(files[k].path, files[k].status);
    };
    for (auto _ : state) {
        if (two_threads) {
            rtl::ShareWork(files.size(), part);
        } else {
            for (std::size_t k = 0; k < files.size(); ++k)
                part(k);
        }
        benchmark::DoNotOptimize(crcs.data());
    }
    state.counters["files"] = static_cast<double>(files.size());
    state.SetBytesProcessed(state.iterations() * bytes);
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
        if (::stat((folder + "/complete").c_str(), &info) == 0)
            g_collections.push_back({label, folder});
    }
    // Wall-clock time in milliseconds: what the user waits for.
    auto add = [](const std::string& name, auto&&... args) {
        return benchmark::RegisterBenchmark(name.c_str(), args...)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    };
    add("dat_read/4k_games/text", ReadDat, false);
    add("dat_read/4k_games/xml", ReadDat, true);
    add("dat_merge/3x4k_games_3500_files", MergeDats);
    add("crc_raw/1mib", RawCrc);
    // The ROM folder of the import with DAT files, made by bench/make_dat_collection.py.
    const std::string dat_folder = std::string(data) + "/import_dats";
    struct stat made {};
    if (::stat((dat_folder + "/complete").c_str(), &made) == 0) {
        add("crc_folder/3500x1mib/two_threads", FolderCrcs, dat_folder + "/roms", true)
            ->Iterations(3);
        add("crc_folder/3500x1mib/one_thread", FolderCrcs, dat_folder + "/roms", false)
            ->Iterations(3);
    }
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
                add("naive_search" + at + "/" + name, NaiveSearch, c, std::string(text));
            }
            add("region_menu" + at + "/usa", RegionMenu, c)->Iterations(kKeystrokes);
            add("region_words" + at, RegionWordsOnce, c)->Iterations(5);
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
