// varnimo-captions TEMPLATE OUTPUT: fills the menu captions that varnimo-cli's --genre,
// --player, --region and --show take into its bash completion and its manual page, from the
// very lists the program matches them against, so the three cannot drift apart.
//
//   @GENRE_BASH@ (also PLAYER, REGION, SHOW)   the captions as words of a bash array
//   @GENRE_ROFF@                              the captions with their numbers, as man text
#include <cstdio>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

#include "catalogue/names.h"

namespace {

using varnimo::catalogue::MenuEntry;

// Each caption in single quotes (a quote inside becomes '\'').
std::string BashWords(std::span<const MenuEntry> menu) {
    std::string words;
    for (const auto& entry : menu) {
        if (!words.empty()) {
            words += ' ';
        }
        words += '\'';
        for (const char c : entry.caption) {
            words += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        words += '\'';
    }
    return words;
}

// "All\~(\-1), Action\~Adventure\~(15), ...": one line of man text; a caption never breaks
// across lines, and minus signs and quotes come out as the characters a user can type.
std::string RoffList(std::span<const MenuEntry> menu) {
    std::string text;
    for (const auto& entry : menu) {
        if (!text.empty()) {
            text += ", ";
        }
        for (const char c : entry.caption) {
            switch (c) {
                case ' ':
                    text += "\\~";
                    break;
                case '-':
                    text += "\\-";
                    break;
                case '\'':
                    text += "\\(aq";
                    break;
                case '\\':
                    text += "\\e";
                    break;
                default:
                    text += c;
            }
        }
        text += "\\~(";
        text += entry.tag < 0 ? "\\-" + std::to_string(-entry.tag) : std::to_string(entry.tag);
        text += ')';
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: varnimo-captions TEMPLATE OUTPUT\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "varnimo-captions: cannot read %s\n", argv[1]);
        return 1;
    }
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const struct {
        std::string_view name;
        std::span<const MenuEntry> menu;
    } menus[] = {{"GENRE", varnimo::catalogue::GenreMenu()},
                 {"PLAYER", varnimo::catalogue::PlayerMenu()},
                 {"REGION", varnimo::catalogue::RegionMenu()},
                 {"SHOW", varnimo::catalogue::ShowRomsMenu()}};
    int filled = 0;
    for (const auto& menu : menus) {
        for (const bool bash : {true, false}) {
            const std::string placeholder =
                "@" + std::string(menu.name) + (bash ? "_BASH@" : "_ROFF@");
            const std::string value = bash ? BashWords(menu.menu) : RoffList(menu.menu);
            for (std::size_t at = text.find(placeholder); at != std::string::npos;
                 at = text.find(placeholder, at + value.size())) {
                text.replace(at, placeholder.size(), value);
                ++filled;
            }
        }
    }
    if (filled == 0) {
        std::fprintf(stderr, "varnimo-captions: %s names no menu\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "varnimo-captions: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
