#include "catalogue/dat_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "rtl/files.h"
#include "rtl/runtime_error.h"

namespace varnimo::catalogue {

namespace {

DatProblem Problem(const std::string& file, std::size_t line, const std::string& reason) {
    return {line, file + ":" + (line > 0 ? std::to_string(line) + ":" : "") + " " + reason};
}

// The readers below stop at the first fault from however deep they are by throwing this;
// ParseDat catches it and returns the problem, so that no exception leaves this file.
struct Stopped {
    DatProblem problem;
};

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// What the two formats share: the file's name and the line being read, for errors, and the
// fields whose form the program relies on.
class Source {
  public:
    Source(std::string_view text, const std::string& file) : text_(text), file_(file) {}

    [[noreturn]] void Fail(std::size_t line, const std::string& reason) const {
        throw Stopped{Problem(file_, line, reason)};
    }

    std::uint64_t Number(std::string_view field, std::string_view value, std::size_t line,
                         std::uint64_t max) const {
        std::uint64_t number = 0;
        bool fits = !value.empty();
        for (char c : value) {
            if (c < '0' || c > '9') {
                fits = false;
                break;
            }
            const auto digit = static_cast<std::uint64_t>(c - '0');
            if (number > (max - digit) / 10) {
                Fail(line, std::string(field) + " " + std::string(value) + " is too large");
            }
            number = number * 10 + digit;
        }
        if (!fits) {
            Fail(line, std::string(field) + " \"" + std::string(value) + "\" is not a number");
        }
        return number;
    }

    std::uint32_t Crc(std::string_view value, std::size_t line) const {
        std::uint32_t crc = 0;
        bool valid = value.size() == 8;
        for (std::size_t i = 0; valid && i < value.size(); ++i) {
            const int digit = HexDigit(value[i]);
            valid = digit >= 0;
            crc = (crc << 4) | static_cast<std::uint32_t>(digit < 0 ? 0 : digit);
        }
        if (!valid) {
            Fail(line, "crc \"" + std::string(value) + "\" is not 8 hexadecimal digits");
        }
        return crc;
    }

    void SetUsers(DatGame& game, std::string_view value, std::size_t line) const {
        game.users = static_cast<std::int32_t>(Number("users", value, line, 0x7FFFFFFF));
    }
    void SetSize(DatRom& rom, std::string_view value, std::size_t line) const {
        rom.size = Number("size", value, line, UINT64_MAX);
    }

  protected:
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    const std::string& file_;
};

// ---- clrmamepro text ------------------------------------------------------------------------

class TextDat : Source {
  public:
    using Source::Source;

    std::vector<DatGame> Games() {
        std::vector<DatGame> games;
        bool header = false;
        for (Token token = Next(); token.kind != Kind::End; token = Next()) {
            if (token.kind == Kind::Close) {
                Fail(token.line, "')' without its '('");
            }
            if (token.kind != Kind::Word) {
                Fail(token.line, "expected a block such as game ( ... )");
            }
            const std::string_view name = token.text;
            const std::size_t line = token.line;
            if (Next().kind != Kind::Open) {
                Fail(line, "expected '(' after " + std::string(name));
            }
            if (name == "game" || name == "machine") {
                games.push_back(Game(line));
            } else {
                header = header || name == "clrmamepro";
                Skip(line);
            }
        }
        if (games.empty() && !header) {
            Fail(1, "not a DAT file: no clrmamepro header and no game");
        }
        return games;
    }

  private:
    enum class Kind { Word, String, Open, Close, End };
    struct Token {
        Kind kind;
        std::string_view text;  // a word, or a string without its quotes and escapes
        std::size_t line;
    };

    Token Next() {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) {
            line_ += text_[pos_] == '\n';
            ++pos_;
        }
        if (pos_ == text_.size()) {
            return {Kind::End, {}, line_};
        }
        const char c = text_[pos_];
        if (c == '(' || c == ')') {
            ++pos_;
            return {c == '(' ? Kind::Open : Kind::Close, {}, line_};
        }
        if (c == '"') {
            return String();
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsSpace(text_[pos_]) && text_[pos_] != '(' &&
               text_[pos_] != ')' && text_[pos_] != '"') {
            ++pos_;
        }
        return {Kind::Word, text_.substr(start, pos_ - start), line_};
    }

    // A quoted string on one line; \" and \\ stand for " and \.
    Token String() {
        const std::size_t start = ++pos_;
        const std::size_t end = text_.find_first_of("\"\\\n", start);
        if (end != std::string_view::npos && text_[end] == '"') {
            pos_ = end + 1;
            return {Kind::String, text_.substr(start, end - start), line_};
        }
        unescaped_.clear();
        for (std::size_t at = start; at < text_.size() && text_[at] != '\n'; ++at) {
            if (text_[at] == '"') {
                pos_ = at + 1;
                return {Kind::String, unescaped_, line_};
            }
            if (text_[at] == '\\' && at + 1 < text_.size() &&
                (text_[at + 1] == '"' || text_[at + 1] == '\\')) {
                ++at;
            }
            unescaped_.push_back(text_[at]);
        }
        Fail(line_, "a quoted text is not closed on its line");
    }

