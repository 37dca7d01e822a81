#include "cli/terminal_text.h"

#include "rtl/files.h"

namespace varnimo::cli {

TerminalText::TerminalText(std::FILE* stream) : shows_controls_(rtl::IsTerminal(stream)) {}

void TerminalText::Append(std::string& out, std::string_view text) const {
    if (!shows_controls_) {
        out.append(text);
        return;
    }
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out.append("\\x");
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xF]);
        } else {
            out.push_back(c);
        }
    }
}

std::string TerminalText::operator()(std::string_view text) const {
    std::string out;
    Append(out, text);
    return out;
}

}  // namespace varnimo::cli
