#include "rtl/text_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "rtl/runtime_error.h"
#include "rtl/test_files.h"

namespace varnimo::rtl {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Everything a reader yields before Eof, plus `extra` reads past the end.
std::vector<std::string> ReadAll(const std::string& bytes, int extra = 0) {
    WriteBytes("f.txt", bytes);
    TextFileReader reader("f.txt");
    std::vector<std::string> lines;
    while (!reader.Eof()) {
        lines.emplace_back(reader.ReadLine());
    }
    for (int i = 0; i < extra; ++i) {
        lines.emplace_back(reader.ReadLine());
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(TextFileReader, LineEndsAndControlBytes) {
    TempDir dir;
    EXPECT_EQ(ReadAll("a\r\nb\r\n"), (Lines{"a", "b"}));  // the final line end starts no line
    EXPECT_EQ(ReadAll("a\r\nb"), (Lines{"a", "b"}));      // a last line without line end counts
    EXPECT_EQ(ReadAll("a\rb\r"), (Lines{"a", "b"}));      // CR alone ends a line
    EXPECT_EQ(ReadAll("a\nb\r\n"), (Lines{"a\nb"}));      // a bare LF is text
    EXPECT_EQ(ReadAll("a\r\n\nb"), (Lines{"a", "\nb"}));  // only one LF belongs to the CR
    EXPECT_EQ(ReadAll("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(ReadAll("a\r\nb\x1a"
                      "c\r\nd\r\n"),
              (Lines{"a", "b"}));  // Ctrl-Z ends the file
    EXPECT_EQ(ReadAll("\x1a"
                      "a\r\n"),
              Lines{});
    EXPECT_EQ(ReadAll(""), Lines{});
    EXPECT_EQ(ReadAll(std::string("a\0b\r\n", 5)), (Lines{std::string("a\0b", 3)}));
}

TEST(TextFileReader, ReadingPastTheEndGivesEmptyLines) {
    TempDir dir;
    EXPECT_EQ(ReadAll("x\r\n", 2), (Lines{"x", "", ""}));
    EXPECT_EQ(ReadAll("x\x1ay\r\n", 1), (Lines{"x", ""}));
}

TEST(TextFileReader, LinesLongerThanTheBufferAndLineEndsAcrossIt) {
    TempDir dir;
    const std::string big(3 * 1024 * 1024 + 17, 'q');
    EXPECT_EQ(ReadAll(big + "\r\nend"), (Lines{big, "end"}));
    // The CR is the last byte of the first buffer and its LF the first of the next.
    const std::string first((1 << 20) - 1, 'r');
    EXPECT_EQ(ReadAll(first + "\r\nnext"), (Lines{first, "next"}));
    EXPECT_EQ(ReadAll(first + "\r\x1a"
                              "after"),
              (Lines{first}));
}

TEST(TextFileReader, OpeningFailsWithTheSystemErrorNumber) {
    TempDir dir;
    try {
        TextFileReader reader("missing.txt");
        FAIL() << "no error";
    } catch (const InOutError& error) {
        EXPECT_EQ(error.ErrorCode(), ENOENT);
        EXPECT_STREQ(error.what(), "E/A-Fehler 2");
    }
}

// Makes one low-level step of the writer fail, as a full disk or a lost mount would.
class FailAt : public WriteFaultHook {
  public:
    explicit FailAt(std::string operation) : operation_(std::move(operation)) {
        previous_ = SetWriteFaultHook(this);
    }
    ~FailAt() override { SetWriteFaultHook(previous_); }
    int Fault(std::string_view operation) override { return operation == operation_ ? ENOSPC : 0; }

  private:
    std::string operation_;
    WriteFaultHook* previous_;
};

TEST(TextFileWriter, WritesCrLfLinesAndReplacesTheOldFile) {
    TempDir dir;
    WriteBytes("out.dat", "old content that is longer than the new one\r\n");
    TextFileWriter writer("out.dat");
    writer.WriteLine("one");
    writer.WriteLine("");
    writer.WriteLine("three \n");
    writer.Commit();
    EXPECT_EQ(ReadBytes("out.dat"), "one\r\n\r\nthree \n\r\n");
    EXPECT_EQ(dir.Listing(), "out.dat ");
}

TEST(TextFileWriter, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
    TempDir dir;
    for (const char* step : {"create", "write", "sync", "rename"}) {
        WriteBytes("out.dat", "precious\r\n");
        FailAt fault(step);
        try {
            TextFileWriter writer("out.dat");
            writer.WriteLine("new");
            writer.Commit();
            ADD_FAILURE() << step << ": no error";
        } catch (const InOutError& error) {
            EXPECT_STREQ(error.what(), "E/A-Fehler 28") << step;
        }
        EXPECT_EQ(ReadBytes("out.dat"), "precious\r\n") << step;
        EXPECT_EQ(dir.Listing(), "out.dat ") << step;
    }
}

TEST(TextFileWriter, AFolderInTheWayIsAnErrorAndStaysAsItWas) {
    TempDir dir;
    std::filesystem::create_directory("out.dat");
    TextFileWriter writer("out.dat");
    writer.WriteLine("x");
    EXPECT_THROW(writer.Commit(), InOutError);
    EXPECT_TRUE(std::filesystem::is_directory("out.dat"));
    EXPECT_EQ(dir.Listing(), "out.dat ");
}

#ifndef _WIN32
// POSIX file modes and the umask; Windows takes access rights from the folder.
TEST(TextFileWriter, ANewFileTakesTheUmaskAndAReplacedOneKeepsItsMode) {
    TempDir dir;
    const mode_t previous = ::umask(027);
    auto write = [](const char* name) {
        TextFileWriter writer(name);
        writer.WriteLine("x");
        writer.Commit();
    };
    auto mode_of = [](const char* name) {
        struct stat info {};
        EXPECT_EQ(::stat(name, &info), 0) << name;
        return info.st_mode & 07777;
    };
    write("new.dat");
    WriteBytes("shared.dat", "old\r\n");
    ::chmod("shared.dat", 0664);  // wider than the umask would grant
    write("shared.dat");
    WriteBytes("private.dat", "old\r\n");
    ::chmod("private.dat", 0400);
    write("private.dat");
    EXPECT_EQ(::umask(previous), 027u);  // left as it was
    EXPECT_EQ(mode_of("new.dat"), 0640u);
    EXPECT_EQ(mode_of("shared.dat"), 0664u);
    EXPECT_EQ(mode_of("private.dat"), 0400u);
    EXPECT_EQ(ReadBytes("private.dat"), "x\r\n");
}
#endif

TEST(TextFileWriter, DroppedWithoutCommitLeavesNothing) {
    TempDir dir;
    {
        TextFileWriter writer("out.dat");
        writer.WriteLine("x");
    }
    EXPECT_EQ(dir.Listing(), "");
}

}  // namespace
}  // namespace varnimo::rtl
