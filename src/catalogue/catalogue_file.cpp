#include "catalogue/catalogue_file.h"

#include <algorithm>

#include "rtl/convert.h"
#include "rtl/files.h"
#include "rtl/text_file.h"

namespace varnimo::catalogue {

CatalogueLine SplitCatalogueLine(std::string_view line) {
    std::string_view rest = line;
    auto take_field = [&rest]() -> std::string_view {
        std::size_t semicolon = rest.find(';');
        if (semicolon == std::string_view::npos) {
            return {};
        }
        std::string_view field = rest.substr(0, semicolon);
        rest.remove_prefix(semicolon + 1);
        return field;
    };
    CatalogueLine fields;
    fields.title = take_field();
    fields.startup_shot = take_field();
    fields.ingame_shot = take_field();
    fields.genre = rtl::CatalogueInt(take_field());
    fields.players = rtl::CatalogueInt(rest);
    return fields;
}

void ReadScreenPackVersions(const std::string& screen_path, std::array<double, 26>& versions) {
    for (char letter = 'a'; letter <= 'z'; ++letter) {
        // The folder setting already ends with a separator; the doubled one is harmless.
        std::string name = screen_path + rtl::kPathSeparator + letter;
        if (!rtl::FileExists(name)) {
            continue;
        }
        rtl::TextFileReader reader(name);
        versions[static_cast<std::size_t>(letter - 'a')] = rtl::StrToFloat(reader.ReadLine());
    }
}

std::optional<std::size_t> CountCatalogueLines(const std::string& file) {
    if (!rtl::FileExists(file)) {
        return std::nullopt;
    }
    rtl::TextFileReader reader(file);
    std::size_t count = 0;
    while (!reader.Eof()) {
        reader.ReadLine();
        ++count;
    }
    return count;
}

void LoadKnownRomTable(KnownRomTable& table, double& database_version,
                       const std::function<void()>& step, const std::string& file) {
    rtl::TextFileReader reader(file);
    database_version = rtl::PointFloat(reader.ReadLine());
    const std::size_t rows = table.Size();
    for (std::size_t i = 0; i < rows && !reader.Eof(); ++i) {
        CatalogueLine fields = SplitCatalogueLine(reader.ReadLine());
        table.title[i].assign(fields.title);
        table.startup_shot[i].assign(fields.startup_shot);
        table.ingame_shot[i].assign(fields.ingame_shot);
        table.genre_code[i] = fields.genre;
        table.player_code[i] = fields.players;
        step();
    }
}

std::optional<CatalogueContents> ReadCatalogue(const std::string& file) {
    if (!rtl::FileExists(file)) {
        return std::nullopt;
    }
    rtl::TextFileReader reader(file);
    CatalogueContents contents;
    // The three text columns together hold less than the file; room for the whole file in
    // each is only address space until written, and saves copying them as they grow.
    const std::size_t bytes =
        static_cast<std::size_t>(std::max<std::int64_t>(0, rtl::FileSize(file)));
    // A data line is rarely shorter than 16 bytes; more rows only make the columns grow.
    contents.table.title.reserve(bytes / 16, bytes);
    contents.table.startup_shot.reserve(bytes / 16, bytes);
    contents.table.ingame_shot.reserve(bytes / 16, bytes);
    contents.table.genre_code.reserve(bytes / 16);
    contents.table.player_code.reserve(bytes / 16);
    if (reader.Eof()) {
        return contents;
    }
    contents.version = rtl::PointFloat(reader.ReadLine());
    contents.lines = 1;
    while (!reader.Eof()) {
        const CatalogueLine fields = SplitCatalogueLine(reader.ReadLine());
        contents.table.title.push_back(fields.title);
        contents.table.startup_shot.push_back(fields.startup_shot);
        contents.table.ingame_shot.push_back(fields.ingame_shot);
        contents.table.genre_code.push_back(fields.genre);
        contents.table.player_code.push_back(fields.players);
        ++contents.lines;
    }
    contents.table.scan_status.assign(contents.table.title.size(), 0);
    contents.table.title.ReleaseUnused();
    contents.table.startup_shot.ReleaseUnused();
    contents.table.ingame_shot.ReleaseUnused();
    return contents;
}

void StoreCatalogue(CatalogueContents&& contents, KnownRomTable& table) {
    const std::size_t rows = contents.Rows();
    std::vector<std::int32_t> statuses = std::move(table.scan_status);
    statuses.resize(rows, 0);
    table = std::move(contents.table);
    table.scan_status = std::move(statuses);
}

}  // namespace varnimo::catalogue
