#include "rtl/text_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string_view>
#include <utility>

#include "rtl/file_calls.h"
#include "rtl/files.h"
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

// ".XXXXXX" with six characters that differ from call to call and from process to process.
std::string TemporarySuffix() {
    thread_local std::mt19937_64 random(std::random_device{}() ^
                                        (static_cast<std::uint64_t>(calls::ProcessId()) << 32));
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

TextFileReader::TextFileReader(const std::string& path) : file_(path) {
    buffer_.resize(kBufferSize);
}

TextFileReader::~TextFileReader() = default;

bool TextFileReader::Fill() {
    if (at_end_) {
        return false;
    }
    pos_ = 0;
    end_ = 0;
    text_end_ = 0;
    end_ = file_.Read(buffer_.data(), buffer_.size());
    if (end_ == 0) {
        at_end_ = true;
        return false;
    }
    // Nothing after a Ctrl-Z is text, so lines are only looked for before it.
    const void* ctrl_z = std::memchr(buffer_.data(), kCtrlZ, end_);
    text_end_ =
        ctrl_z ? static_cast<std::size_t>(static_cast<const char*>(ctrl_z) - buffer_.data()) : end_;
    return true;
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
        throw InOutError(fault);
    }
    if (HoldsNul(path_)) {
        throw InOutError(ENOENT);  // the system would write another file
    }
    // The data files are ordinary user files: a new one gets what the user's umask grants,
    // which open() applies by itself. A replaced one keeps its old permissions, which the
    // umask may narrow, so those are set again once the file is there.
    const int old_mode = calls::RegularFileMode(path_);
    const bool replacing = old_mode >= 0;
    const unsigned mode = replacing ? static_cast<unsigned>(old_mode) : 0666;
    std::string temp;
    for (unsigned attempt = 0;; ++attempt) {
        temp = path_ + TemporarySuffix();
        fd_ = calls::CreateNewFile(temp, mode);
        if (fd_ >= 0) {
            break;
        }
        if (errno != EEXIST || attempt == 100) {
            throw InOutError(errno);
        }
    }
    temp_path_ = std::move(temp);
    if (replacing && calls::SetFileMode(fd_, mode) != 0) {
        const int error = errno;
        Discard();
        throw InOutError(error);
    }
}

TextFileWriter::~TextFileWriter() {
    Discard();
}

void TextFileWriter::Discard() noexcept {
    if (fd_ >= 0) {
        calls::CloseFile(fd_);
        fd_ = -1;
    }
    if (!temp_path_.empty()) {
        calls::RemoveFile(temp_path_);
        temp_path_.clear();
    }
}

void TextFileWriter::Flush() {
    std::size_t done = 0;
    while (done < pending_.size()) {
        if (int fault = InjectedFault("write")) {
            Discard();
            throw InOutError(fault);
        }
        const long long put = calls::WriteSome(fd_, pending_.data() + done, pending_.size() - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            int error = errno;
            Discard();
            throw InOutError(error);
        }
        done += static_cast<std::size_t>(put);
    }
    pending_.clear();
}

void TextFileWriter::WriteLine(std::string_view line) {
    if (fd_ < 0) {
        throw InOutError(EBADF);
    }
    pending_.append(line);
    pending_.append("\r\n");
    if (pending_.size() >= kFlushThreshold) {
        Flush();
    }
}

void TextFileWriter::Complete() {
    if (fd_ < 0) {
        throw InOutError(EBADF);
    }
    Flush();
    int fault = InjectedFault("sync");
    if (fault != 0 || calls::SyncFile(fd_) != 0) {
        int error = fault != 0 ? fault : errno;
        Discard();
        throw InOutError(error);
    }
    int closed = calls::CloseFile(fd_);
    fd_ = -1;
    if (closed != 0) {
        int error = errno;
        Discard();
        throw InOutError(error);
    }
}

void TextFileWriter::Commit() {
    Complete();
    int fault = InjectedFault("rename");
    if (fault == 0) {
        fault = RenameOver(temp_path_, path_).value();
    }
    if (fault != 0) {
        Discard();
        throw InOutError(fault);
    }
    temp_path_.clear();
}

// ---- Files replaced together -------------------------------------------------------------

struct TextFileSet::Member {
    std::unique_ptr<TextFileWriter> writer;
    std::string keep;    // the old file's temporary name while the set is put in place
    bool moved = false;  // the old file is only there under `keep`, not under its own name
    bool placed = false;
};

