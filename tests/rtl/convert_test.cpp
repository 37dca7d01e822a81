#include "rtl/convert.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "rtl/runtime_error.h"
#include "support/test_env.h"

namespace varnimo::rtl {
namespace {

TEST(ParseInteger, AcceptedForms) {
    EXPECT_EQ(ParseInteger("0"), 0);
    EXPECT_EQ(ParseInteger("42"), 42);
    EXPECT_EQ(ParseInteger("   -17"), -17);
    EXPECT_EQ(ParseInteger("+8"), 8);
    EXPECT_EQ(ParseInteger("007"), 7);
    EXPECT_EQ(ParseInteger("$1F"), 31);
    EXPECT_EQ(ParseInteger("x10"), 16);
    EXPECT_EQ(ParseInteger("X10"), 16);
    EXPECT_EQ(ParseInteger("0x10"), 16);
    EXPECT_EQ(ParseInteger("0XfF"), 255);
    EXPECT_EQ(ParseInteger("-$10"), -16);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseInteger("$7FFFFFFF"), 2147483647);
}

TEST(ParseInteger, RejectedForms) {
    for (const char* text :
         {"", " ", "8 ", "1.0", "1e3", "- 5", "+", "-", "$", "0x", "x", "12a", "$G", "2147483648",
          "-2147483649", "99999999999999999999", "$80000000", "\t5", "٣"}) {
        EXPECT_FALSE(ParseInteger(text).has_value()) << '"' << text << '"';
    }
}

TEST(StrToInt, RaisesTheConversionErrorWithTheText) {
    EXPECT_EQ(StrToInt(" 3000"), 3000);
    try {
        StrToInt("30 00");
        FAIL();
    } catch (const ConversionError& error) {
        EXPECT_STREQ(error.what(), "'30 00' ist kein gültiger Integerwert");
    }
    EXPECT_EQ(CatalogueInt("8 "), 0);
    EXPECT_EQ(CatalogueInt(" 8"), 8);
}

TEST(PointFloat, DotOnlyWholeTextOrZero) {
    EXPECT_DOUBLE_EQ(PointFloat("1.25"), 1.25);
    EXPECT_DOUBLE_EQ(PointFloat("  -2.5e2"), -250.0);
    EXPECT_DOUBLE_EQ(PointFloat("3"), 3.0);
    EXPECT_DOUBLE_EQ(PointFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(PointFloat("5."), 5.0);
    EXPECT_EQ(PointFloat("1e-400"), 0.0);
    EXPECT_EQ(StrToFloat("0.0001e-400"), 0.0);  // too small is zero, not an error
    for (const char* text : {"", "1,25", "1.25 ", "abc", "1e", "inf", "nan", "1e999", "."}) {
        EXPECT_EQ(PointFloat(text), 0.0) << '"' << text << '"';
    }
}

// Exponents longer than any integer type: too large stays an error, too small stays zero.
TEST(PointFloat, ExponentsBeyondAnyIntegerRange) {
    const std::string huge = "9223372036854775807999";
    EXPECT_EQ(PointFloat("1e" + huge), 0.0);
    EXPECT_THROW(StrToFloat("1e" + huge), ConversionError);
    EXPECT_THROW(StrToFloat("12.5e+" + huge), ConversionError);
    EXPECT_EQ(StrToFloat("1e-" + huge), 0.0);
    EXPECT_EQ(StrToFloat("0.001e-" + huge), 0.0);
}

TEST(FloatToStr, GeneralFormat) {
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(1.25), "1.25");
    EXPECT_EQ(FloatToStr(-3), "-3");
    EXPECT_EQ(FloatToStr(0.301), "0.301");
    EXPECT_EQ(FloatToStr(100), "100");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");  // 15 significant digits hide the binary tail
    EXPECT_EQ(FloatToStr(0.00001), "0.00001");
    EXPECT_EQ(FloatToStr(0.000001), "1E-6");
    EXPECT_EQ(FloatToStr(1e-7), "1E-7");
    EXPECT_EQ(FloatToStr(2.5e20), "2.5E20");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(999999999999999.9), "1E15");  // rounds up past the fixed range
    EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
}

