#pragma once
// Which known ROMs the user owns: the ScanStatus column, from the scan cache scanned.dat
// when it exists, or from a fresh look into the ROM folder.
//
// scanned.dat holds line k = ScanStatus of row k - 1, nothing else; it is positional and is
// never refreshed by the program while it exists.

#include <functional>
#include <string>

#include "catalogue/known_rom_table.h"

namespace varnimo::rtl {
class TextFileWriter;
}

namespace varnimo::catalogue {

inline constexpr const char* kScanCacheFileName = "scanned.dat";

// Reads the cache line by line (at least one line, so an empty file is one empty line) and
// stores line k in row k - 1, calling `step` once per line. Lines beyond the table's rows are
// checked but stored nowhere; rows without a line keep their value. A line that is not an
// integer throws ConversionError with the rows before it already set.
void ReadScanCache(KnownRomTable& table, const std::function<void()>& step,
                   const std::string& file = kScanCacheFileName);

// Fresh scan: row i gets 1 when `rom_path` + Title + ".zip" is a file, else 0; `step` is
// called once per row, before its test.
void ScanRomFolder(const std::string& rom_path, KnownRomTable& table,
                   const std::function<void()>& step);

// Writes one line per row with its ScanStatus (an empty table gets one "0" line, since an
// empty file does not read). The old cache is replaced only by a complete
// new one; a failure throws InOutError and leaves no partial file.
void WriteScanCache(const KnownRomTable& table, const std::string& file = kScanCacheFileName);
// The same lines into `writer`, which the caller commits.
void WriteScanCacheLines(const KnownRomTable& table, rtl::TextFileWriter& writer);

}  // namespace varnimo::catalogue
