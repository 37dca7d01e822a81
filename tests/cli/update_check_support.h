#pragma once
// Runs `varnimo-cli update-check` in the current folder with extra environment settings,
// and lays out a small collection whose local versions the check shows.

#include <filesystem>
#include <string>
#include <vector>

#include "rtl/test_files.h"
#include "run_program.h"

namespace varnimo::testing {

using CliRun = ProgramRun;

inline CliRun RunUpdateCheck(const std::vector<std::string>& env,
                             std::vector<std::string> args = {}) {
    static const std::string cli = BuiltFile(VARNIMO_CLI_PATH);
    std::vector<std::string> all = {cli, "update-check"};
    all.insert(all.end(), args.begin(), args.end());
    return RunProgram(all, env);
}

// A catalogue of version 2.07 with one title, and pack versions for a (`pack_a`, in the
// locale's format) and z; the other letters have no file.
inline void WriteCollection(const std::string& pack_a) {
    WriteBytes("options.dat", "shots/\r\nroms/\r\nemu9/\r\nemuz/\r\n0\r\n0\r\n");
    WriteBytes("SNES_screens.dat", "2.07\r\nBob (U);b_t.png;b_i.png;8;1\r\n");
    WriteBytes("scanned.dat", "0\r\n");
    WriteBytes("shots/a", pack_a + "\r\n");
    WriteBytes("shots/z", "12\r\n");
}

// The grids as the command prints them, with `server` as the 28 server cells, then the label
// under them.
inline std::string Grids(const std::string& program, const std::string& database,
                         const std::string& pack_a, const std::vector<std::string>& server,
                         const std::string& label) {
    std::string out = "Versions\tYours\tServer\n";
    out += "Program\t" + program + "\t" + server[0] + "\n";
    out += "Database\t" + database + "\t" + server[1] + "\n";
    for (int k = 0; k < 26; ++k) {
        if (k % 13 == 0)
            out += "Letter\tYours\tServer\n";
        const std::string yours = k == 0 ? pack_a : k == 25 ? "12" : "0";
        out +=
            std::string(1, static_cast<char>('a' + k)) + "\t" + yours + "\t" + server[k + 2] + "\n";
    }
    return out + label + "\n";
}

}  // namespace varnimo::testing
