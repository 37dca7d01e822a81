#pragma once
// File system questions the program asks.

#include <cstdint>
#include <string>

namespace varnimo::rtl {

// The path separator of the platform, appended to chosen folders.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// True only when a file (not a folder) of exactly this name exists. An empty name is
// never a file.
bool FileExists(const std::string& path);

// Opens `path` and returns its size in bytes. Throws EInOutError when it cannot be opened.
std::int64_t FileSize(const std::string& path);

// Puts the file `from` in the place of `to`, replacing a file of that name in one step.
// Returns 0, or the system's error number.
int RenameOver(const std::string& from, const std::string& to);

}  // namespace varnimo::rtl
