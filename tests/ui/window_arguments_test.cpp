// The window's own options are taken out of argv; the rest is left for Qt.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window_arguments.h"

namespace varnimo::ui {
namespace {

TEST(WindowArguments, TakesItsOwnOptionsAndLeavesTheRestForQt) {
    using Action = WindowArguments::Action;
    const struct {
        std::vector<std::string> args;  // after the program name
        Action action;
        std::string directory;
        bool user_collection;
        std::vector<std::string> left;  // for Qt
    } cases[] = {
        {{}, Action::Run, "", false, {}},
        {{"-C", "/coll", "-platform", "offscreen"},
         Action::Run,
         "/coll",
         false,
         {"-platform", "offscreen"}},
        {{"--user-collection"}, Action::Run, "", true, {}},
        {{"--version", "-C", "x"}, Action::Version, "x", false, {}},
        {{"stray", "--help"}, Action::Help, "", false, {"stray"}},
        {{"-C"}, Action::Usage, "", false, {}},
        {{"-C", "x", "--user-collection"}, Action::Usage, "x", true, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> all = {"varnimo"};
        all.insert(all.end(), c.args.begin(), c.args.end());
        std::vector<char*> argv;
        for (std::string& arg : all)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(all.size());
        const WindowArguments got = TakeWindowArguments(argc, argv.data());
        EXPECT_EQ(got.action, c.action) << c.args.size();
        EXPECT_EQ(got.directory, c.directory);
        EXPECT_EQ(got.user_collection, c.user_collection);
        if (c.action == Action::Usage) {
            EXPECT_FALSE(got.problem.empty());
            continue;
        }
        std::vector<std::string> left(argv.begin() + 1, argv.begin() + argc);
        EXPECT_EQ(left, c.left);
        EXPECT_EQ(argv[static_cast<std::size_t>(argc)], nullptr);
    }
}

}  // namespace
}  // namespace varnimo::ui