namespace {

bool IsLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// True for the names TemporarySuffix() makes for `file_name`.
bool IsTemporaryName(std::string_view name, std::string_view file_name) {
    return name.size() == file_name.size() + 7 && name.substr(0, file_name.size()) == file_name &&
           name[file_name.size()] == '.' &&
           std::all_of(name.end() - 6, name.end(), IsLetterOrDigit);
}

// What is there under `path`; a link counts as itself.
PathKind KindOf(const std::string& path) {
    return StatusOf(path, Links::AsThemselves).kind;
}

// Removes the temporary files of `path` that a killed process left: plain files with the
// writer's temporary names in the same folder, nothing else.
void RemoveLeftovers(const std::string& path) {
    std::size_t cut = path.size();
    while (cut > 0 && !IsPathSeparator(path[cut - 1])) {
        --cut;
    }
    cut = cut == 0 ? std::string::npos : cut - 1;
    const std::string folder = cut == std::string::npos ? "" : path.substr(0, cut + 1);
    const std::string_view name =
        cut == std::string::npos ? std::string_view(path) : std::string_view(path).substr(cut + 1);
    std::vector<std::string> leftovers;
    try {
        ForEachFolderEntry(folder, [&](std::string_view entry, bool is_file) {
            if (is_file && IsTemporaryName(entry, name)) {
                leftovers.push_back(folder + std::string(entry));
            }
        });
    } catch (const InOutError&) {
        return;  // a folder that cannot be listed takes no new file either, which says why
    }
    for (const std::string& leftover : leftovers) {
        if (KindOf(leftover) == PathKind::File) {
            calls::RemoveFile(leftover);
        }
    }
}

// Gives the old file at `path` the temporary name `keep` as well, so it can be put back.
// A second link leaves the file under its own name all the while; where the file system has
// no links (FAT, Windows) the old file is moved aside instead. Returns 0 or the errno.
int KeepOldFile(const std::string& path, std::string& keep, bool& moved) {
    for (unsigned attempt = 0; attempt <= 100; ++attempt) {
        keep = path + TemporarySuffix();
        int error = InjectedFault("link");
        if (error == 0 && calls::LinkFile(path, keep) != 0) {
            error = errno;
        }
        if (error == 0) {
            moved = false;
            return 0;
        }
        if (error == EEXIST) {
            continue;
        }
        if (error != EPERM && error != ENOTSUP && error != EOPNOTSUPP && error != EMLINK &&
            error != ENOSYS) {
            keep.clear();
            return error;
        }
        if (KindOf(keep) != PathKind::None) {
            continue;
        }
        error = InjectedFault("rename");
        if (error == 0 && std::rename(path.c_str(), keep.c_str()) != 0) {
            error = errno;
        }
        if (error == 0) {
            moved = true;
            return 0;
        }
        if (error != EEXIST) {
            keep.clear();
            return error;
        }
    }
    keep.clear();
    return EEXIST;
}

}  // namespace

TextFileSet::TextFileSet(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        RemoveLeftovers(path);
    }
    members_.reserve(paths.size());
    for (const std::string& path : paths) {
        members_.emplace_back();
        members_.back().writer = std::make_unique<TextFileWriter>(path);
    }
}

TextFileSet::~TextFileSet() = default;

TextFileWriter& TextFileSet::File(std::size_t index) {
    return *members_.at(index).writer;
}

void TextFileSet::Commit() {
    try {
        for (Member& member : members_) {
            member.writer->Complete();
        }
        for (Member& member : members_) {
            TextFileWriter& writer = *member.writer;
            const PathKind kind = KindOf(writer.path_);
            if (kind == PathKind::Folder) {
                throw InOutError(EISDIR);
            }
            if (kind != PathKind::None) {
                if (int error = KeepOldFile(writer.path_, member.keep, member.moved)) {
                    throw InOutError(error);
                }
            }
            int error = InjectedFault("rename");
            if (error == 0) {
                error = RenameOver(writer.temp_path_, writer.path_).value();
            }
            if (error != 0) {
                throw InOutError(error);
            }
            writer.temp_path_.clear();
            member.placed = true;
        }
    } catch (...) {
        PutBack();
        throw;
    }
    // Every new file is in place: the old ones may go.
    for (Member& member : members_) {
        if (!member.keep.empty()) {
            calls::RemoveFile(member.keep);
        }
    }
    members_.clear();
}

void TextFileSet::PutBack() noexcept {
    for (auto member = members_.rbegin(); member != members_.rend(); ++member) {
        const std::string& path = member->writer->path_;
        if (member->keep.empty()) {
            if (member->placed) {
                calls::RemoveFile(path);
            }
        } else if (member->placed || member->moved) {
            // A failure here leaves the old file under its temporary name rather than lose it.
            if (!RenameOver(member->keep, path)) {
                member->keep.clear();
            }
        } else if (calls::RemoveFile(member->keep) == 0) {
            member->keep.clear();
        }
    }
    members_.clear();
}

}  // namespace varnimo::rtl
