#include "catalogue/dat_merge.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

#include "catalogue/title_index.h"

namespace varnimo::catalogue {
namespace {

// Genre words as the libretro database writes them, compared without blanks and with
// letters folded.
struct GenreWord {
    std::string_view words;
    std::int32_t code;
};
constexpr GenreWord kGenreWords[] = {
    {"action", 15},
    {"adventure", 15},
    {"platform", 8},
    {"role-playing(rpg)", 6},
    {"sports", 7},
    {"sportswithanimals", 7},
    {"huntingandfishing", 7},
    {"racing", 13},
    {"puzzle", 1},
    {"quiz", 1},
    {"board", 5},
    {"card", 5},
    {"gambling", 5},
    {"shooter", 18},
    {"lightgunshooter", 18},
    {"shoot'emup", 9},
    {"fighting", 4},
    {"beat'emup", 4},
    {"strategy", 20},
    {"simulation", 11},
    {"pinball", 17},
    {"educational", 16},
    {"music/dancing", 16},
    {"compilation", 19},
    {"various", 19},
};

std::string Folded(std::string_view text, bool drop_blanks) {
    std::string folded;
    folded.reserve(text.size());
    for (char c : text) {
        if (!drop_blanks || (c != ' ' && c != '\t'))
            folded.push_back(FoldAscii(c));
    }
    return folded;
}

std::int32_t CodeOfOneGenre(std::string_view words) {
    const std::string key = Folded(words, true);
    for (const GenreWord& genre : kGenreWords) {
        if (genre.words == key)
            return genre.code;
    }
    return 0;
}

// A ROM entry's name without its extension: the title of a file named after it.
std::string_view WithoutExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? name : name.substr(0, dot);
}

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// One game, as the DATs together describe it.
struct KnownGame {
    std::string name;
    bool named_by_list = false;  // the name comes from a DAT that lists games
    bool listed = false;
    std::int32_t genre = 0;
    std::int32_t players = 0;
    std::size_t file = kNone;  // the file that is this game
    std::size_t dat = kNone;   // the last DAT that described it
};

bool ListsGames(const std::vector<DatGame>& dat) {
    return std::any_of(dat.begin(), dat.end(), [](const DatGame& game) {
        return std::any_of(game.roms.begin(), game.roms.end(), [](const DatRom& rom) {
            return !rom.name.empty() && rom.size.has_value();
        });
    });
}

}  // namespace

std::int32_t GenreCodeOfWords(std::string_view genre) {
    if (const std::int32_t code = CodeOfOneGenre(genre); code != 0)
        return code;
    for (std::size_t start = 0; start < genre.size();) {
        const std::size_t comma = std::min(genre.find(',', start), genre.size());
        if (const std::int32_t code = CodeOfOneGenre(genre.substr(start, comma - start)); code != 0)
            return code;
        start = comma + 1;
    }
    return 0;
}

std::int32_t PlayerCodeOfUsers(std::optional<std::int32_t> users) {
    if (!users || *users <= 0)
        return 0;
    return *users == 1 ? 1 : *users == 2 ? 2 : 5;
}

