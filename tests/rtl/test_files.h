#pragma once
// Test helpers: a private temporary folder that is the working directory while it lives
// (the program opens its data files by bare name), and files written as exact bytes.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#endif

namespace varnimo::testing {

class TempDir {
  public:
    TempDir() {
        // A fresh name of our own; create_directory answers false when it was there.
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; path_.empty(); ++attempt) {
            if (attempt == 100) {
                throw std::runtime_error("no temporary folder");
            }
            auto candidate = base / ("varnimo-test-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) {
                path_ = candidate;
            }
        }
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::current_path(old_, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Names of everything in the folder, sorted, for checking that nothing was left behind.
    std::string Listing() const {
        std::string names;
        std::vector<std::string> all;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            all.push_back(entry.path().filename().string());
        }
        std::sort(all.begin(), all.end());
        for (const auto& name : all) {
            names += name + " ";
        }
        return names;
    }

  private:
    std::filesystem::path path_;
    std::filesystem::path old_;
};

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifndef _WIN32
// Opens the FIFO `path` for writing again and again while it lives: a reader that waits in
// open() for a writer is let go (and then reads an empty file), so that code which would
// block fails its test instead of hanging it.
class FifoWriter {
  public:
    explicit FifoWriter(const std::string& path)
        : thread_([this, path] {
              while (!stop_) {
                  const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
                  if (fd >= 0) {
                      ::close(fd);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          }) {}
    ~FifoWriter() {
        stop_ = true;
        thread_.join();
    }
    FifoWriter(const FifoWriter&) = delete;
    FifoWriter& operator=(const FifoWriter&) = delete;

  private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
#endif

}  // namespace varnimo::testing
