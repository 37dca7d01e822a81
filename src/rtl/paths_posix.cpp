#include <climits>

#include "rtl/paths.h"

namespace varnimo::rtl {

const char kPathSeparator = '/';
const char kPathListSeparator = ':';
const std::size_t kLongestPath = PATH_MAX;

bool IsPathSeparator(char c) {
    return c == '/';
}

bool IsAbsolutePath(std::string_view path) {
    return !path.empty() && path[0] == '/';
}

std::vector<std::string> ProgramFileNames(
    std::string_view name, std::initializer_list<std::string_view> posix_build_names) {
    std::vector<std::string> names{std::string(name)};
    names.insert(names.end(), posix_build_names.begin(), posix_build_names.end());
    return names;
}

}  // namespace varnimo::rtl
