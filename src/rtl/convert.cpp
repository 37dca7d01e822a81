#include "rtl/convert.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <system_error>

#include "rtl/runtime_error.h"

namespace varnimo::rtl {
namespace {

int DigitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// For a number out of the double range: whether it is too large rather than too small,
// from the position of its first significant digit and its exponent.
bool TooLarge(std::string_view plain) {
    long magnitude = 0;  // decimal exponent of the first significant digit, plus one
    std::size_t i = plain.find_first_of("0123456789");
    bool seen_point = false;
    bool significant = false;
    for (; i < plain.size() && plain[i] != 'e'; ++i) {
        if (plain[i] == '.') {
            seen_point = true;
        } else if (plain[i] != '0' || significant) {
            significant = true;
            if (!seen_point) {
                ++magnitude;
            }
        } else if (seen_point) {
            --magnitude;  // a zero after the point and before any significant digit
        }
    }
    if (i < plain.size()) {
        // The exponent may have any number of digits (strtol then saturates); held to a
        // quarter of the range, adding it to the digit count cannot overflow.
        constexpr long kEnough = LONG_MAX / 4;
        long exponent = std::strtol(plain.data() + i + 1, nullptr, 10);
        magnitude += std::clamp(exponent, -kEnough, kEnough);
    }
    return magnitude > 0;
}

// Checks the float form (optional sign, digits with an optional fraction introduced by
// `separator`, optional exponent) over the whole of `text` and converts it. Nothing when the
// text does not have that form or the value is out of range.
std::optional<double> ParseFloatBody(std::string_view text, std::string_view separator) {
    std::string plain;  // the same number with "." as the point, for from_chars
    plain.reserve(text.size());
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            plain.push_back('-');
        }
        ++i;
    }
    std::size_t mantissa_digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        plain.push_back(text[i++]);
        ++mantissa_digits;
    }
    if (i < text.size() && text.substr(i).starts_with(separator)) {
        plain.push_back('.');
        i += separator.size();
        while (i < text.size() && IsDigit(text[i])) {
            plain.push_back(text[i++]);
            ++mantissa_digits;
        }
    }
    if (mantissa_digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            plain.push_back(text[i++]);
        }
        std::size_t exponent_digits = 0;
        while (i < text.size() && IsDigit(text[i])) {
            plain.push_back(text[i++]);
            ++exponent_digits;
        }
        if (exponent_digits == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    double value = 0;
    auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Underflow to zero is harmless; overflow is not a usable number.
        return TooLarge(plain) ? std::nullopt : std::optional<double>(0.0);
    }
    if (error != std::errc() || end != plain.data() + plain.size()) {
        return std::nullopt;
    }
    return value;
}

std::string_view SkipLeadingBlanks(std::string_view text) {
    std::size_t first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view text) {
    if (std::int32_t value = 0; PlainDigits(text, value)) {
        return value;
    }
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == n) {
        return std::nullopt;
    }
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 31;  // magnitude of INT32_MIN
    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        int digit = DigitValue(text[i], base);
        if (digit < 0) {
            return std::nullopt;
        }
        magnitude =
            magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
        if (magnitude > kLimit) {
            return std::nullopt;
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude));
    }
    if (magnitude == kLimit) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(magnitude);
}

std::int32_t StrToInt(std::string_view text) {
    if (auto value = ParseInteger(text)) {
        return *value;
    }
    throw ConversionError::InvalidInteger(text);
}

double PointFloat(std::string_view text) {
    return ParseFloatBody(SkipLeadingBlanks(text), ".").value_or(0.0);
}

double StrToFloat(std::string_view text) {
    std::string_view body = SkipLeadingBlanks(text);
    std::size_t last = body.find_last_not_of(' ');
    body = last == std::string_view::npos ? std::string_view() : body.substr(0, last + 1);
    if (auto value = ParseFloatBody(body, LocaleDecimalSeparator())) {
        return *value;
    }
    throw ConversionError::InvalidFloat(text);
}

std::string LocaleDecimalSeparator() {
    // Whole, not its first byte: in a UTF-8 locale the separator may be a character of
    // several bytes (Pashto's is U+066B).
    const std::lconv* conv = std::localeconv();
    if (conv == nullptr || conv->decimal_point == nullptr || conv->decimal_point[0] == '\0') {
        return ".";
    }
    return conv->decimal_point;
}

std::string FloatToStr(double value) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    if (value == 0) {
        return "0";
    }
    // 15 significant digits, correctly rounded: d.dddddddddddddde±x
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    bool negative = text.front() == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    std::size_t e = text.find('e');
    int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    std::string digits;
    for (char c : text.substr(0, e)) {
        if (c != '.') {
            digits.push_back(c);
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    const std::string separator = LocaleDecimalSeparator();
    std::string out = negative ? "-" : "";
    const int count = static_cast<int>(digits.size());
    if (exponent >= 15 || exponent < -5) {
        out.push_back(digits[0]);
        if (count > 1) {
            out.append(separator);
            out.append(digits, 1);
        }
        out.push_back('E');
        out.append(std::to_string(exponent));
    } else if (exponent >= 0) {
        if (count <= exponent + 1) {
            out.append(digits);
            out.append(static_cast<std::size_t>(exponent + 1 - count), '0');
        } else {
            out.append(digits, 0, static_cast<std::size_t>(exponent + 1));
            out.append(separator);
            out.append(digits, static_cast<std::size_t>(exponent + 1));
        }
    } else {
        out.push_back('0');
        out.append(separator);
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out.append(digits);
    }
    return out;
}

}  // namespace varnimo::rtl