    // Reads up to the ')' that closes the block opened on `line`.
    void Skip(std::size_t line) {
        for (int depth = 1; depth > 0;) {
            const Token token = Next();
            if (token.kind == Kind::End) {
                Fail(line, "the '(' of this line is not closed");
            }
            depth += token.kind == Kind::Open ? 1 : token.kind == Kind::Close ? -1 : 0;
        }
    }

    // Calls on_field(key, value token) for each `key value` pair of the block opened on
    // `line`; a value that is a block is skipped unless on_block(key, value line) reads it.
    template <typename OnField, typename OnBlock>
    void Fields(std::size_t line, OnField&& on_field, OnBlock&& on_block) {
        for (;;) {
            const Token key = Next();
            if (key.kind == Kind::Close) {
                return;
            }
            if (key.kind == Kind::End) {
                Fail(line, "the '(' of this line is not closed");
            }
            if (key.kind != Kind::Word) {
                Fail(key.line, "expected a field name");
            }
            if (key.text == "game" || key.text == "machine") {
                Fail(key.line, "a game inside a game: a ')' is missing before this line");
            }
            const std::string_view name = key.text;  // a word lies in the file's text
            const Token value = Next();
            if (value.kind == Kind::Open) {
                if (!on_block(name, value.line)) {
                    Skip(value.line);
                }
            } else if (value.kind == Kind::Word || value.kind == Kind::String) {
                on_field(name, value);
            } else {
                Fail(key.line, "the field " + std::string(name) + " has no value");
            }
        }
    }

    DatGame Game(std::size_t line) {
        DatGame game;
        std::string comment;
        Fields(
            line,
            [&](std::string_view key, const Token& value) {
                if (key == "name") {
                    game.name = value.text;
                } else if (key == "description") {
                    game.description = value.text;
                } else if (key == "comment") {
                    comment = value.text;
                } else if (key == "genre") {
                    game.genre = value.text;
                } else if (key == "region") {
                    game.region = value.text;
                } else if (key == "users") {
                    SetUsers(game, value.text, value.line);
                }
            },
            [&](std::string_view key, std::size_t block_line) {
                if (key != "rom") {
                    return false;
                }
                game.roms.push_back(Rom(block_line));
                return true;
            });
        if (game.description.empty()) {
            game.description = std::move(comment);
        }
        return game;
    }

    DatRom Rom(std::size_t line) {
        DatRom rom;
        Fields(
            line,
            [&](std::string_view key, const Token& value) {
                if (key == "name") {
                    rom.name = value.text;
                } else if (key == "size") {
                    SetSize(rom, value.text, value.line);
                } else if (key == "crc") {
                    rom.crc = Crc(value.text, value.line);
                }
            },
            [](std::string_view, std::size_t) { return false; });
        return rom;
    }

    std::string unescaped_;
};

// ---- Logiqx XML -----------------------------------------------------------------------------

// The part of XML these files use: elements, attributes, text, the five named entities and
// character references, CDATA; the declaration, processing instructions, comments and the
// document type are skipped. Games are the <game> or <machine> children of the root.
class XmlDat : Source {
  public:
    using Source::Source;

