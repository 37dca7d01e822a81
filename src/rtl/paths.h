#pragma once
// How paths and program files are named on this platform: one definition per platform
// (paths_posix.cpp, paths_win.cpp), so that no other part of the program asks which one it
// runs on.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace varnimo::rtl {

// The path separator of the platform, appended to chosen folders: '\\' on Windows, '/'
// elsewhere.
extern const char kPathSeparator;

// True for every character that ends a folder's name in a path: '\\' and '/' on Windows, '/'
// elsewhere.
bool IsPathSeparator(char c);

// The character between the folders of a PATH value: ';' on Windows, ':' elsewhere.
extern const char kPathListSeparator;

// True when `path` names the same place from any working directory: it starts with '/', on
// Windows with a drive, a colon and a separator ("C:\", "C:/").
bool IsAbsolutePath(std::string_view path);

// The longest path, in bytes with its terminating NUL, that the system's calls take.
extern const std::size_t kLongestPath;

// The file names a program may have here, in the order they are looked for: `name` with the
// platform's executable suffix (".exe" on Windows); on POSIX systems, which have no suffix,
// then `posix_build_names`, the names of builds made for them alone (a toolkit's build, a
// port), which a Windows build never has.
std::vector<std::string> ProgramFileNames(
    std::string_view name, std::initializer_list<std::string_view> posix_build_names);

}  // namespace varnimo::rtl
