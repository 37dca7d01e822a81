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
        table.Title[i].assign(fields.title);
        table.StartupShot[i].assign(fields.startup_shot);
        table.IngameShot[i].assign(fields.ingame_shot);
        table.GenreCode[i] = fields.genre;
        table.PlayerCode[i] = fields.players;
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
    contents.table.Title.reserve(bytes / 16, bytes);
    contents.table.StartupShot.reserve(bytes / 16, bytes);
    contents.table.IngameShot.reserve(bytes / 16, bytes);
    contents.table.GenreCode.reserve(bytes / 16);
    contents.table.PlayerCode.reserve(bytes / 16);
    if (reader.Eof()) {
        return contents;
    }
    contents.version = rtl::PointFloat(reader.ReadLine());
    contents.lines = 1;
    while (!reader.Eof()) {
        const CatalogueLine fields = SplitCatalogueLine(reader.ReadLine());
        contents.table.Title.push_back(fields.title);
        contents.table.StartupShot.push_back(fields.startup_shot);
        contents.table.IngameShot.push_back(fields.ingame_shot);
        contents.table.GenreCode.push_back(fields.genre);
        contents.table.PlayerCode.push_back(fields.players);
        ++contents.lines;
    }
    contents.table.ScanStatus.assign(contents.table.Title.size(), 0);
    contents.table.Title.ReleaseUnused();
    contents.table.StartupShot.ReleaseUnused();
    contents.table.IngameShot.ReleaseUnused();
    return contents;
}

void StoreCatalogue(CatalogueContents&& contents, KnownRomTable& table) {
    const std::size_t rows = contents.Rows();
    std::vector<std::int32_t> statuses = std::move(table.ScanStatus);
    statuses.resize(rows, 0);
    table = std::move(contents.table);
    table.ScanStatus = std::move(statuses);
}

}  // namespace varnimo::catalogue
