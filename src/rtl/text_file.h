#pragma once
// Line-by-line text files in the system's 8-bit code page, with the line rules every data
// file of the program shares:
//  - a line ends at a CR; one LF right after the CR is skipped;
//  - an LF without a CR before it is ordinary text;
//  - a Ctrl-Z byte (26) ends the file: nothing after it is read;
//  - lines have no length limit;
//  - reading past the end gives empty lines, never an error;
//  - lines are written with CR LF.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/files.h"

namespace varnimo::rtl {

class TextFileReader {
  public:
    // Opens `path` for reading. Throws InOutError when it cannot be opened.
    explicit TextFileReader(const std::string& path);
    ~TextFileReader();
    TextFileReader(const TextFileReader&) = delete;
    TextFileReader& operator=(const TextFileReader&) = delete;

    // True when nothing is left before the end of the file or a Ctrl-Z.
    // Throws InOutError on a read failure.
    bool Eof();

    // Reads the next line without its line end. At the end of the file the result is
    // empty. The view stays valid until the next call on this reader.
    // Throws InOutError on a read failure.
    std::string_view ReadLine();

  private:
    bool Fill();  // reads more bytes into the buffer; false at the end of the file
    void SkipPendingLf();

    InputFile file_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::size_t text_end_ = 0;  // the buffer's first Ctrl-Z, or end_ when it has none
    bool at_end_ = false;       // the file has no more bytes
    bool ctrl_z_ = false;       // a Ctrl-Z was met: the text ends here
    bool skip_lf_ = false;      // the last line ended at a CR; an LF after it belongs to it
    std::string long_line_;     // a line that did not fit in one buffer
};

// Writes a text file so that the old file is replaced only by a complete new one: the
// lines go to a temporary file in the same folder, which Commit() renames over `path`.
// If anything fails, the old file stays as it was, the temporary file is removed and
// InOutError is raised. Destroying an uncommitted writer discards what was written.
class TextFileWriter {
  public:
    // Creates the temporary file. Throws InOutError when it cannot be created.
    explicit TextFileWriter(std::string path);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    // Appends `line` and CR LF. Throws InOutError when writing fails.
    void WriteLine(std::string_view line);
    // Flushes, closes and puts the file in place. Throws InOutError when that fails.
    void Commit();

  private:
    friend class TextFileSet;
    void Flush();
    // Flushes, syncs and closes the temporary file, which stays where it is.
    void Complete();
    void Discard() noexcept;

    std::string path_;
    std::string temp_path_;
    int fd_ = -1;
    std::string pending_;
};

// Text files that are replaced together: all of them or none. Each is written through a
// TextFileWriter of its own; Commit() first completes every temporary file, then puts the
// files in place one after the other in the order given, each old file kept under a
// temporary name until all are in place. If any step fails, every file that was there
// before is put back, those that were not are removed again, no temporary file stays and
// InOutError is raised. Dropping the set without Commit() leaves the folder as it was.
//
// A process killed half-way leaves temporary files (the name of one of these files, a dot
// and six letters or digits). The set removes those of its files before it writes anything,
// so the next attempt starts clean; it removes nothing else.
class TextFileSet {
  public:
    // Removes the leftovers and creates the temporary files. Throws InOutError when one
    // cannot be created.
    explicit TextFileSet(const std::vector<std::string>& paths);
    ~TextFileSet();
    TextFileSet(const TextFileSet&) = delete;
    TextFileSet& operator=(const TextFileSet&) = delete;

    // The writer of paths[index]. It belongs to the set: never Commit() it.
    TextFileWriter& File(std::size_t index);
    void Commit();

  private:
    struct Member;
    void PutBack() noexcept;

    std::vector<Member> members_;
};

// Seam for tests: every low-level step of TextFileWriter and TextFileSet ("create", "write",
// "sync", "link", "rename") first asks the installed hook; a non-zero answer is taken as the errno
// of a failed call. This lets a test make a write fail even when it runs as root.
class WriteFaultHook {
  public:
    virtual ~WriteFaultHook() = default;
    virtual int Fault(std::string_view operation) = 0;
};
// Installs `hook` (nullptr removes it); returns the previous one.
WriteFaultHook* SetWriteFaultHook(WriteFaultHook* hook);

}  // namespace varnimo::rtl
