#pragma once
// Text as it reaches one output stream. Titles and paths are bytes from file names and the
// catalogue; written to a terminal as they are, an escape sequence in a file name would drive
// the terminal (move the cursor, retitle the window, hide lines). To a terminal every control
// byte (below 0x20, and 0x7F) is therefore shown as \xHH; a backslash stays as it is. To a
// pipe or a file the bytes stay exact, for scripts.

#include <cstdio>
#include <string>
#include <string_view>

namespace varnimo::cli {

class TerminalText {
  public:
    // Asks once whether `stream` is a terminal.
    explicit TerminalText(std::FILE* stream);

    // Appends `text` to `out` as this stream is to show it.
    void Append(std::string& out, std::string_view text) const;
    std::string operator()(std::string_view text) const;
    bool IsTerminal() const { return shows_controls_; }

  private:
    bool shows_controls_;
};

}  // namespace varnimo::cli
