#pragma once
// Small helpers the fuzz targets share.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace varnimo::fuzz {

// Stops the run with a message that libFuzzer reports together with the input.
[[noreturn]] inline void Broken(const char* what) {
    std::fprintf(stderr, "fuzz property broken: %s\n", what);
    std::abort();
}

inline void Check(bool holds, const char* what) {
    if (!holds) {
        Broken(what);
    }
}

// A file in memory with these bytes, named by a path the readers can open like any file.
// One memory file serves every run: it is emptied and refilled, which keeps a run cheap.
class MemoryFile {
  public:
    MemoryFile(const uint8_t* data, std::size_t size) {
        static const int fd = ::memfd_create("varnimo-fuzz", 0);
        Check(fd >= 0, "memfd_create");
        Check(::ftruncate(fd, 0) == 0, "ftruncate");
        std::size_t done = 0;
        while (done < size) {
            ssize_t put = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            Check(put > 0, "write to the memory file");
            done += static_cast<std::size_t>(put);
        }
        static const std::string path = "/proc/self/fd/" + std::to_string(fd);
        path_ = &path;
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;
    const std::string& Path() const { return *path_; }

  private:
    const std::string* path_;
};

// The line rules written the obvious way: cut at Ctrl-Z, a line ends at CR, one LF after the
// CR belongs to it, a last line without an end still counts.
inline std::vector<std::string> ModelLines(std::string_view bytes) {
    std::size_t z = bytes.find('\x1a');
    if (z != std::string_view::npos) {
        bytes = bytes.substr(0, z);
    }
    std::vector<std::string> lines;
    std::string current;
    bool open = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r') {
            lines.push_back(current);
            current.clear();
            open = false;
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
        } else {
            current.push_back(bytes[i]);
            open = true;
        }
    }
    if (open) {
        lines.push_back(current);
    }
    return lines;
}

}  // namespace varnimo::fuzz
