// A keystroke that only adds to the search text narrows the previous list instead of
// filtering the whole table again; over random edits of the text and the menus between
// them, the list must always be the one a full rebuild gives.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/main_window_logic.h"
#include "app/recording_view.h"
#include "catalogue/filters.h"
#include "rtl/test_files.h"

namespace varnimo {
namespace {

using testing::RecordingView;
using testing::TempDir;
using testing::WriteBytes;

TEST(SearchNarrowing, RandomEditsListWhatAFullRebuildLists) {
    TempDir dir;
    std::mt19937 random(23);
    // Titles from few letters, so that texts of several letters still match many of them.
    const std::string letters = "abcdAB (u)E";
    auto random_text = [&](std::size_t max_length) {
        std::string text(random() % (max_length + 1), ' ');
        for (char& c : text) {
            c = letters[random() % letters.size()];
        }
        return text;
    };
    std::string catalogue = "1\r\n";
    std::string cache;
    for (int row = 0; row < 4000; ++row) {
        catalogue += random_text(12) + ";;;" + std::to_string(random() % 3) + ";" +
                     std::to_string(random() % 3) + "\r\n";
        cache += std::to_string(random() % 2) + "\r\n";
    }
    WriteBytes("options.dat", "shots/\r\nroms/\r\nemu9/\r\nemuz/\r\n3000\r\n0\r\n");
    WriteBytes("SNES_screens.dat", catalogue);
    WriteBytes("scanned.dat", cache);

    RecordingView view;
    app::MainWindowLogic logic{view};
    view.Attach(&logic);
    logic.Reset();
    ASSERT_EQ(logic.CurrentCollection().Table().Size(), 4000u);

    for (int step = 0; step < 3000; ++step) {
        std::string text = view.search_text;
        const unsigned action = random() % 20;
        if (action < 11) {
            text.push_back(letters[random() % letters.size()]);  // typing on
            view.SetSearchText(text);
        } else if (action < 14 && !text.empty()) {
            text.pop_back();  // backspace
            view.SetSearchText(text);
        } else if (action < 16) {
            text.insert(random() % (text.size() + 1), 1, letters[random() % letters.size()]);
            view.SetSearchText(text);
        } else if (action == 16) {
            logic.ClearSearch();
        } else if (action == 17) {
            logic.SetFilter(app::MenuGroup::Genre, static_cast<int>(random() % 4) - 1);
        } else if (action == 18) {
            const int tags[] = {-1, 1, 2, 3};
            logic.SetFilter(app::MenuGroup::Region, tags[random() % 4]);
        } else if (random() % 10 == 0) {
            logic.Reset();
        } else {
            const int tags[] = {-1, 1, 2};
            logic.SetFilter(app::MenuGroup::ShowRoms, tags[random() % 3]);
        }

        catalogue::TitleIndex index;
        index.Build(logic.CurrentCollection().Table().title);
        catalogue::Filters filters = logic.CurrentBrowser().Filters();
        const std::string search_text = view.search_text;
        filters.search_text = search_text;
        std::vector<std::int32_t> expected;
        catalogue::FilterRows(logic.CurrentCollection().Table(), index, filters, expected);
        ASSERT_EQ(view.lines, expected)
            << "step " << step << ", search text '" << search_text << "'";
    }
}

}  // namespace
}  // namespace varnimo
