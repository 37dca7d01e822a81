#pragma once
// The CRC-32 of a ROM file's content, which DAT files list for every game: so a file can be
// recognised whatever it is named.

#include <cstdint>
#include <optional>
#include <string>

namespace varnimo::catalogue {

// The CRC that a zip archive's central directory stores for its ROM entry, read from the
// end of the file without unpacking anything. The ROM entry is the only file entry, or of
// several the largest whose extension (letter case ignored) is .sfc, .smc, .swc, .fig, .smd
// or .bin, else the largest. No CRC for a file that cannot be read, is no zip, has a
// broken directory or holds no file.
std::optional<std::uint32_t> ZipRomCrc(const std::string& path);

// The CRC of a ROM file's bytes, read once; a file whose size is 512 more than a multiple of
// 1,024 starts with a copier's header, which is left out. No CRC for a file that cannot be
// read.
std::optional<std::uint32_t> RawRomCrc(const std::string& path);

// ZipRomCrc for ScanStatus 1 (.zip), RawRomCrc for the other ROM file codes; no CRC for 0.
std::optional<std::uint32_t> RomFileCrc(const std::string& path, std::int32_t scan_status);

}  // namespace varnimo::catalogue
