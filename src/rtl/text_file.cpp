#include "rtl/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "rtl/runtime_error.h"

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

int InjectedFault(std::string_view operation) {
    return g_fault_hook ? g_fault_hook->Fault(operation) : 0;
}

}  // namespace

WriteFaultHook* SetWriteFaultHook(WriteFaultHook* hook) {
    return std::exchange(g_fault_hook, hook);
}

// ---- Reader ------------------------------------------------------------------------------

TextFileReader::TextFileReader(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        throw EInOutError(errno);
    }
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
    std::string templ = path_ + ".XXXXXX";
    if (int fault = InjectedFault("create")) {
        throw EInOutError(fault);
    }
    fd_ = ::mkstemp(templ.data());
    if (fd_ < 0) {
        throw EInOutError(errno);
    }
    temp_path_ = std::move(templ);
    // mkstemp makes the file private; the data files are ordinary user files, so take the
    // old file's permissions, or what the user's umask grants a new file.
    mode_t mode;
    struct stat old {};
    if (::stat(path_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd_, mode);
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
    if (fault != 0 || ::rename(temp_path_.c_str(), path_.c_str()) != 0) {
        int error = fault != 0 ? fault : errno;
        Discard();
        throw EInOutError(error);
    }
    temp_path_.clear();
}

}  // namespace varnimo::rtl
