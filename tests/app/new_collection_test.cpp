// The "New collection" rules without a dialog: the import runs on its own thread, its end
// comes back through the view's Post, and the view shows the outcome.

#include "app/new_collection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "rtl/files.h"
#include "rtl/test_files.h"

namespace varnimo {
namespace {

using testing::TempDir;
using testing::WriteBytes;

// Records what the rules ask of the dialog; posted tasks wait until the test runs them, as
// on the view's own thread.
class RecordingNewCollectionView : public app::NewCollectionView {
  public:
    app::NewCollectionFields fields;
    std::vector<std::string> log;

    app::NewCollectionFields Fields() const override { return fields; }
    void Post(std::function<void()> task) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        posted_.push_back(std::move(task));
    }
    void ShowBusy(bool busy) override { log.push_back(busy ? "busy" : "idle"); }
    void ShowProgress(std::size_t done, std::size_t total) override {
        if (done == total) {
            log.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
        }
    }
    void InfoBox(const std::string& text) override { log.push_back("info: " + text); }
    void ErrorBox(const std::string& text) override { log.push_back("error: " + text); }
    void Accept() override { log.push_back("accept"); }

    // Runs posted tasks until the import is over (or a minute has passed).
    void RunUntilIdle(const app::NewCollection& rules) {
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        while (rules.Importing() && std::chrono::steady_clock::now() < give_up) {
            std::deque<std::function<void()>> tasks;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                tasks.swap(posted_);
            }
            for (auto& task : tasks) {
                task();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

  private:
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
};

TEST(NewCollectionRules, ARefusedImportSaysWhyAndAMadeOneAccepts) {
    TempDir dir;
    RecordingNewCollectionView view;
    app::NewCollection rules(view, catalogue::RomImportRequest{});

    view.fields.rom_folder = "no such folder";
    rules.Create();
    view.RunUntilIdle(rules);
    ASSERT_EQ(view.log.size(), 3u);
    EXPECT_EQ(view.log[0], "busy");
    EXPECT_EQ(view.log[1], "idle");
    EXPECT_EQ(view.log[2].rfind("error: the ROM folder no such folder: ", 0), 0u) << view.log[2];
    EXPECT_FALSE(rtl::FileExists(catalogue::kCatalogueFileName));

    view.log.clear();
    WriteBytes("roms/Alpha Run (U).sfc", std::string(4096, 'a'));
    view.fields.rom_folder = "roms";
    rules.Create();
    view.RunUntilIdle(rules);
    ASSERT_FALSE(view.log.empty());
    EXPECT_EQ(view.log.front(), "busy");
    EXPECT_EQ(view.log.back(), "accept");
    EXPECT_EQ(view.log[view.log.size() - 2].rfind("info: ", 0), 0u);
    EXPECT_TRUE(rtl::FileExists(catalogue::kCatalogueFileName));

    // Once more: the collection is there now, and the box says where to move it from.
    view.log.clear();
    rules.Create();
    view.RunUntilIdle(rules);
    EXPECT_EQ(view.log,
              (std::vector<std::string>{"busy", "idle",
                                        "error: options.dat is there already: move it out of " +
                                            std::filesystem::current_path().generic_string() +
                                            " to make a new collection there"}));
}

TEST(FileList, OneLineForSeveralFileNames) {
    const struct {
        std::vector<std::string> files;
        std::string line;
    } cases[] = {
        {{}, ""},
        {{"/d/one file.dat"}, "/d/one file.dat"},
        {{"/d/a.dat", "/d/b c.xml"}, "\"/d/a.dat\" \"/d/b c.xml\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(app::JoinFileList(c.files), c.line);
        EXPECT_EQ(app::SplitFileList(c.line), c.files);
    }
    // Typed by hand: bare names beside quoted ones, blanks around them.
    EXPECT_EQ(app::SplitFileList("  \"/d/a.dat\"/d/b.dat\t \"/d/c d.dat\" "),
              (std::vector<std::string>{"/d/a.dat", "/d/b.dat", "/d/c d.dat"}));
}

}  // namespace
}  // namespace varnimo
