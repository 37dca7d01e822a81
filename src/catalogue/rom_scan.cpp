#include "catalogue/rom_scan.h"

#include <string>

#include "rtl/convert.h"
#include "rtl/files.h"
#include "rtl/text_file.h"

namespace varnimo::catalogue {

void ReadScanCache(KnownRomTable& table, const std::function<void()>& step,
                   const std::string& file) {
    rtl::TextFileReader reader(file);
    const std::size_t rows = table.Size();
    std::size_t i = 0;
    do {
        std::int32_t status = rtl::StrToInt(reader.ReadLine());
        // A cache written for a longer catalogue still has to be a valid cache, but its extra
        // lines have no row to go to.
        if (i < rows) {
            table.ScanStatus[i] = status;
        }
        ++i;
        step();
    } while (!reader.Eof());
}

void ScanRomFolder(const std::string& rom_path, KnownRomTable& table,
                   const std::function<void()>& step) {
    std::string name;
    for (std::size_t i = 0; i < table.Size(); ++i) {
        step();
        name.assign(rom_path).append(table.Title[i]).append(".zip");
        table.ScanStatus[i] = rtl::FileExists(name) ? kFoundZip : kNotFound;
    }
}

void WriteScanCache(const KnownRomTable& table, const std::string& file) {
    rtl::TextFileWriter writer(file);
    for (std::int32_t status : table.ScanStatus) {
        writer.WriteLine(std::to_string(status));
    }
    // The reader takes an empty file as one empty line, which is no number, so a cache of an
    // empty catalogue would stop every later start. One "0" line belongs to no row and reads.
    if (table.ScanStatus.empty()) {
        writer.WriteLine("0");
    }
    writer.Commit();
}

}  // namespace varnimo::catalogue
