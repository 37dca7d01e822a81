#include "rtl/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "rtl/files.h"
#include "rtl/test_files.h"
#include "support/run_program.h"

namespace varnimo::rtl {
namespace {

TEST(QuoteWindowsArgument, BackslashesCountOnlyBeforeAQuote) {
    const struct {
        const char* argument;
        const char* quoted;
    } cases[] = {
        {R"(C:\Roms\Some Game (E).smc)", R"("C:\Roms\Some Game (E).smc")"},
        {"", R"("")"},
        {R"(say "hi")", R"("say \"hi\"")"},
        {R"(a\"b)", R"("a\\\"b")"},
        {R"(C:\Roms\)", R"("C:\Roms\\")"},
        {R"(\\server\share\a&b ^c %PATH%)", R"("\\server\share\a&b ^c %PATH%")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuoteWindowsArgument(c.argument), c.quoted) << c.argument;
    }
}

// The stand-in emulator writes what it received; every argument arrives as one, byte for
// byte, whatever blanks, quotes, ampersands, backslashes or 8-bit letters it holds.
TEST(StartDetached, TheArgumentArrivesWholeAndUnchanged) {
    const std::string recorder = testing::BuiltFile(VARNIMO_RECORDER_PATH);
    for (std::string argument :
         {std::string("roms") + kPathSeparator + "Some Game (E) & \"Friends\".smc",
          std::string("ends with a separator\\"), std::string("\\\\server\\a\\\"b\\\\"),
          std::string("Pok\xe9mon \xc4rger.zip"), std::string("")}) {
        testing::TempDir dir;  // a folder of its own for each program's record
        ASSERT_TRUE(StartDetached(recorder, argument));
        std::string record;
        for (int wait = 0; wait < 250 && record.empty(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            record = testing::ReadBytes("started.txt");
        }
        EXPECT_EQ(record, "1|" + argument);
    }
    testing::TempDir dir;
    EXPECT_FALSE(StartDetached((dir.Path() / "no such program").string(), "x"));
    // A NUL byte would cut the program's name or the argument short: nothing starts.
    EXPECT_FALSE(StartDetached(recorder + std::string("\0x", 2), "x"));
    EXPECT_FALSE(StartDetached(recorder, std::string("roms/a\0b.zip", 12)));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(dir.Listing(), "");
}

}  // namespace
}  // namespace varnimo::rtl