    std::vector<DatGame> Games() {
        std::vector<DatGame> games;
        std::vector<std::pair<std::string, std::size_t>> open;  // element names and lines
        std::string root;
        std::string* capture = nullptr;  // where the text of the element read goes
        for (;;) {
            if (capture == nullptr) {
                SkipSpace();  // blanks between elements say nothing
            }
            const std::size_t line = line_;
            if (pos_ == text_.size()) {
                if (!open.empty()) {
                    Fail(open.back().second, "<" + open.back().first + "> is not closed");
                }
                break;
            }
            if (text_[pos_] != '<') {
                if (open.empty()) {
                    Fail(line, "text outside the root element");
                }
                const std::string text = Text();
                if (capture != nullptr) {
                    capture->append(text);
                }
                continue;
            }
            if (Skipped(root.empty())) {
                continue;
            }
            if (text_.compare(pos_, 9, "<![CDATA[") == 0) {
                const std::size_t end = Find("]]>", pos_ + 9, "a CDATA section");
                if (capture != nullptr) {
                    capture->append(text_.substr(pos_ + 9, end - pos_ - 9));
                }
                Advance(end + 3);
                continue;
            }
            if (text_.compare(pos_, 2, "</") == 0) {
                Advance(pos_ + 2);
                const std::string name(Name());
                SkipSpace();
                Expect('>', "'>' after </" + name);
                if (open.empty() || open.back().first != name) {
                    Fail(line, open.empty()
                                   ? "</" + name + "> closes nothing"
                                   : "</" + name + "> where <" + open.back().first + "> of line " +
                                         std::to_string(open.back().second) + " is to be closed");
                }
                open.pop_back();
                capture = nullptr;
                continue;
            }
            if (text_.compare(pos_, 2, "<!") == 0) {
                Fail(line, "unexpected <! here");
            }
            Advance(pos_ + 1);
            Element element = StartTag(line);
            if (open.empty()) {
                if (!root.empty()) {
                    Fail(line, "a second root element <" + element.name + ">");
                }
                root = element.name;
            }
            capture = nullptr;
            if (open.size() == 1 && (element.name == "game" || element.name == "machine")) {
                games.emplace_back().name = Attribute(element, "name");
            } else if (open.size() == 2 && IsGame(open[1].first)) {
                DatGame& game = games.back();
                if (element.name == "rom") {
                    games.back().roms.push_back(Rom(element, line));
                } else if (element.name == "description") {
                    capture = &game.description;
                } else if (element.name == "genre") {
                    capture = &game.genre;
                }
            }
            if (!element.empty) {
                open.emplace_back(std::move(element.name), line);
            } else {
                capture = nullptr;
            }
        }
        if (root.empty()) {
            Fail(line_, "no root element");
        }
        if (games.empty() && root != "datafile" && root != "mame") {
            Fail(1, "not a DAT file: the root element is <" + root + ">, not <datafile>");
        }
        return games;
    }

  private:
    struct Element {
        std::string name;
        std::vector<std::pair<std::string, std::string>> attributes;
        bool empty = false;  // <name ... />
    };

    static bool IsGame(std::string_view name) { return name == "game" || name == "machine"; }

    void Advance(std::size_t to) {
        line_ += static_cast<std::size_t>(
            std::count(text_.begin() + static_cast<std::ptrdiff_t>(pos_),
                       text_.begin() + static_cast<std::ptrdiff_t>(to), '\n'));
        pos_ = to;
    }
    void SkipSpace() {
        std::size_t at = pos_;
        while (at < text_.size() && IsSpace(text_[at]))
            ++at;
        Advance(at);
    }
    std::size_t Find(std::string_view what, std::size_t from, const char* construct) {
        const std::size_t at = text_.find(what, from);
        if (at == std::string_view::npos) {
            Fail(line_, std::string(construct) + " is not closed");
        }
        return at;
    }
    void Expect(char c, const std::string& what) {
        if (pos_ == text_.size() || text_[pos_] != c) {
            Fail(line_, "expected " + what);
        }
        Advance(pos_ + 1);
    }

    // Skips a comment, a processing instruction or (before the root) the document type at
    // pos_; false when none is there.
    bool Skipped(bool before_root) {
        if (text_.compare(pos_, 4, "<!--") == 0) {
            Advance(Find("-->", pos_ + 4, "a comment") + 3);
        } else if (text_.compare(pos_, 2, "<?") == 0) {
            Advance(Find("?>", pos_ + 2, "a processing instruction") + 2);
        } else if (text_.compare(pos_, 9, "<!DOCTYPE") == 0 && before_root) {
            // Up to the '>' outside quotes and outside the internal subset's brackets.
            int depth = 0;
            char quote = 0;
            std::size_t at = pos_ + 9;
            for (; at < text_.size(); ++at) {
                const char c = text_[at];
                if (quote != 0) {
                    quote = c == quote ? 0 : quote;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '[' || c == ']') {
                    depth += c == '[' ? 1 : -1;
                } else if (c == '>' && depth == 0) {
                    break;
                }
            }
            if (at == text_.size()) {
                Fail(line_, "the document type is not closed");
            }
            Advance(at + 1);
        } else {
            return false;
        }
        return true;
    }

