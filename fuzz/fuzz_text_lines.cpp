// The text-file line reader, the catalogue line split and the number conversions, fed any
// bytes as a file. Beyond "no crash", each part is held against a small model of its rules:
// the reader against a plain splitter, the split against a re-join, the lenient and strict
// conversions against each other and against the C library, and the float format against its
// own reading back.

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/catalogue_file.h"
#include "fuzz_support.h"
#include "rtl/convert.h"
#include "rtl/runtime_error.h"
#include "rtl/text_file.h"

using namespace varnimo;
using fuzz::Check;

namespace {

bool IsDecimalForm(std::string_view t) {
    std::size_t i = t.find_first_not_of(' ');
    if (i == std::string_view::npos) {
        return false;
    }
    if (t[i] == '+' || t[i] == '-') {
        ++i;
    }
    if (i == t.size()) {
        return false;
    }
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') {
            return false;
        }
    }
    return true;
}

void CheckInteger(std::string_view text) {
    auto parsed = rtl::ParseInteger(text);
    Check(rtl::CatalogueInt(text) == parsed.value_or(0), "lenient integer differs from parse");
    try {
        std::int32_t strict = rtl::StrToInt(text);
        Check(parsed && *parsed == strict, "strict integer accepted what parse refused");
    } catch (const rtl::ConversionError& e) {
        Check(!parsed, "strict integer refused what parse accepted");
        // what() is a C string: a zero byte in the text ends the message early.
        if (text.find('\0') == std::string_view::npos) {
            std::string expected =
                "'" + std::string(text) + "' ist kein g\xC3\xBCltiger Integerwert";
            Check(e.what() == expected, "integer error text");
        }
    }
    if (IsDecimalForm(text) && text.size() < 200) {
        // Decimal texts: strtoll in 64 bits knows the true value.
        std::string copy(text);
        errno = 0;
        long long value = std::strtoll(copy.c_str(), nullptr, 10);
        bool fits = errno == 0 && value >= INT32_MIN && value <= INT32_MAX;
        Check(fits == parsed.has_value(), "decimal range decision");
        if (fits) {
            Check(*parsed == value, "decimal value");
        }
    }
}

// The float form with "." and nothing before or after it; strtod then reads the same number.
bool IsPointFloatForm(std::string_view t) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        ++i, ++digits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i, ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        std::size_t exp = 0;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
            ++i, ++exp;
        }
        if (exp == 0) {
            return false;
        }
    }
    return i == t.size();
}

void CheckFloat(std::string_view text) {
    double lenient = rtl::PointFloat(text);
    Check(std::isfinite(lenient), "lenient float not finite");
    std::size_t first = text.find_first_not_of(' ');
    std::string_view body =
        first == std::string_view::npos ? std::string_view() : text.substr(first);
    if (IsPointFloatForm(body) && body.size() < 400) {
        std::string copy(body);
        double expected = std::strtod(copy.c_str(), nullptr);
        if (std::isfinite(expected)) {
            // A value below the normal range may be flushed to zero.
            Check(lenient == expected || (std::fabs(expected) < DBL_MIN && lenient == 0),
                  "lenient float value");
        } else {
            Check(lenient == 0, "overflowing float not refused");
        }
    }
    // The fuzzer runs in the C locale, so the strict conversion uses "." too.
    try {
        double strict = rtl::StrToFloat(text);
        Check(std::isfinite(strict), "strict float not finite");
        if (!body.empty() && body.back() != ' ') {
            Check(strict == lenient, "strict and lenient floats differ");
        }
        std::string shown = rtl::FloatToStr(strict);
        double back = rtl::StrToFloat(shown);
        Check(std::fabs(back - strict) <= std::fabs(strict) * 1e-14,
              "float format does not read back");
    } catch (const rtl::ConversionError&) {
        // Refused: the lenient reading of a text without trailing blanks gives 0 too.
        if (!body.empty() && body.back() != ' ') {
            Check(lenient == 0, "strict refused what lenient read as a number");
        }
    }
}

void CheckCatalogueLine(std::string_view line) {
    catalogue::CatalogueLine split = catalogue::SplitCatalogueLine(line);
    for (std::string_view field : {split.title, split.startup_shot, split.ingame_shot}) {
        Check(field.find(';') == std::string_view::npos, "field holds a separator");
    }
    std::size_t separators = 0;
    std::size_t pos = 0;
    std::size_t fourth = std::string_view::npos;
    while (separators < 4 && (pos = line.find(';', pos)) != std::string_view::npos) {
        ++separators;
        ++pos;
        if (separators == 4) {
            fourth = pos;
        }
    }
    if (separators == 4) {
        std::string joined = std::string(split.title) + ";" + std::string(split.startup_shot) +
                             ";" + std::string(split.ingame_shot) + ";";
        std::size_t genre_start = joined.size();
        std::string_view genre = line.substr(genre_start, fourth - 1 - genre_start);
        Check(line.substr(0, genre_start) == joined, "first three fields do not rejoin");
        Check(split.genre == rtl::CatalogueInt(genre), "genre field");
        Check(split.players == rtl::CatalogueInt(line.substr(fourth)), "players field");
    } else {
        // Fewer than four separators leave the genre field empty.
        Check(split.genre == 0, "genre from a line with too few fields");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    fuzz::MemoryFile file(data, size);
    std::vector<std::string> expected = fuzz::ModelLines(bytes);

    // Every line is checked against the model; the conversions only on the first few lines:
    // a refused text costs two exceptions, and on inputs of hundreds of lines that unwinding
    // made up most of the run time while the later lines added nothing new to test.
    constexpr std::size_t kConvertedLines = 16;
    rtl::TextFileReader reader(file.Path());
    std::size_t index = 0;
    while (!reader.Eof()) {
        std::string line(reader.ReadLine());
        Check(index < expected.size(), "reader returned more lines than the file has");
        Check(line == expected[index], "reader line differs");
        ++index;
        if (index <= kConvertedLines) {
            CheckInteger(line);
            CheckFloat(line);
        }
        CheckCatalogueLine(line);
    }
    Check(index == expected.size(), "reader returned fewer lines than the file has");
    Check(reader.ReadLine().empty() && reader.Eof(), "reading past the end is not empty");

    // The line counter of the catalogue's first pass agrees with the reader.
    auto counted = catalogue::CountCatalogueLines(file.Path());
    Check(counted && *counted == expected.size(), "catalogue line count");
    return 0;
}
