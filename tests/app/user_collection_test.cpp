// The user's own collection folder: where it is, and which folders are trusted with the
// options.dat that decides which program starts.

#include "app/user_collection.h"

#include <gtest/gtest.h>

// Windows enters the folder as it is: modes, owners and links are POSIX matters.
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "rtl/test_files.h"
#include "support/test_env.h"

namespace varnimo {
namespace {

using testing::TempDir;

std::string WorkingDirectory() {
    return std::filesystem::current_path().string();
}

TEST(UserCollection, OnlyAFolderOfTheUsersOwnThatNobodyElseMayWriteIsEntered) {
    const struct {
        const char* rule;
        mode_t mode;          // of the folder, or of the folder the link names
        bool link;            // the collection folder is a link to it
        bool other_owner;     // the folder belongs to nobody (needs root to arrange)
        const char* problem;  // nullptr: entered
    } cases[] = {
        {"a folder of one's own", 0700, false, false, nullptr},
        {"others may read, as with ssh", 0755, false, false, nullptr},
        {"a link to a folder of one's own", 0700, true, false, nullptr},
        {"writable by all", 0777, false, false,
         "the collection folder COLLECTION may be written by others (mode 0777): its options.dat "
         "decides which program starts as the emulator, so it is used only when it is yours "
         "alone (chmod go-w COLLECTION)"},
        {"writable by the group", 0770, false, false, "may be written by others (mode 0770)"},
        {"a link to a folder writable by all", 01777, true, false,
         "COLLECTION (a link to TARGET) may be written by others (mode 1777)"},
        {"another user's", 0700, false, true,
         "the collection folder COLLECTION belongs to another user (uid 65534): its options.dat "
         "decides which program starts as the emulator, so only a folder of your own is used"},
        {"a link to another user's", 0755, true, true, "belongs to another user (uid 65534)"},
    };
    for (const auto& c : cases) {
        if (c.other_owner && ::geteuid() != 0) {
            std::printf("not checked without root (no chown): %s\n", c.rule);
            continue;
        }
        TempDir dir;
        const std::string here = WorkingDirectory();
        const std::string target = here + "/target";
        const std::string collection = here + "/collection";
        ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(target.c_str(), c.mode), 0);
        if (c.other_owner) {
            ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
        }
        if (c.link) {
            std::filesystem::create_directory_symlink(target, collection);
        } else {
            std::filesystem::rename(target, collection);
        }
        const std::string problem = app::EnterCollectionFolder(collection).value_or("");
        if (c.problem == nullptr) {
            EXPECT_EQ(problem, "") << c.rule;
            EXPECT_EQ(WorkingDirectory(), c.link ? target : collection) << c.rule;
            continue;
        }
        std::string expected = c.problem;
        for (const auto& [name, value] :
             {std::pair{"COLLECTION", collection}, std::pair{"TARGET", target}}) {
            for (std::size_t at; (at = expected.find(name)) != std::string::npos;)
                expected.replace(at, std::strlen(name), value);
        }
        EXPECT_NE(problem.find(expected), std::string::npos) << c.rule << ": " << problem;
        EXPECT_EQ(WorkingDirectory(), here) << c.rule;  // not entered
    }
}

TEST(UserCollection, TheFolderComesFromXdgDataHomeOrHomeAndTheProblemSaysWhichIsWrong) {
    const struct {
        const char* rule;
        std::optional<std::string> data;  // XDG_DATA_HOME; "~" stands for the test folder
        std::optional<std::string> home;
        const char* entered;  // under the test folder, or nullptr
        const char* problem;
    } cases[] = {
        {"XDG_DATA_HOME first", "~/data", "~/home", "/data/varnimo", ""},
        {"HOME when XDG_DATA_HOME is unset", std::nullopt, "~/home", "/home/.local/share/varnimo",
         ""},
        {"HOME when XDG_DATA_HOME is relative", "data", "~/home", "/home/.local/share/varnimo", ""},
        {"neither set", std::nullopt, std::nullopt, nullptr,
         "no folder for the collection: neither XDG_DATA_HOME nor HOME is set"},
        {"HOME relative", std::nullopt, "home", nullptr,
         "no folder for the collection: HOME is not an absolute path (home) and XDG_DATA_HOME "
         "is not set"},
        {"both relative or empty", "", "./home", nullptr,
         "no folder for the collection: HOME is not an absolute path (./home) and XDG_DATA_HOME "
         "is not set"},
    };
    const char* const names[] = {"XDG_DATA_HOME", "HOME"};
    std::optional<std::string> saved[2];
    for (int i = 0; i < 2; ++i) {
        if (const char* value = std::getenv(names[i]))
            saved[i] = value;
    }
    for (const auto& c : cases) {
        TempDir dir;
        const std::string here = WorkingDirectory();
        const std::optional<std::string> values[] = {c.data, c.home};
        for (int i = 0; i < 2; ++i) {
            if (!values[i]) {
                testing::UnsetVariable(names[i]);
            } else if (values[i]->rfind("~", 0) == 0) {
                testing::SetVariable(names[i], here + values[i]->substr(1));
            } else {
                testing::SetVariable(names[i], *values[i]);
            }
        }
        EXPECT_EQ(app::EnterUserCollection().value_or(""), c.problem) << c.rule;
        if (c.entered == nullptr) {
            EXPECT_EQ(WorkingDirectory(), here) << c.rule;
            continue;
        }
        EXPECT_EQ(WorkingDirectory(), here + c.entered) << c.rule;
        struct stat info {};
        ASSERT_EQ(::stat(".", &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u) << c.rule;  // made for the user alone
    }
    for (int i = 0; i < 2; ++i) {
        if (saved[i]) {
            testing::SetVariable(names[i], *saved[i]);
        } else {
            testing::UnsetVariable(names[i]);
        }
    }
}

}  // namespace
}  // namespace varnimo
#endif