    std::string_view Name() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsSpace(text_[pos_]) &&
               std::strchr("/>=<\"'&", text_[pos_]) == nullptr) {
            ++pos_;
        }
        if (pos_ == start) {
            Fail(line_, "expected a name");
        }
        return text_.substr(start, pos_ - start);
    }

    Element StartTag(std::size_t line) {
        Element element;
        element.name = Name();
        for (;;) {
            const std::size_t before = pos_;
            SkipSpace();
            if (pos_ == text_.size()) {
                Fail(line, "<" + element.name + " is not closed");
            }
            if (text_[pos_] == '>') {
                Advance(pos_ + 1);
                return element;
            }
            if (text_.compare(pos_, 2, "/>") == 0) {
                Advance(pos_ + 2);
                element.empty = true;
                return element;
            }
            if (pos_ == before) {
                Fail(line_, "expected a blank before an attribute of <" + element.name + ">");
            }
            std::string name(Name());
            SkipSpace();
            Expect('=', "'=' after the attribute " + name);
            SkipSpace();
            if (pos_ == text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) {
                Fail(line_, "the value of the attribute " + name + " is not quoted");
            }
            const char quote = text_[pos_];
            const std::size_t end = Find(std::string_view(&quote, 1), pos_ + 1, "a quoted value");
            const std::string_view raw = text_.substr(pos_ + 1, end - pos_ - 1);
            if (raw.find('<') != std::string_view::npos) {
                Fail(line_, "'<' inside the value of the attribute " + name);
            }
            const std::size_t value_line = line_;
            Advance(end + 1);
            element.attributes.emplace_back(std::move(name), Decoded(raw, value_line));
        }
    }

    static std::string Attribute(const Element& element, std::string_view name) {
        for (const auto& [key, value] : element.attributes) {
            if (key == name) {
                return value;
            }
        }
        return {};
    }

    DatRom Rom(const Element& element, std::size_t line) {
        DatRom rom;
        for (const auto& [key, value] : element.attributes) {
            if (key == "name") {
                rom.name = value;
            } else if (key == "size") {
                SetSize(rom, value, line);
            } else if (key == "crc") {
                rom.crc = Crc(value, line);
            }
        }
        return rom;
    }

    // Character data up to the next '<', its references resolved.
    std::string Text() {
        const std::size_t end = std::min(text_.find('<', pos_), text_.size());
        const std::size_t line = line_;
        const std::string_view raw = text_.substr(pos_, end - pos_);
        Advance(end);
        return Decoded(raw, line);
    }

    std::string Decoded(std::string_view raw, std::size_t line) const {
        std::string out;
        out.reserve(raw.size());
        for (std::size_t at = 0; at < raw.size(); ++at) {
            if (raw[at] == '\n') {
                ++line;
            }
            if (raw[at] != '&') {
                out.push_back(raw[at]);
                continue;
            }
            const std::size_t end = raw.find(';', at);
            const std::string_view name =
                raw.substr(at + 1, end == std::string_view::npos ? 0 : end - at - 1);
            if (end == std::string_view::npos || name.empty()) {
                Fail(line, "'&' that starts no reference (write &amp;)");
            }
            if (name == "amp") {
                out.push_back('&');
            } else if (name == "lt") {
                out.push_back('<');
            } else if (name == "gt") {
                out.push_back('>');
            } else if (name == "quot") {
                out.push_back('"');
            } else if (name == "apos") {
                out.push_back('\'');
            } else if (name[0] == '#') {
                AppendUtf8(out, CodePoint(name, line));
            } else {
                Fail(line, "unknown entity &" + std::string(name) + ";");
            }
            at = end;
        }
        return out;
    }

    std::uint32_t CodePoint(std::string_view reference, std::size_t line) const {
        const bool hex = reference.size() > 1 && reference[1] == 'x';
        const std::string_view digits = reference.substr(hex ? 2 : 1);
        std::uint32_t code = 0;
        bool valid = !digits.empty() && digits.size() <= 8;
        for (char c : digits) {
            const int digit = hex ? HexDigit(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
            valid = valid && digit >= 0;
            code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit < 0 ? 0 : digit);
        }
        if (!valid || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            Fail(line, "&" + std::string(reference) + "; is no character");
        }
        return code;
    }

    static void AppendUtf8(std::string& out, std::uint32_t code) {
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
};

}  // namespace

DatReading ParseDat(std::string_view content, const std::string& file) {
    if (content.substr(0, 3) == "\xEF\xBB\xBF") {
        content.remove_prefix(3);
    }
    const std::size_t first =
        std::find_if_not(content.begin(), content.end(), IsSpace) - content.begin();
    try {
        if (first < content.size() && content[first] == '<') {
            return XmlDat(content, file).Games();
        }
        return TextDat(content, file).Games();
    } catch (Stopped& stopped) {
        return rtl::Failure{std::move(stopped.problem)};
    }
}

DatReading ReadDatFile(const std::string& path) {
    // The game list of one system is a few megabytes even with every field; a file far
    // beyond that is no such list, and reading it whole could exhaust memory.
    constexpr std::size_t kDatFileLimit = std::size_t{256} << 20;
    std::optional<std::string> bytes;
    try {
        bytes = rtl::ReadFileBytes(path, kDatFileLimit);
    } catch (const rtl::InOutError& error) {
        return rtl::Failure{
            Problem(path, 0, std::string("cannot read: ") + std::strerror(error.ErrorCode()))};
    }
    if (!bytes) {
        return rtl::Failure{
            Problem(path, 0, "larger than 256 MiB: not the game list of one system")};
    }
    return ParseDat(*bytes, path);
}

}  // namespace varnimo::catalogue
