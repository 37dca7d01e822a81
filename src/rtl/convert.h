#pragma once
// Number conversions of the program's files.
//
// Integers everywhere take the same form: optional leading blanks, an optional "+" or "-",
// then decimal digits, or hexadecimal digits after a "$", "x", "X", "0x" or "0X" prefix;
// nothing may follow, not even a blank; the value must fit in a signed 32-bit integer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnimo::rtl {

// The integer form above, or nothing.
std::optional<std::int32_t> ParseInteger(std::string_view text);

// Strict: throws ConversionError ("'%s' ist kein gültiger Integerwert").
std::int32_t StrToInt(std::string_view text);

// True, with `value` set, when `text` is one to nine decimal digits and nothing else: nearly
// every number in the data files, and one that needs none of the rules above (nine digits
// cannot overflow).
inline bool PlainDigits(std::string_view text, std::int32_t& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    std::int32_t result = 0;
    for (char c : text) {
        const auto digit = static_cast<unsigned char>(c - '0');
        if (digit > 9) {
            return false;
        }
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

// Lenient, for the catalogue: a text that is not an integer gives 0.
inline std::int32_t CatalogueInt(std::string_view text) {
    std::int32_t value = 0;
    return PlainDigits(text, value) ? value : ParseInteger(text).value_or(0);
}

// Lenient, "." as the decimal point whatever the locale: leading blanks, optional sign,
// digits with an optional fraction and exponent, nothing after. Anything else gives 0.
double PointFloat(std::string_view text);

// Strict, with the locale's decimal separator (leading and trailing blanks allowed):
// throws ConversionError ("'%s' ist kein gültiger Gleitkommawert").
double StrToFloat(std::string_view text);

// General format: up to 15 significant digits, no trailing zeros, the locale's decimal
// separator; fixed notation when 0.00001 <= |value| < 10^15, otherwise mantissa + "E" +
// exponent without "+" or leading zeros (1E-7, 2.5E20); 0 prints as 0.
std::string FloatToStr(double value);

// The decimal separator of the current C locale (LC_NUMERIC), all of its bytes.
std::string LocaleDecimalSeparator();

}  // namespace varnimo::rtl