// The locale's separator is only testable with locales that differ from "C": a comma, and
// a separator of several bytes (Pashto's U+066B). Each is built privately when the system
// has the sources for it.
struct SeparatorLocale {
    const char* Source;     // localedef -i
    const char* Separator;  // its decimal separator, as bytes
};

class LocaleSeparator : public ::testing::TestWithParam<SeparatorLocale> {
  protected:
    void SetUp() override {
#ifdef _WIN32
        // Windows has its locales built in; the comma one stands for them there.
        if (std::string(GetParam().Source) != "de_DE" ||
            std::setlocale(LC_NUMERIC, "German_Germany") == nullptr) {
            GTEST_SKIP() << GetParam().Source << " locale not usable here";
        }
#else
        const std::string name = std::string(GetParam().Source) + ".UTF-8";
        dir_ = std::filesystem::temp_directory_path() /
               ("varnimo-locale-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        std::string command = "localedef -i " + std::string(GetParam().Source) + " -f UTF-8 " +
                              (dir_ / name).string() + " >/dev/null 2>&1";
        if (!std::filesystem::exists(dir_ / name / "LC_NUMERIC")) {
            (void)std::system(command.c_str());  // warnings give a non-zero status too
        }
        if (!std::filesystem::exists(dir_ / name / "LC_NUMERIC")) {
            GTEST_SKIP() << "cannot build the " << name << " locale here";
        }
        testing::SetVariable("LOCPATH", dir_.string());
        if (std::setlocale(LC_NUMERIC, name.c_str()) == nullptr) {
            GTEST_SKIP() << name << " locale not usable";
        }
#endif
    }
    void TearDown() override {
        std::setlocale(LC_NUMERIC, "C");
        testing::UnsetVariable("LOCPATH");
        std::error_code ignored;
        if (!dir_.empty()) {
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    std::filesystem::path dir_;
};

TEST_P(LocaleSeparator, LocaleFloatsUseTheWholeSeparatorAndDotOnlyFloatsIgnoreIt) {
    const std::string sep = GetParam().Separator;
    EXPECT_EQ(LocaleDecimalSeparator(), sep);
    EXPECT_DOUBLE_EQ(StrToFloat(" 1" + sep + "5 "), 1.5);
    EXPECT_THROW(StrToFloat("1.5"), ConversionError);
    if (sep.size() > 1) {
        EXPECT_THROW(StrToFloat("1" + sep.substr(0, 1) + "5"), ConversionError);  // half of it
    }
    EXPECT_DOUBLE_EQ(PointFloat("1.25"), 1.25);
    EXPECT_EQ(PointFloat("1" + sep + "25"), 0.0);
    EXPECT_EQ(FloatToStr(2.5), "2" + sep + "5");
    EXPECT_EQ(FloatToStr(0.301), "0" + sep + "301");
    EXPECT_EQ(FloatToStr(2.5e20), "2" + sep + "5E20");
    EXPECT_EQ(FloatToStr(7), "7");
}

INSTANTIATE_TEST_SUITE_P(CommaAndMultiByte, LocaleSeparator,
                         ::testing::Values(SeparatorLocale{"de_DE", ","},
                                           SeparatorLocale{"ps_AF", "\xD9\xAB"}));

TEST(StrToFloat, RaisesTheConversionErrorWithTheText) {
    EXPECT_DOUBLE_EQ(StrToFloat("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(StrToFloat("7"), 7.0);
    for (const char* text : {"", "   ", "1,5", "x", "1e400"}) {
        try {
            StrToFloat(text);
            ADD_FAILURE() << '"' << text << '"';
        } catch (const ConversionError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "'" + std::string(text) + "' ist kein gültiger Gleitkommawert");
        }
    }
}

}  // namespace
}  // namespace varnimo::rtl
