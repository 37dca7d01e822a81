#include "settings/emulator_program.h"

#include <array>
#include <cstdlib>
#include <optional>

#include "rtl/files.h"

namespace varnimo::settings {

namespace {

#ifdef _WIN32
constexpr std::array<std::string_view, 1> kSnes9xNames = {"snes9x.exe"};
constexpr std::array<std::string_view, 1> kZsnesNames = {"zsnesw.exe"};
constexpr char kPathListSeparator = ';';
#else
constexpr std::array<std::string_view, 2> kSnes9xNames = {"snes9x", "snes9x-gtk"};
constexpr std::array<std::string_view, 2> kZsnesNames = {"zsnesw", "zsnes"};
constexpr char kPathListSeparator = ':';
#endif

bool IsAbsolute(std::string_view folder) {
#ifdef _WIN32
    return folder.size() >= 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
#else
    return !folder.empty() && folder[0] == '/';
#endif
}

}  // namespace

std::span<const std::string_view> EmulatorProgramNames(Emulator emulator) {
    if (emulator == Emulator::Snes9x)
        return kSnes9xNames;
    return kZsnesNames;
}

std::string FindEmulatorProgram(const std::string& folder, Emulator emulator) {
    for (std::string_view name : EmulatorProgramNames(emulator)) {
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
    for (std::string_view name : EmulatorProgramNames(emulator)) {
        std::size_t start = 0;
        while (start <= path.size()) {
            std::size_t end = path.find(kPathListSeparator, start);
            if (end == std::string_view::npos)
                end = path.size();
            std::string folder(path.substr(start, end - start));
            start = end + 1;
            if (!IsAbsolute(folder))
                continue;
            if (folder.back() != rtl::kPathSeparator)
                folder.push_back(rtl::kPathSeparator);
            if (rtl::FileExists(folder + std::string(name)))
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
        program = folder + std::string(EmulatorProgramNames(emulator).front());
    return program;
}

}  // namespace varnimo::settings
