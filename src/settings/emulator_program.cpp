#include "settings/emulator_program.h"

#include <cstdlib>
#include <optional>

#include "rtl/files.h"
#include "rtl/paths.h"

namespace varnimo::settings {

const std::vector<std::string>& EmulatorProgramNames(Emulator emulator) {
    // Snes9X's GTK build and ZSNES' build for POSIX systems carry names of their own.
    static const std::vector<std::string> snes9x = rtl::ProgramFileNames("snes9x", {"snes9x-gtk"});
    static const std::vector<std::string> zsnes = rtl::ProgramFileNames("zsnesw", {"zsnes"});
    return emulator == Emulator::Snes9x ? snes9x : zsnes;
}

std::string FindEmulatorProgram(const std::string& folder, Emulator emulator) {
    for (const std::string& name : EmulatorProgramNames(emulator)) {
        std::string program = folder;
        program.append(name);
        if (rtl::FileExists(program))
            return program;
    }
    return {};
}

namespace {

struct PathHit {
    std::string folder;  // with its trailing separator
    std::string_view name;
};

std::optional<PathHit> SearchPath(Emulator emulator, std::string_view path) {
    for (const std::string& name : EmulatorProgramNames(emulator)) {
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t end = path.find(rtl::kPathListSeparator, start);
            if (end == std::string_view::npos)
                end = path.size();
            std::string folder(path.substr(start, end - start));
            start = end + 1;
            if (!rtl::IsAbsolutePath(folder))
                continue;
            if (folder.back() != rtl::kPathSeparator)
                folder.push_back(rtl::kPathSeparator);
            if (rtl::FileExists(folder + name))
                return PathHit{folder, name};
        }
    }
    return std::nullopt;
}

}  // namespace

std::string FindEmulatorOnPath(Emulator emulator, std::string_view path) {
    auto hit = SearchPath(emulator, path);
    return hit ? hit->folder : std::string();
}

std::string EmulatorProgramToStart(const std::string& folder, Emulator emulator) {
    if (folder.empty()) {
        const char* path = std::getenv("PATH");
        auto hit = path != nullptr ? SearchPath(emulator, path) : std::nullopt;
        return hit ? hit->folder + std::string(hit->name) : std::string();
    }
    std::string program = FindEmulatorProgram(folder, emulator);
    if (program.empty())
        program = folder + EmulatorProgramNames(emulator).front();
    return program;
}

}  // namespace varnimo::settings
