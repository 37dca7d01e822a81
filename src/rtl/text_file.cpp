#include "rtl/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>

#include "rtl/files.h"
#include "rtl/runtime_error.h"
#ifdef _WIN32
#include "rtl/posix_io_win.h"
#endif

namespace varnimo::rtl {
namespace {

constexpr char kCtrlZ = 26;
// Big reads keep the catalogue pass cheap; a line longer than this is assembled piecewise.
// The fuzz build makes it tiny, so that lines and line ends across buffer edges are common.
#ifndef VARNIMO_TEXT_READ_BUFFER
#define VARNIMO_TEXT_READ_BUFFER (1 << 20)
#endif
constexpr std::size_t kBufferSize = VARNIMO_TEXT_READ_BUFFER;
// Keeps pending output small while still writing in large pieces.
constexpr std::size_t kFlushThreshold = 1 << 16;

WriteFaultHook* g_fault_hook = nullptr;

// ".XXXXXX" with six characters that differ from call to call and from process to process.
std::string TemporarySuffix() {
    thread_local std::mt19937_64 random(std::random_device{}() ^
                                        (static_cast<std::uint64_t>(::getpid()) << 32));
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix = ".";
    std::uint64_t bits = random();
    for (int i = 0; i < 6; ++i, bits /= 62) {
        suffix.push_back(kLetters[bits % 62]);
    }
    return suffix;
}

int InjectedFault(std::string_view operation) {
    return g_fault_hook ? g_fault_hook->Fault(operation) : 0;
}

}  // namespace

WriteFaultHook* SetWriteFaultHook(WriteFaultHook* hook) {
    return std::exchange(g_fault_hook, hook);
}

// ---- Reader ------------------------------------------------------------------------------

TextFileReader::TextFileReader(const std::string& path) {
    fd_ = OpenFileForReading(path);
    buffer_.resize(kBufferSize);
}

TextFileReader::~TextFileReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool TextFileReader::Fill() {
    if (at_end_) {
        return false;
    }
    pos_ = 0;
    end_ = 0;
    text_end_ = 0;
    for (;;) {
        ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw EInOutError(errno);
        }
        if (got == 0) {
            at_end_ = true;
            return false;
        }
        end_ = static_cast<std::size_t>(got);
        // Nothing after a Ctrl-Z is text, so lines are only looked for before it.
        const void* ctrl_z = std::memchr(buffer_.data(), kCtrlZ, end_);
        text_end_ =
            ctrl_z ? static_cast<std::size_t>(static_cast<const char*>(ctrl_z) - buffer_.data())
                   : end_;
        return true;
    }
}

void TextFileReader::SkipPendingLf() {
    if (!skip_lf_) {
        return;
    }
    if (pos_ == end_ && !Fill()) {
        skip_lf_ = false;
        return;
    }
    skip_lf_ = false;
    if (buffer_[pos_] == '\n') {
        ++pos_;
    }
}

bool TextFileReader::Eof() {
    if (ctrl_z_) {
        return true;
    }
    SkipPendingLf();
    if (pos_ == end_ && !Fill()) {
        return true;
    }
    if (buffer_[pos_] == kCtrlZ) {
        ctrl_z_ = true;
        return true;
    }
    return false;
}

std::string_view TextFileReader::ReadLine() {
    if (Eof()) {
        return {};
    }
    long_line_.clear();
    bool spanning = false;
    for (;;) {
        const char* begin = buffer_.data() + pos_;
        const char* stop = buffer_.data() + end_;
        const char* text_end = buffer_.data() + text_end_;
        const char* hit = static_cast<const char*>(
            std::memchr(begin, '\r', static_cast<std::size_t>(text_end - begin)));
        if (hit == nullptr) {
            hit = text_end;  // the Ctrl-Z, or the end of the buffer
        }
        std::size_t length = static_cast<std::size_t>(hit - begin);
        if (hit != stop) {
            if (*hit == '\r') {
                skip_lf_ = true;
                pos_ += length + 1;
            } else {
                ctrl_z_ = true;
                pos_ += length;
            }
            if (!spanning) {
                return {begin, length};
            }
            long_line_.append(begin, length);
            return long_line_;
        }
        // The line goes on past this buffer.
        long_line_.append(begin, length);
        spanning = true;
        pos_ = end_;
        if (!Fill()) {
            return long_line_;
        }
    }
}

// ---- Writer ------------------------------------------------------------------------------

TextFileWriter::TextFileWriter(std::string path) : path_(std::move(path)) {
    if (int fault = InjectedFault("create")) {
        throw EInOutError(fault);
    }
    if (HoldsNul(path_)) {
        throw EInOutError(ENOENT);  // the system would write another file
    }
    // The data files are ordinary user files: a new one gets what the user's umask grants,
    // which open() applies by itself. A replaced one keeps its old permissions, which the
    // umask may narrow, so those are set again once the file is there.
    struct stat old {};
    const bool replacing = ::stat(path_.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    const mode_t mode = replacing ? (old.st_mode & 07777) : 0666;
    std::string temp;
    for (unsigned attempt = 0;; ++attempt) {
        temp = path_ + TemporarySuffix();
        fd_ = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0) {
            break;
        }
        if (errno != EEXIST || attempt == 100) {
            throw EInOutError(errno);
        }
    }
    temp_path_ = std::move(temp);
    if (replacing && ::fchmod(fd_, mode) != 0) {
        const int error = errno;
        Discard();
        throw EInOutError(error);
    }
}

TextFileWriter::~TextFileWriter() {
    Discard();
}

void TextFileWriter::Discard() noexcept {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temp_path_.empty()) {
        ::unlink(temp_path_.c_str());
        temp_path_.clear();
    }
}

void TextFileWriter::Flush() {
    std::size_t done = 0;
    while (done < pending_.size()) {
        if (int fault = InjectedFault("write")) {
            Discard();
            throw EInOutError(fault);
        }
        ssize_t put = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            int error = errno;
            Discard();
            throw EInOutError(error);
        }
        done += static_cast<std::size_t>(put);
    }
    pending_.clear();
}

void TextFileWriter::WriteLine(std::string_view line) {
    if (fd_ < 0) {
        throw EInOutError(EBADF);
    }
    pending_.append(line);
    pending_.append("\r\n");
    if (pending_.size() >= kFlushThreshold) {
        Flush();
    }
}

void TextFileWriter::Commit() {
    if (fd_ < 0) {
        throw EInOutError(EBADF);
    }
    Flush();
    int fault = InjectedFault("sync");
    if (fault != 0 || ::fsync(fd_) != 0) {
        int error = fault != 0 ? fault : errno;
        Discard();
        throw EInOutError(error);
    }
    int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) {
        int error = errno;
        Discard();
        throw EInOutError(error);
    }
    fault = InjectedFault("rename");
    if (fault == 0) {
        fault = RenameOver(temp_path_, path_);
    }
    if (fault != 0) {
        Discard();
        throw EInOutError(fault);
    }
    temp_path_.clear();
}

}  // namespace varnimo::rtl
