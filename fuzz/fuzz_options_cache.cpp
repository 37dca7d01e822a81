// The two readers of options.dat and the scan cache reader, fed any bytes as the file; then
// what they read is written back and read again. The writers must reproduce exactly what was
// read, and a refused line must leave the rows before it set and the rows after it alone.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "catalogue/known_rom_table.h"
#include "catalogue/rom_scan.h"
#include "fuzz_support.h"
#include "rtl/convert.h"
#include "rtl/runtime_error.h"
#include "settings/program_options.h"

using namespace varnimo;
using fuzz::Check;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Line(const std::vector<std::string>& lines, std::size_t i) {
    return i < lines.size() ? lines[i] : std::string();
}

// Written files go to a private folder on a memory file system.
const std::string& WorkFolder() {
    static const std::string folder = [] {
        char templ[] = "/dev/shm/varnimo-fuzz-XXXXXX";
        const char* made = ::mkdtemp(templ);
        Check(made != nullptr, "mkdtemp");
        return std::string(made);
    }();
    return folder;
}

void CheckOptions(const fuzz::MemoryFile& file, const std::vector<std::string>& lines) {
    settings::ProgramOptions options;
    bool loaded = false;
    std::uint32_t interval = 4242;
    try {
        Check(settings::LoadStartupOptions(options, loaded, interval, file.Path()) ==
                  settings::OptionsFileStatus::Read,
              "start-up load of an existing file");
        auto expected = rtl::ParseInteger(Line(lines, 4));
        Check(expected.has_value(), "start-up load took an interval that is no integer");
        Check(interval == static_cast<std::uint32_t>(*expected), "interval value");
    } catch (const rtl::ConversionError&) {
        Check(!rtl::ParseInteger(Line(lines, 4)), "start-up load refused an integer");
        Check(interval == 4242, "refused interval changed the timer");
    }
    Check(loaded, "options not marked loaded");
    Check(options.screen_folder == Line(lines, 0) && options.rom_folder == Line(lines, 1) &&
              options.snes9x_folder == Line(lines, 2) && options.zsnes_folder == Line(lines, 3),
          "start-up paths");

    settings::ProgramOptions dialog;
    std::string mode_text;
    Check(settings::LoadDialogOptions(dialog, mode_text, file.Path()) ==
              settings::OptionsFileStatus::Read,
          "dialog load of an existing file");
    Check(dialog.screen_folder == options.screen_folder &&
              dialog.rom_folder == options.rom_folder &&
              dialog.snes9x_folder == options.snes9x_folder &&
              dialog.zsnes_folder == options.zsnes_folder,
          "dialog paths");
    Check(mode_text == Line(lines, 5), "mode text");

    // Save what was read and read it back.
    const std::string saved = WorkFolder() + "/options.dat";
    const std::string before = "previous file\r\n";
    {
        std::ofstream out(saved, std::ios::binary | std::ios::trunc);
        out << before;
    }
    std::int32_t mode = rtl::CatalogueInt(mode_text);
    const bool accepted =
        settings::SaveOptions(dialog, interval, mode, saved) == settings::SaveStatus::Saved;
    std::string written = Slurp(saved);
    if (dialog.screen_folder.empty() && dialog.rom_folder.empty() && dialog.snes9x_folder.empty()) {
        Check(!accepted && written == before, "refused save touched the file");
        return;
    }
    Check(accepted, "save outcome");
    std::string expected = dialog.screen_folder + "\r\n" + dialog.rom_folder + "\r\n" +
                           dialog.snes9x_folder + "\r\n" + dialog.zsnes_folder + "\r\n" +
                           std::to_string(interval) + "\r\n" + std::to_string(mode) + "\r\n";
    Check(written == expected, "saved bytes");
    settings::ProgramOptions again;
    std::string again_mode;
    Check(
        settings::LoadDialogOptions(again, again_mode, saved) == settings::OptionsFileStatus::Read,
        "reload");
    Check(again.screen_folder == dialog.screen_folder && again.rom_folder == dialog.rom_folder &&
              again.snes9x_folder == dialog.snes9x_folder &&
              again.zsnes_folder == dialog.zsnes_folder && again_mode == std::to_string(mode),
          "saved options do not read back");
}

void CheckScanCache(const fuzz::MemoryFile& file, const std::vector<std::string>& lines,
                    std::size_t rows) {
    constexpr std::int32_t kUntouched = 77;
    catalogue::KnownRomTable table;
    table.Resize(rows);
    for (auto& status : table.scan_status) {
        status = kUntouched;
    }
    std::size_t steps = 0;
    // An empty file is one empty line.
    std::vector<std::string> cache = lines.empty() ? std::vector<std::string>{""} : lines;
    std::size_t good = 0;
    while (good < cache.size() && rtl::ParseInteger(cache[good])) {
        ++good;
    }
    try {
        catalogue::ReadScanCache(
            table, [&] { ++steps; }, file.Path());
        Check(good == cache.size(), "cache with a bad line accepted");
    } catch (const rtl::ConversionError&) {
        Check(good < cache.size(), "cache refused without a bad line");
    }
    Check(steps == good, "one progress step per accepted line");
    for (std::size_t i = 0; i < rows; ++i) {
        std::int32_t want = i < good ? *rtl::ParseInteger(cache[i]) : kUntouched;
        Check(table.scan_status[i] == want, "row status after reading the cache");
    }

    // Written back, the cache reads back the same.
    const std::string saved = WorkFolder() + "/scanned.dat";
    catalogue::WriteScanCache(table, saved);
    catalogue::KnownRomTable copy;
    copy.Resize(rows);
    // Every cache written must read back, the one of an empty table (a lone "0" that
    // belongs to no row) included.
    catalogue::ReadScanCache(
        copy, [] {}, saved);
    Check(copy.scan_status == table.scan_status, "written cache does not read back");
    if (rows == 0) {
        Check(Slurp(saved) == "0\r\n", "cache of an empty table is not one 0 line");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzz::MemoryFile file(data, size);
    std::vector<std::string> lines = fuzz::ModelLines(bytes);
    CheckOptions(file, lines);
    std::size_t rows = size == 0 ? 0 : data[0] % 16;
    CheckScanCache(file, lines, rows);
    return 0;
}
