#include "settings/program_options.h"

#include <string>

#include "rtl/convert.h"
#include "rtl/files.h"
#include "rtl/text_file.h"

namespace varnimo::settings {

namespace {

// Lines 1 to 4, the same for both readers.
void ReadPaths(rtl::TextFileReader& reader, ProgramOptions& options) {
    options.screen_folder = reader.ReadLine();
    options.rom_folder = reader.ReadLine();
    options.snes9x_folder = reader.ReadLine();
    options.zsnes_folder = reader.ReadLine();
}

}  // namespace

OptionsFileStatus LoadStartupOptions(ProgramOptions& options, bool& options_loaded,
                                     std::uint32_t& interval, const std::string& file) {
    if (!rtl::FileExists(file)) {
        return OptionsFileStatus::Missing;
    }
    {
        rtl::TextFileReader reader(file);
        ReadPaths(reader, options);
        options.interval_text = reader.ReadLine();
    }
    options_loaded = true;
    // A negative number wraps, as the timer takes the value as an unsigned count.
    interval = static_cast<std::uint32_t>(rtl::StrToInt(options.interval_text));
    return OptionsFileStatus::Read;
}

OptionsFileStatus LoadDialogOptions(ProgramOptions& options, std::string& mode_text,
                                    const std::string& file) {
    if (!rtl::FileExists(file)) {
        return OptionsFileStatus::Missing;
    }
    {
        rtl::TextFileReader reader(file);
        ReadPaths(reader, options);
        reader.ReadLine();  // the interval in effect is the timer's; the file's is not taken here
        mode_text = reader.ReadLine();
    }
    return OptionsFileStatus::Read;
}

SaveStatus SaveOptions(const ProgramOptions& options, std::uint32_t interval,
                       std::int32_t show_mode, const std::string& file) {
    // The ZSNES folder alone is not enough: it is not one of the folders the check looks at.
    if (options.screen_folder.empty() && options.rom_folder.empty() &&
        options.snes9x_folder.empty()) {
        return SaveStatus::NoFolder;
    }
    rtl::TextFileWriter writer(file);
    WriteOptionsLines(writer, options, interval, show_mode);
    writer.Commit();
    return SaveStatus::Saved;
}

void WriteOptionsLines(rtl::TextFileWriter& writer, const ProgramOptions& options,
                       std::uint32_t interval, std::int32_t show_mode) {
    writer.WriteLine(options.screen_folder);
    writer.WriteLine(options.rom_folder);
    writer.WriteLine(options.snes9x_folder);
    writer.WriteLine(options.zsnes_folder);
    writer.WriteLine(std::to_string(interval));
    writer.WriteLine(std::to_string(show_mode));
}

}  // namespace varnimo::settings
