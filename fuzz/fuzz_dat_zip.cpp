// The readers of files that come from outside the program and the user's collection: DAT
// files in both formats, and the end of a zip archive. Any bytes give games or a problem that
// names a line of the input, never a crash; a raw ROM file's CRC is that of its bytes
// without a copier's header.

#include <zlib.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "catalogue/dat_file.h"
#include "catalogue/rom_crc.h"
#include "fuzz_support.h"

using namespace varnimo;
using fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto lines = static_cast<std::size_t>(1 + std::count(bytes.begin(), bytes.end(), '\n'));
    if (const catalogue::DatReading reading = catalogue::ParseDat(bytes, "f.dat"); !reading) {
        const catalogue::DatProblem& problem = reading.Error();
        Check(problem.line >= 1 && problem.line <= lines, "problem line outside the file");
        const std::string prefix = "f.dat:" + std::to_string(problem.line) + ": ";
        Check(std::string_view(problem.message).substr(0, prefix.size()) == prefix, "problem text");
    }

    fuzz::MemoryFile file(data, size);
    (void)catalogue::ZipRomCrc(file.Path());
    const std::size_t header = size % 1024 == 512 ? 512 : 0;
    const auto expected =
        static_cast<std::uint32_t>(crc32_z(0, data + header, static_cast<z_size_t>(size - header)));
    Check(catalogue::RawRomCrc(file.Path()) == expected, "raw CRC");
    return 0;
}
