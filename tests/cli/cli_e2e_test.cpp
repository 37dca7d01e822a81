// Runs the built varnimo-cli in a temporary folder, as a user or a script would.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "rtl/files.h"
#include "rtl/test_files.h"
#include "run_program.h"
#include "support/rom_files.h"
#include "support/test_env.h"

namespace varnimo {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

using Result = testing::ProgramRun;

const std::string kCli = testing::BuiltFile(VARNIMO_CLI_PATH);
const std::string kRecorder = testing::BuiltFile(VARNIMO_RECORDER_PATH);

Result RunCli(const std::vector<std::string>& args) {
    std::vector<std::string> all = {kCli};
    all.insert(all.end(), args.begin(), args.end());
    return testing::RunProgram(all);
}

#ifdef _WIN32
const std::string kExe = ".exe";
#else
const std::string kExe;
#endif
// Screenshot names are joined to their folder with one more separator.
const std::string kShots = std::string("shots/") + rtl::kPathSeparator;

class CliTest : public ::testing::Test {
  protected:
    TempDir dir_;

    void SetUp() override {
        WriteBytes("options.dat", "shots/\r\nroms/\r\nemu9/\r\nemuz/\r\n0\r\n0\r\n");
        WriteBytes("SNES_screens.dat",
                   "3\r\n"
                   "Bob's Game (U);bob_t.png;bob_i.jpeg;8;1\r\n"
                   "alpha (E) (U);alpha_t.jpg;alpha_i.png;1;3\r\n"
                   "Zed (J);zed_t.gif;zed_i.png;8;2\r\n"
                   "Gone (G);g_t.png;g_i.png;0;0\r\n");
        WriteBytes("scanned.dat", "1\r\n2\r\n1\r\n0\r\n");
        WriteBytes("roms/Bob's Game (U).zip", std::string(1048576, 'b'));
        WriteBytes("roms/alpha (E) (U).smc", std::string(1000, 'a'));
        WriteBytes("roms/Zed (J).zip", std::string(100, 'z'));
        // Real pictures: the terminal refuses what the window could not decode.
        WriteBytes("shots/bob_t.png", Picture("demo/screens/aether_knights_e_ingame.png"));
        WriteBytes("shots/bob_i.jpeg", Picture("src/ui/pictures/about_logo.jpg"));
    }
    static std::string Picture(const char* path) {
        return ReadBytes(std::string(VARNIMO_SOURCE_DIR) + "/" + path);
    }
};

TEST_F(CliTest, ListPrintsTitlesInListOrderThenTheCounters) {
    Result r = RunCli({"list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "alpha (E) (U)\nBob's Game (U)\nZed (J)\n");
    EXPECT_EQ(r.err,
              "notice: Varnimo will use scanned.dat\nShowing: 3/3\nYou have 3 of 4 known Roms\n");
}

TEST_F(CliTest, FiltersByCaptionOrTagWithTheSearchLast) {
    std::string jump = RunCli({"--genre", "jump 'N run", "list"}).out;
    EXPECT_EQ(jump, "Bob's Game (U)\nZed (J)\n");
    EXPECT_EQ(RunCli({"--genre", "8", "list"}).out, jump);
    EXPECT_EQ(RunCli({"--region", "usa", "--player", "2P Split", "list"}).out, "alpha (E) (U)\n");
    EXPECT_EQ(RunCli({"--show", "Missing", "list"}).out, "Gone (G)\n");
    Result all = RunCli({"--show", "2", "--search", "O", "list"});
    EXPECT_EQ(all.out, "Bob's Game (U)\nGone (G)\n");
    EXPECT_NE(all.err.find("Showing: 2/3\n"), std::string::npos);

    Result bad = RunCli({"--genre", "Demo", "list"});  // no menu entry has that caption
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("usage: varnimo-cli"), std::string::npos);
    EXPECT_EQ(RunCli({"--region", "-6", "list"}).status, 2);
    EXPECT_EQ(RunCli({}).status, 2);
    EXPECT_EQ(RunCli({"list", "extra"}).status, 2);
    EXPECT_EQ(RunCli({"frobnicate"}).status, 2);
}

TEST_F(CliTest, ShowPrintsTheDetailsAndOneScreenLinePerTick) {
    Result r = RunCli({"show", "1", "--ticks", "3"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "Size:  1024 kbyte\nGenre: Jump-n-Run\nPlayer: 1 Player\n"
              "screen: " +
                  kShots + "bob_t.png\n" + "screen: " + kShots + "bob_t.png\n" +
                  "screen: " + kShots + "bob_i.jpeg\n" + "screen: " + kShots + "bob_t.png\n");

    Result smc = RunCli({"show", "0"});
    EXPECT_EQ(smc.out,
              "Size:  1 kbyte\nGenre: Puzzle\nPlayer: 2P Splitscreen\nscreen: (no picture)\n");

    // A screenshot whose extension names no picture format, or whose bytes are no picture of
    // that format, is the loader's error, as in the window.
    WriteBytes("shots/zed_t.gif", "GIF89a");
    Result gif = RunCli({"show", "2"});
    EXPECT_EQ(gif.status, 1);
    EXPECT_NE(gif.err.find("error: Unbekannte Bilddateierweiterung (.gif)\n"), std::string::npos);
    EXPECT_EQ(gif.out, "Size:  0 kbyte\nGenre: Jump-n-Run\nPlayer: 2P Simultan\n");
#ifdef VARNIMO_CLI_DECODES_SCREENSHOTS
    WriteBytes("shots/bob_i.jpeg", Picture("demo/screens/aether_knights_e_ingame.png"));
    Result broken = RunCli({"show", "1", "--ticks", "2"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("error: Ungültiges Bild: "), std::string::npos) << broken.err;
    EXPECT_EQ(broken.out,
              "Size:  1024 kbyte\nGenre: Jump-n-Run\nPlayer: 1 Player\n"
              "screen: " +
                  kShots + "bob_t.png\nscreen: " + kShots + "bob_t.png\n");
#endif
}

TEST_F(CliTest, LaunchDryRunAndWithoutSelection) {
    Result r = RunCli({"launch", "zsnes", "1", "--dry-run"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "program: emuz/zsnesw" + kExe + "\nargument: roms/Bob's Game (U).zip\n");

    // A line beyond the list is no selection, for show as for the Run buttons.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"launch", "snes9x", "7", "--dry-run"},
          {"show", "9999", "--ticks", "2"},
          {"show", "3"},
          {"--search", "nothing like it", "show", "0"}}) {
        Result none = RunCli(args);
        EXPECT_EQ(none.status, 1) << args[1];
        EXPECT_EQ(none.out, "") << args[1];
        EXPECT_EQ(none.err,
                  "notice: Varnimo will use scanned.dat\nerror: Please select a ROM first!\n")
            << args[1];
    }
    EXPECT_EQ(RunCli({"launch", "nestopia", "1"}).status, 2);

    // A selection update that fails keeps the selection: the error shows, the Run button
    // still starts the emulator.
    std::filesystem::remove("roms/Bob's Game (U).zip");
    Result gone = RunCli({"launch", "snes9x", "1", "--dry-run"});
    EXPECT_EQ(gone.status, 1);
    EXPECT_EQ(gone.err, "notice: Varnimo will use scanned.dat\nerror: E/A-Fehler 2\n");
    EXPECT_EQ(gone.out, "program: emu9/snes9x" + kExe + "\nargument: roms/Bob's Game (U).zip\n");
    WriteBytes("shots/zed_t.gif", "GIF89a");
    Result shot = RunCli({"launch", "zsnes", "2", "--dry-run"});
    EXPECT_EQ(shot.status, 1);
    EXPECT_NE(shot.err.find("error: Unbekannte Bilddateierweiterung (.gif)\n"), std::string::npos);
    EXPECT_EQ(shot.out, "program: emuz/zsnesw" + kExe + "\nargument: roms/Zed (J).zip\n");
}

TEST_F(CliTest, LaunchStartsTheProgramWithThePathAsOneArgument) {
    std::filesystem::create_directory("emu9");
    std::filesystem::copy_file(kRecorder, "emu9/snes9x" + kExe);
    // What the started program wrote, once it has written it.
    auto started = [] {
        for (int wait = 0; wait < 100 && ReadBytes("started.txt").empty(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return ReadBytes("started.txt");
    };
    Result r = RunCli({"--search", "bob", "launch", "snes9x", "0"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(started(), "1|roms/Bob's Game (U).zip");
}

#ifndef _WIN32
// With no emulator folder the program is looked for in PATH's absolute folders only and
// started by the path found there. The system's own search would take an empty or relative
// entry as the working directory, where a program of that name in the collection folder
// would run instead; here that one must never run, and with nothing found nothing starts.
TEST_F(CliTest, WithoutAFolderTheProgramFoundOnThePathIsStartedByThatPath) {
    const std::string here = dir_.Path().string();
    std::filesystem::create_directories("abs/empty");
    std::filesystem::create_directories("abs/first");
    std::filesystem::create_directories("abs/second");
    std::filesystem::copy_file(kRecorder, "abs/first/snes9x");
    std::filesystem::copy_file(kRecorder, "abs/second/snes9x-gtk");
    // Stand-ins where a relative PATH entry points: the working directory and bin/.
    const std::string impostor = "#!/bin/sh\necho \"$0\" >> ran-instead.txt\n";
    WriteBytes("snes9x", impostor);
    WriteBytes("bin/snes9x", impostor);
    for (const char* name : {"snes9x", "bin/snes9x"}) {
        std::filesystem::permissions(name, std::filesystem::perms::owner_all);
    }
    WriteBytes("options.dat", "shots/\r\nroms/\r\n\r\nemuz/\r\n0\r\n0\r\n");
    const std::string first = here + "/abs/first";
    const std::string second = here + "/abs/second";
    const struct {
        std::string path;     // the PATH the program runs with
        std::string started;  // the program started, empty when none is found
    } cases[] = {
        {":" + first, first + "/snes9x"},
        {first + ":.", first + "/snes9x"},
        {".:bin:" + first + "/", first + "/snes9x"},
        {"", ""},
        {"bin:.:", ""},
        {here + "/abs/empty:" + second, second + "/snes9x-gtk"},
        {second + ":" + first, first + "/snes9x"},  // the first name is preferred
    };
    const std::string not_found =
        "error: Snes9X was not found: choose its folder in Settings > Options.\n";
    for (const auto& c : cases) {
        SCOPED_TRACE("PATH=" + c.path);
        std::filesystem::remove("started.txt");
        const std::vector<std::string> env = {"PATH=" + c.path};
        Result dry = testing::RunProgram({kCli, "launch", "snes9x", "1", "--dry-run"}, env);
        Result run = testing::RunProgram({kCli, "launch", "snes9x", "1"}, env);
        if (c.started.empty()) {
            EXPECT_EQ(dry.status, 1);
            EXPECT_EQ(dry.out, "");
            EXPECT_EQ(dry.err, "notice: Varnimo will use scanned.dat\n" + not_found);
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err, "notice: Varnimo will use scanned.dat\n" + not_found);
        } else {
            EXPECT_EQ(dry.status, 0);
            EXPECT_EQ(dry.out, "program: " + c.started + "\nargument: roms/Bob's Game (U).zip\n");
            EXPECT_EQ(run.status, 0);
            for (int wait = 0; wait < 100 && ReadBytes("started.txt").empty(); ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            EXPECT_EQ(ReadBytes("started.txt"), "1|roms/Bob's Game (U).zip");
        }
        EXPECT_FALSE(std::filesystem::exists("ran-instead.txt"));
    }
}
#endif

// A NUL byte in a title or a folder setting names no file, though the name before it does:
// the system would read a name only up to the NUL, so the program never hands it one.
TEST(CliNames, ANulByteInATitleOrAFolderNamesNoFile) {
    const std::string nul(1, '\0');
    const struct {
        const char* what;
        std::string options;
        std::string catalogue;
        std::vector<std::pair<std::string, std::string>> files;
        std::string listed;  // stdout of list
        std::string owned;   // the counter's line
        std::string cache;   // scanned.dat as the fresh scan writes it
    } cases[] = {
        {"title",
         "shots/\r\nroms/\r\n\r\n\r\n0\r\n0\r\n",
         "1\r\nz" + nul + "x;;;0;0\r\n",
         {{"roms/z", ""}},
         "",
         "You have 0 of 1 known Roms\n",
         "0\r\n"},
        {"ROM folder",
         "shots/\r\nro" + nul + "ms/\r\n\r\n\r\n0\r\n0\r\n",
         "1\r\nGame;;;0;0\r\n",
         {{"ro", ""}},
         "",
         "You have 0 of 1 known Roms\n",
         "0\r\n"},
        {"screenshot folder",
         "ro" + nul + "ms/\r\nroms/\r\n\r\n\r\n0\r\n0\r\n",
         "1\r\nGame;;;0;0\r\n",
         {{"ro", "N"}, {"roms/Game.zip", ""}},
         "Game\n",
         "You have 1 of 1 known Roms\n",
         "1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteBytes("options.dat", c.options);
        WriteBytes("SNES_screens.dat", c.catalogue);
        for (const auto& [name, bytes] : c.files) {
            WriteBytes(name, bytes);
        }
        Result r = RunCli({"list"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.listed);
        EXPECT_EQ(r.err.find("error:"), std::string::npos) << r.err;
        EXPECT_TRUE(r.err.ends_with(c.owned)) << r.err;
        EXPECT_EQ(ReadBytes("scanned.dat"), c.cache);
    }
}

#ifndef _WIN32
// A FIFO or a device where a ROM or a screenshot belongs is refused at once (a FIFO's open
// would wait for a writer forever), and a screenshot file far larger than any screenshot is
// refused before it is read.
TEST_F(CliTest, FilesThatAreNotWhatTheySeemAreRefusedAtOnce) {
    const std::string rom = "roms/Bob's Game (U).zip";
    const std::string shot = "shots/bob_t.png";
    const struct {
        const char* what;
        std::string replaced;  // this file becomes what `what` says
        std::string error;     // the error line; empty for none
        std::string screen;    // the screen: line where there is no error
    } cases[] = {
        {"fifo", rom, "error: E/A-Fehler 2\n", ""},
        {"device", rom, "error: E/A-Fehler 2\n", ""},
        {"fifo", shot, "", "screen: (no picture)\n"},
        {"device", shot, "", "screen: (no picture)\n"},
#ifdef VARNIMO_CLI_DECODES_SCREENSHOTS
        {"64 MiB + 1", shot, "error: Bilddatei zu groß (über 64 MiB)\n", ""},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.what) + " as " + c.replaced);
        const std::string saved = ReadBytes(c.replaced);
        std::filesystem::remove(c.replaced);
        std::optional<testing::FifoWriter> writer;
        if (std::string(c.what) == "fifo") {
            ASSERT_EQ(::mkfifo(c.replaced.c_str(), 0600), 0);
            writer.emplace(c.replaced);
        } else if (std::string(c.what) == "device") {
            std::filesystem::create_symlink("/dev/null", c.replaced);
        } else {
            WriteBytes(c.replaced, "");
            std::filesystem::resize_file(c.replaced, (std::uintmax_t{64} << 20) + 1);
        }
        Result r = RunCli({"show", "1"});
        writer.reset();
        EXPECT_EQ(r.status, c.error.empty() ? 0 : 1);
        EXPECT_EQ(r.err, "notice: Varnimo will use scanned.dat\n" + c.error);
        if (c.error.empty()) {
            EXPECT_TRUE(r.out.ends_with("Player: 1 Player\n" + c.screen)) << r.out;
        }
        std::filesystem::remove(c.replaced);
        WriteBytes(c.replaced, saved);
    }
}
#endif

#ifndef _WIN32
// Runs varnimo-cli with stdout and stderr on a pseudo-terminal that passes bytes unchanged
// (raw mode) and returns all it wrote there.
Result RunOnTerminal(const std::vector<std::string>& args) {
    std::vector<std::string> all = {kCli};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    termios raw{};
    ::cfmakeraw(&raw);
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, &raw, nullptr);
    if (child == 0) {
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    Result run;
    if (child < 0) {
        return run;
    }
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(terminal, chunk, sizeof chunk);
        if (got > 0) {
            run.out.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            break;  // EIO once the program has gone and its output is read
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(terminal);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A file name can hold escape sequences; written to a terminal as they are they would drive
// it. On a terminal every control byte of a title or a path shows as \xHH, on stdout and on
// stderr; to a pipe the bytes stay exact.
TEST(CliTerminal, ControlBytesShowOnATerminalAndStayExactInAPipe) {
    TempDir dir;
    const std::string title = "T\x1b[8mi\x07\x7ft\tle\nZ";  // ';' would end the title
    const std::string shown = "T\\x1b[8mi\\x07\\x7ft\\x09le\\x0aZ";
    const std::string roms = "ro\x1b[2Jms/";
    const std::string roms_shown = "ro\\x1b[2Jms/";
    WriteBytes("options.dat", "\x01shots/\r\n" + roms + "\r\nemu9/\r\n\r\n0\r\n0\r\n");
    WriteBytes("SNES_screens.dat", "1\r\n" + title + ";p\x1b.png;p\x1b.png;1;1\r\n");
    WriteBytes(roms + title + ".zip", "");
    WriteBytes("\x01shots//p\x1b.png", ReadBytes(std::string(VARNIMO_SOURCE_DIR) +
                                                 "/demo/screens/aether_knights_e_ingame.png"));
    const std::string scan =
        "notice: Varnimo will now scan " + roms_shown +
        " for ROMS - please be patient, this could take a while\ninfo: scanned.dat saved "
        "successfully!\n";
    const struct {
        std::vector<std::string> args;
        std::string on_terminal;  // stdout and stderr together
        std::string to_pipe;      // stdout
    } cases[] = {
        {{"list"}, scan + shown + "\nShowing: 1/1\nYou have 1 of 1 known Roms\n", title + "\n"},
        {{"show", "0"},
         scan + "Size:  0 kbyte\nGenre: Puzzle\nPlayer: 1 Player\nscreen: \\x01shots//p\\x1b.png\n",
         "Size:  0 kbyte\nGenre: Puzzle\nPlayer: 1 Player\nscreen: \x01shots//p\x1b.png\n"},
        {{"launch", "snes9x", "0", "--dry-run"},
         scan + "program: emu9/snes9x\nargument: " + roms_shown + shown + ".zip\n",
         "program: emu9/snes9x\nargument: " + roms + title + ".zip\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        std::filesystem::remove("scanned.dat");
        Result terminal = RunOnTerminal(c.args);
        EXPECT_EQ(terminal.status, 0);
        EXPECT_EQ(terminal.out, c.on_terminal);
        std::filesystem::remove("scanned.dat");
        Result pipe = RunCli(c.args);
        EXPECT_EQ(pipe.status, 0);
        EXPECT_EQ(pipe.out, c.to_pipe);
        EXPECT_EQ(pipe.err.substr(0, 30 + roms.size()), "notice: Varnimo will now scan " + roms);
    }
}
#endif

TEST_F(CliTest, AStartUpThatEndsEarlyExitsWithOne) {
    WriteBytes("scanned.dat", "1\r\n1.0\r\n");
    Result bad_cache = RunCli({"list"});
    EXPECT_EQ(bad_cache.status, 1);
    EXPECT_EQ(bad_cache.err,
              "notice: Varnimo will use scanned.dat\nerror: '1.0' ist kein gültiger Integerwert\n");
    EXPECT_EQ(bad_cache.out, "");

    std::filesystem::remove("SNES_screens.dat");
    Result no_catalogue = RunCli({"list"});
    EXPECT_EQ(no_catalogue.status, 1);
    EXPECT_EQ(no_catalogue.err, "error: Could not load Datafile!\n");

    // Missing options are reported, but the start-up goes on.
    WriteBytes("SNES_screens.dat", "1\r\nHere;;;1;1\r\n");
    std::filesystem::remove("options.dat");
    std::filesystem::remove("scanned.dat");
    WriteBytes("Here.zip", "");
    Result no_options = RunCli({"list"});
    EXPECT_EQ(no_options.status, 0);
    EXPECT_EQ(no_options.out, "Here\n");
    EXPECT_EQ(no_options.err.rfind(
                  "error: Could not load Options!\nnotice: Varnimo will now scan  for ROMS", 0),
              0u);
    EXPECT_EQ(ReadBytes("scanned.dat"), "1\r\n");
}

TEST_F(CliTest, RunsInTheFolderGivenAndSurvivesABinaryCatalogue) {
    std::filesystem::create_directory("other");
    std::string binary;
    for (int i = 0; i < 200000; ++i) {
        binary.push_back(static_cast<char>((i * 7919) % 251));
    }
    WriteBytes("other/SNES_screens.dat", binary);
    WriteBytes("other/scanned.dat", "1\r\n1\r\n1\r\n");
    Result r = RunCli({"-C", "other", "--show", "All", "list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(" known Roms\n"), std::string::npos);
}

#ifndef _WIN32
// The import writes absolute folders the platform's way (C:\Roms\ on Windows); the
// expected texts here are POSIX paths.
TEST_F(CliTest, ImportMakesACollectionOnceAndSaysWhatItSkipped) {
    const std::string here = std::filesystem::current_path().string();
    std::filesystem::create_directory("new");
    WriteBytes("mine/Zoo (U).zip", "");
    WriteBytes("mine/ape (E).smc", "");
    WriteBytes("mine/x.7z", "");
    Result r = RunCli({"-C", "new", "import", "../mine", "--snes9x", "/opt/s9x", "--zsnes", ""});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "imported 2 titles from " + here +
                         "/mine/, 0 with screenshots; skipped 1 other file (.7z 1)\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadBytes("new/options.dat"),
              "\r\n" + here + "/mine/\r\n/opt/s9x/\r\n\r\n2000\r\n0\r\n");
    Result list = RunCli({"-C", "new", "list"});
    EXPECT_EQ(list.out, "ape (E)\nZoo (U)\n");
    EXPECT_EQ(list.err,
              "notice: Varnimo will use scanned.dat\nShowing: 2/2\nYou have 2 of 2 known Roms\n");

    // Again: refused without --force, with nothing touched; replaced with it.
    WriteBytes("mine/new.fig", "");
    Result again = RunCli({"-C", "new", "import", "../mine"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(again.err, "error: options.dat is there already (--force replaces it)\n");
    EXPECT_EQ(RunCli({"-C", "new", "list"}).out, "ape (E)\nZoo (U)\n");
    EXPECT_EQ(RunCli({"-C", "new", "import", "--force", "../mine"}).status, 0);
    EXPECT_EQ(RunCli({"-C", "new", "list"}).out, "ape (E)\nnew\nZoo (U)\n");

    Result missing = RunCli({"import", "nope"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "error: the ROM folder nope: No such file or directory\n");
    std::filesystem::create_directory("other");
    WriteBytes("saves/a.srm", "");
    Result no_roms = RunCli({"-C", "other", "import", "../saves"});
    EXPECT_EQ(no_roms.status, 1);
    EXPECT_EQ(no_roms.err,
              "error: the ROM folder ../saves holds no ROM files (.zip, .smc, .fig, .smd, .sfc "
              "or .swc): it holds 1 other file (.srm 1)\n");
    EXPECT_TRUE(std::filesystem::is_empty("other"));  // nothing written
    for (const std::vector<std::string>& usage : {std::vector<std::string>{"import"},
                                                  {"import", "mine", "other"},
                                                  {"import", "mine", "--screens"},
                                                  {"import", "mine", "--fast"},
                                                  {"import", "mine", "--dat"},
                                                  {"--genre", "8", "import", "mine"}}) {
        EXPECT_EQ(RunCli(usage).status, 2);
    }
}
#endif

#ifndef _WIN32
// A collector's folder named the way today's sets name files, imported with the libretro
// database's genre, maxusers and No-Intro DATs (real excerpts) and a small No-Intro DAT in
// Logiqx XML: the menus then list what a collector looks for.
TEST_F(CliTest, ImportWithDatFilesGivesGenrePlayersRegionsAndTheMissingGames) {
    using testing::WithCrc;
    const std::string rom(1020, 'r');
    // Content with the CRC the DATs list for the game: raw, behind a copier's header, or
    // stored in a zip archive.
    const auto raw = [&](std::uint32_t crc) { return WithCrc(rom, crc); };
    const auto headered = [&](std::uint32_t crc) { return std::string(512, 'h') + raw(crc); };
    const auto zipped = [&](const char* entry, std::uint32_t crc) {
        return testing::Zip({{"readme.txt", rom + rom}, {entry, raw(crc)}});
    };
    const std::vector<std::pair<std::string, std::string>> files = {
        // Named as No-Intro names them: recognised by name, whatever the content.
        {"3 Ninjas Kick Back (USA).sfc", rom},
        {"7th Saga, The (USA).sfc", rom},
        {"ActRaiser (USA).sfc", rom},
        {"Addams Family Values (Europe) (En,Fr,De).sfc", rom},
        {"Aerobiz (USA).sfc", rom},
        {"Arkanoid - Doh It Again (USA).swc", rom},
        {"Battle Pinball (Japan).sfc", rom},
        // Recognised by content.
        {"Aladdin (Europe).smc", headered(0x44FF6E78)},
        {"Aladdin (Germany).zip", zipped("Aladdin (Germany).sfc", 0xA7AD3E5D)},
        {"Aladdin (World) (Disney Classic Games).sfc", raw(0xC997AED1)},
        {"Asterix (Europe) (En,Fr,De,Es).zip", zipped("Asterix.sfc", 0x5DDEDC28)},
        {"Axelay (U) [!].smc", headered(0xF812B533)},
        // Games the XML DAT lists, one of them twice in the folder.
        {"Super Mario World (USA).sfc", raw(0xB19ED489)},
        {"Tetris & Dr. Mario (USA).zip", zipped("Tetris & Dr. Mario (USA).sfc", 0x4D6B8E1A)},
        {"Die Schl\xC3\xBCmpfe (Germany).zip", zipped("Smurfs.sfc", 0x1B73B7CF)},
        {"Super Metroid (Japan, USA) (En).sfc", raw(0xD63ED5F8)},
        {"EarthBound (USA).sfc", raw(0xDC9BB451)},
        {"EarthBound (USA).zip", zipped("EarthBound (USA).sfc", 0xDC9BB451)},
        // No DAT knows them: hacks and translations keep rows of their own.
        {"Super Mario World Kaizo (Hack).sfc", rom + "kaizo"},
        {"Secret of Mana (Germany) (Translated En).sfc", rom + "mana"},
        // Not ROM files.
        {"Chrono Trigger (USA).7z", rom},
        {"Super Mario World (USA).srm", "save"},
        {"readme.txt", "read me"},
    };
    for (const auto& [name, bytes] : files)
        WriteBytes("set/" + name, bytes);
    WriteBytes("nointro.xml",
               "<?xml version=\"1.0\"?>\n<!DOCTYPE datafile>\n<datafile>\n"
               "\t<header><name>Nintendo - Super Nintendo Entertainment System</name></header>\n"
               "\t<game name=\"Super Mario World (USA)\"><description>Super Mario World (USA)"
               "</description><rom name=\"Super Mario World (USA).sfc\" size=\"524288\" "
               "crc=\"b19ed489\"/></game>\n"
               "\t<game name=\"Tetris &amp; Dr. Mario (USA)\"><rom name=\"Tetris &amp; Dr. Mario "
               "(USA).sfc\" size=\"1048576\" crc=\"4d6b8e1a\"/></game>\n"
               "\t<game name=\"Die Schl\xC3\xBCmpfe (Germany)\"><rom name=\"Die Schl\xC3\xBCmpfe "
               "(Germany).sfc\" size=\"1048576\" crc=\"1b73b7cf\"/></game>\n"
               "\t<game name=\"Super Metroid (Japan, USA) (En)\"><rom name=\"Super Metroid (Japan, "
               "USA) (En).sfc\" size=\"3145728\" crc=\"d63ed5f8\"/></game>\n"
               "\t<game name=\"EarthBound (USA)\"><rom name=\"EarthBound (USA).sfc\" "
               "size=\"3145728\" crc=\"dc9bb451\"/></game>\n"
               "\t<game name=\"F-Zero (USA)\"><rom name=\"F-Zero (USA).sfc\" size=\"524288\" "
               "crc=\"aa0e31de\"/></game>\n"
               "</datafile>\n");
    const std::string dats = std::string(VARNIMO_SOURCE_DIR) + "/tests/catalogue/data/";
    std::filesystem::create_directory("mine");
    Result imported =
        RunCli({"-C", "mine", "import", "../set", "--dat", dats + "snes-genre-excerpt.dat", "--dat",
                dats + "snes-maxusers-excerpt.dat", "--dat", dats + "snes-no-intro-excerpt.dat",
                "--dat", "../nointro.xml", "--zsnes", "/opt/zs"});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.err, "");  // no progress line: stderr is no terminal
    EXPECT_EQ(imported.out,
              "imported 19 titles from " + dir_.Path().string() +
                  "/set/, 0 with screenshots, 12 with a genre, 12 with players, 10 matched by CRC "
                  "and 7 by name; 239 of 256 known games missing; skipped 3 other files (.7z 1, "
                  ".srm 1, .txt 1)\n");

    const auto list = [](std::vector<std::string> filters) {
        filters.insert(filters.begin(), {"-C", "mine"});
        filters.push_back("list");
        return RunCli(filters);
    };
    const struct {
        std::vector<std::string> filters;
        const char* titles;
    } menus[] = {
        {{"--genre", "Jump 'n Run"},
         "3 Ninjas Kick Back (USA)\nActRaiser (USA)\nAladdin (Europe)\nAladdin (Germany)\n"
         "Aladdin (World) (Disney Classic Games)\n"},
        {{"--genre", "Pinball"}, "Battle Pinball (Japan)\n"},
        {{"--genre", "RPG 2D", "--show", "All", "--search", "saga"}, "7th Saga, The (USA)\n"},
        {{"--genre", "uncategorized"},
         "Die Schl\xC3\xBCmpfe (Germany)\nEarthBound (USA)\nSecret of Mana (Germany) (Translated "
         "En)\nSuper Mario World (USA)\nSuper Mario World Kaizo (Hack)\nSuper Metroid (Japan, "
         "USA) (En)\nTetris & Dr. Mario (USA)\n"},
        {{"--player", "more than 2"}, "Aerobiz (USA)\n"},
        {{"--player", "2P Simultan"}, "3 Ninjas Kick Back (USA)\nArkanoid - Doh It Again (USA)\n"},
        {{"--region", "German"},
         "Addams Family Values (Europe) (En,Fr,De)\nAladdin (Germany)\nAsterix (Europe) "
         "(En,Fr,De,Es)\nDie Schl\xC3\xBCmpfe (Germany)\nSecret of Mana (Germany) (Translated "
         "En)\n"},
        {{"--region", "Spanish"}, "Asterix (Europe) (En,Fr,De,Es)\n"},
        {{"--region", "Japan"},
         "Aladdin (World) (Disney Classic Games)\nBattle Pinball (Japan)\nSuper Metroid (Japan, "
         "USA) (En)\n"},
        {{"--region", "USA", "--genre", "Action Adventure"},
         "Arkanoid - Doh It Again (USA)\nAxelay (U) [!]\n"},
        {{"--show", "Missing", "--search", "aladdin"},
         "Aladdin (France)\nAladdin (Japan)\nAladdin (Spain)\nAladdin (USA)\nAladdin (USA) "
         "(Beta)\nAladdin 2000 (USA) (Pirate)\n"},
        {{"--show", "Missing", "--search", "zero"}, "F-Zero (USA)\n"},
        {{"--show", "Missing", "--search", "axelay"},
         "Axelay (Europe)\nAxelay (Japan)\nAxelay (USA) (Sample)\n"},
    };
    for (const auto& menu : menus) {
        Result r = list(menu.filters);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, menu.titles) << menu.filters[1];
    }
    Result all = list({});
    EXPECT_EQ(all.err,
              "notice: Varnimo will use scanned.dat\nShowing: 19/19\nYou have 19 of 258 known "
              "Roms\n");

    // A .swc title shows its size and launches with its extension.
    Result show = RunCli({"-C", "mine", "--search", "arkanoid", "show", "0"});
    EXPECT_EQ(show.out.substr(0, show.out.find("screen:")),
              "Size:  1 kbyte\nGenre: Action Adventure\nPlayer: 2P Simultan\n");
    Result launch =
        RunCli({"-C", "mine", "--search", "arkanoid", "launch", "zsnes", "0", "--dry-run"});
    EXPECT_NE(launch.out.find("/set/Arkanoid - Doh It Again (USA).swc\n"), std::string::npos)
        << launch.out;
}
#endif

TEST_F(CliTest, HelpAndVersionGoToStdout) {
    Result version = RunCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "varnimo-cli 0.301\n");
    Result help = RunCli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: varnimo-cli [-C DIR] [FILTERS] COMMAND ...\n", 0), 0u);
    EXPECT_NE(help.out.find("  import ROMDIR"), std::string::npos);
#ifdef VARNIMO_CLI_DECODES_SCREENSHOTS
    EXPECT_NE(help.out.find("decoded as the window decodes them"), std::string::npos);
#else
    EXPECT_NE(help.out.find("checked by its\nextension only"), std::string::npos);
#endif
    EXPECT_EQ(help.err, "");
}

// The shipped demo collection covers what the window has to show.
TEST(DemoCollection, CoversEveryGenrePlayersCodeAndRegionMarker) {
    std::string catalogue = ReadBytes(std::string(VARNIMO_SOURCE_DIR) + "/demo/SNES_screens.dat");
    std::istringstream lines(catalogue);
    std::string line;
    std::getline(lines, line);
    std::set<int> genres;
    std::set<int> players;
    std::set<std::string> markers;
    std::set<std::string> extensions;
    int rows = 0;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r');
        line.pop_back();
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, ';');) {
            fields.push_back(field);
        }
        ASSERT_EQ(fields.size(), 5u) << line;
        ++rows;
        genres.insert(std::stoi(fields[3]));
        players.insert(std::stoi(fields[4]));
        for (const char* marker : {"(E)", "(U)", "(J)", "(G)", "(S)", "(F)"}) {
            if (fields[0].find(marker) != std::string::npos) {
                markers.insert(marker);
            }
        }
        for (int shot : {1, 2}) {
            extensions.insert(fields[static_cast<std::size_t>(shot)].substr(
                fields[static_cast<std::size_t>(shot)].rfind('.')));
        }
    }
    EXPECT_GE(rows, 60);
    EXPECT_EQ(genres.size(), 21u);
    EXPECT_EQ(players.size(), 6u);
    EXPECT_EQ(markers.size(), 6u);
    EXPECT_EQ(extensions, (std::set<std::string>{".jpeg", ".jpg", ".png"}));
}

}  // namespace
}  // namespace varnimo
