#include <windows.h>

#include "rtl/paths.h"

namespace varnimo::rtl {

const char kPathSeparator = '\\';
const char kPathListSeparator = ';';
const std::size_t kLongestPath = MAX_PATH;

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsAbsolutePath(std::string_view path) {
    return path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::vector<std::string> ProgramFileNames(std::string_view name,
                                          std::initializer_list<std::string_view>) {
    return {std::string(name) + ".exe"};
}

}  // namespace varnimo::rtl