MergedCatalogue MergeCatalogue(const std::vector<std::vector<DatGame>>& dats,
                               std::vector<FoundRomFile> files) {
    MergedCatalogue merged;
    MergeCounts& counts = merged.counts;

    std::vector<KnownGame> games;
    std::unordered_map<std::uint32_t, std::size_t> by_crc;
    std::unordered_map<std::string, std::size_t> by_name;  // folded
    for (std::size_t d = 0; d < dats.size(); ++d) {
        const bool lists = ListsGames(dats[d]);
        // Entries of one DAT are different games, even where they share a ROM (a re-release
        // of the same bytes) or a name.
        auto of_other_dat = [&](auto found, const auto& map) {
            return found != map.end() && games[found->second].dat != d ? found->second : kNone;
        };
        for (const DatGame& entry : dats[d]) {
            std::size_t known = kNone;
            for (const DatRom& rom : entry.roms) {
                if (rom.crc && known == kNone)
                    known = of_other_dat(by_crc.find(*rom.crc), by_crc);
            }
            const std::string folded_title = Folded(entry.Title(), false);
            if (known == kNone && !folded_title.empty())
                known = of_other_dat(by_name.find(folded_title), by_name);
            if (known == kNone) {
                known = games.size();
                games.emplace_back();
            }
            KnownGame& game = games[known];
            game.dat = d;
            if (!entry.Title().empty() && (game.name.empty() || (lists && !game.named_by_list))) {
                game.name = entry.Title();
                game.named_by_list = lists;
            }
            game.listed = game.listed || lists;
            if (game.genre == 0)
                game.genre = GenreCodeOfWords(entry.genre);
            if (game.players == 0)
                game.players = PlayerCodeOfUsers(entry.users);
            for (const DatRom& rom : entry.roms) {
                if (rom.crc)
                    by_crc.emplace(*rom.crc, known);
                if (!rom.name.empty())
                    by_name.emplace(Folded(WithoutExtension(rom.name), false), known);
            }
            if (!folded_title.empty())
                by_name.emplace(folded_title, known);
        }
    }

    // One file per title, the lowest code first, as the scan would choose.
    std::sort(files.begin(), files.end(), [](const FoundRomFile& a, const FoundRomFile& b) {
        return a.title != b.title ? a.title < b.title : a.status < b.status;
    });
    files.erase(std::unique(files.begin(), files.end(),
                            [](const FoundRomFile& a, const FoundRomFile& b) {
                                return a.title == b.title;
                            }),
                files.end());

    // By CRC first over all files, so that a file named like another game still goes to the
    // game its content is; then by title.
    std::vector<std::size_t> game_of_file(files.size(), kNone);
    auto take = [&](std::size_t file, std::size_t known) {
        game_of_file[file] = known;
        if (games[known].file == kNone)
            games[known].file = file;
    };
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (auto found = files[f].crc ? by_crc.find(*files[f].crc) : by_crc.end();
            found != by_crc.end()) {
            take(f, found->second);
            ++counts.by_crc;
        }
    }
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (game_of_file[f] != kNone)
            continue;
        if (auto found = by_name.find(Folded(files[f].title, false)); found != by_name.end()) {
            take(f, found->second);
            ++counts.by_name;
        }
    }

    struct Row {
        std::string_view title;
        std::int32_t status;
        const KnownGame* game;
    };
    std::vector<Row> rows;
    rows.reserve(files.size() + games.size());
    for (std::size_t f = 0; f < files.size(); ++f) {
        rows.push_back({files[f].title, files[f].status,
                        game_of_file[f] == kNone ? nullptr : &games[game_of_file[f]]});
    }
    for (const KnownGame& game : games) {
        if (!game.listed)
            continue;
        ++counts.known;
        if (game.file == kNone) {
            rows.push_back({game.name, kNotFound, &game});
            ++counts.missing;
        }
    }

    // Rows in the order the list shows them, so the catalogue reads like the list.
    std::size_t bytes = 0;
    for (const Row& row : rows)
        bytes += row.title.size();
    TextColumn titles;
    titles.reserve(rows.size(), bytes);
    for (const Row& row : rows)
        titles.push_back(row.title);
    TitleIndex index;
    index.Build(titles);
    KnownRomTable& table = merged.table;
    table.title.reserve(rows.size(), bytes);
    for (std::int32_t r : index.Order())
        table.title.push_back(rows[static_cast<std::size_t>(r)].title);
    table.Resize(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[static_cast<std::size_t>(index.Order()[i])];
        table.scan_status[i] = row.status;
        table.genre_code[i] = row.game != nullptr ? row.game->genre : 0;
        table.player_code[i] = row.game != nullptr ? row.game->players : 0;
        counts.with_genre += table.genre_code[i] != 0;
        counts.with_players += table.player_code[i] != 0;
    }
    return merged;
}

}  // namespace varnimo::catalogue
