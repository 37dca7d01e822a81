#include "catalogue/dat_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace varnimo::catalogue {
namespace {

const std::string kData = VARNIMO_CATALOGUE_TEST_DATA;

// A game in one line: name|description|genre|users|region|rom name,size,crc;...
std::string Line(const DatGame& game) {
    std::string line = game.name + "|" + game.description + "|" + game.genre + "|" +
                       (game.users ? std::to_string(*game.users) : "-") + "|" + game.region + "|";
    for (const DatRom& rom : game.roms) {
        char crc[9] = "-";
        if (rom.crc)
            std::snprintf(crc, sizeof crc, "%08X", static_cast<unsigned>(*rom.crc));
        line += rom.name + "," + (rom.size ? std::to_string(*rom.size) : "-") + "," + crc + ";";
    }
    return line;
}

// The games read; a refused file fails the test with its problem and reads as none.
std::vector<DatGame> Games(const DatReading& reading) {
    if (!reading) {
        ADD_FAILURE() << "refused: " << reading.Error().message;
        return {};
    }
    return reading.Value();
}

std::vector<std::string> Lines(const DatReading& reading) {
    std::vector<std::string> lines;
    for (const DatGame& game : Games(reading))
        lines.push_back(Line(game));
    return lines;
}

// The three excerpts of the libretro database as published: the fields each really uses.
TEST(DatFile, ReadsTheRealExcerpts) {
    struct Case {
        const char* file;
        std::size_t game;
        const char* line;
    };
    const Case cases[] = {
        {"snes-genre-excerpt.dat", 0,
         "|'96 Zenkoku Koukou Soccer Senshuken (Japan)|Sports|-||,-,05FBB855;"},
        {"snes-genre-excerpt.dat", 249,
         "|Beethoven - The Ultimate Canine Caper! (USA)|Platform|-||,-,BEEBAFA2;"},
        {"snes-maxusers-excerpt.dat", 2, "|3 Ninjas Kick Back (USA)||2||,-,F2EE11F9;"},
        {"snes-no-intro-excerpt.dat", 1,
         "101 Dalmatas (USA) (Pirate)|||-|USA|101 Dalmatas (USA) (Pirate).sfc,1048576,DEE0CD43;"},
        {"snes-no-intro-excerpt.dat", 2,
         "16 BIT XMAS 2011 - Christmas Craze (World)|||-||16 BIT XMAS 2011 - Christmas Craze "
         "(World) (Aftermarket) (Unl).sfc,524288,5F7B6627;"},
        {"snes-no-intro-excerpt.dat", 249,
         "Battle Pinball (Japan)|||-|Japan|Battle Pinball (Japan).sfc,1310720,54901522;"},
    };
    for (const Case& c : cases) {
        const std::vector<DatGame> games = Games(ReadDatFile(kData + "/" + c.file));
        ASSERT_EQ(games.size(), 250u) << c.file;
        EXPECT_EQ(Line(games[c.game]), c.line) << c.file;
    }
    std::size_t with_users = 0;
    for (const DatGame& game : Games(ReadDatFile(kData + "/snes-maxusers-excerpt.dat")))
        with_users += game.users.has_value();
    EXPECT_EQ(with_users, 250u);
}

// Small files of both formats with what real files hold now and then.
TEST(DatFile, ReadsBothFormatsAsTheyCome) {
    struct Case {
        const char* what;
        std::string content;
        std::vector<std::string> games;
    };
    const Case cases[] = {
        {"text: byte-order mark, CR LF, escapes, bare words, unknown fields and blocks",
         "\xEF\xBB\xBF"
         "clrmamepro (\r\n\tname \"Set\"\r\n\tversion 1\r\n)\r\n"
         "resource ( name bios rom ( name x.bin size 2 crc 00000000 ) )\r\n"
         "game (\r\n\tname \"Say \\\"Hi\\\" \\\\ (USA)\"\r\n\tyear 1994\r\n"
         "\tcomment \"c\" genre Puzzle users 4 region Europe\r\n"
         "\tdriver ( status good nested ( deeper ( ) ) )\r\n"
         "\trom ( name a.sfc size 1024 crc 0a0B0c0D md5 00 flags verified )\r\n"
         "\trom ( name \"b (2).smc\" serial \"S\" )\r\n)\r\n"
         "machine ( description \"Only described\" )\r\n",
         {"Say \"Hi\" \\ (USA)|c|Puzzle|4|Europe|a.sfc,1024,0A0B0C0D;b (2).smc,-,-;",
          "|Only described||-||"}},
        {"text: a description wins over a comment; a lone backslash stays",
         "game ( comment first description \"C:\\dir\" )",
         {"|C:\\dir||-||"}},
        {"text: a header and no game", "clrmamepro ( name x )\n", {}},
        {"XML: declaration, document type, comments, header, entities, machine",
         "\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n"
         "<!DOCTYPE datafile PUBLIC \"-//Logiqx//DTD ROM Management Datafile//EN\" "
         "\"http://www.logiqx.com/dats/datafile.dtd\" [ <!ENTITY x \"y>\"> ]>\r\n"
         "<!-- made by hand > -->\r\n<datafile>\r\n"
         "\t<header><name>Set &amp; Co</name><description>d</description></header>\r\n"
         "\t<game name=\"Tom &amp; Jerry (USA)\" cloneof='x'>\r\n"
         "\t\t<description>Tom &amp; Jerry &lt;&gt;&quot;&apos;&#65;&#x42;&#xe9;</description>\r\n"
         "\t\t<rom name=\"Tom &amp; Jerry (USA).sfc\" size=\"1048576\" crc=\"d0c6e2aa\" "
         "md5=\"00\" sha1=\"00\"/>\r\n\t</game>\r\n"
         "\t<machine name='M'><description><![CDATA[a<b]]></description>"
         "<genre>Racing</genre><rom name=\"m.bin\" size=\"0\"></rom></machine>\r\n"
         "</datafile>\r\n<!-- after -->\n",
         {"Tom & Jerry (USA)|Tom & Jerry <>\"'AB\xC3\xA9||-||Tom & Jerry (USA).sfc,1048576,"
          "D0C6E2AA;",
          "M|a<b|Racing|-||m.bin,0,-;"}},
        {"XML: an empty set", "<datafile/>", {}},
        {"XML: roms of games only, not of the header's children",
         "<datafile><header><rom name=\"h\" size=\"1\"/></header>"
         "<game name=\"g\"><release name=\"g\" region=\"EUR\"/><rom name=\"r\" size=\"9\"/>"
         "</game></datafile>",
         {"g|||-||r,9,-;"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Lines(ParseDat(c.content, "t.dat")), c.games) << c.what;
    }
}

// A malformed file is refused whole, with the line where it goes wrong.
TEST(DatFile, RefusesMalformedFilesWithTheLine) {
    struct Case {
        std::string content;
        std::size_t line;
        const char* reason;
    };
    const Case cases[] = {
        {"game (\n name a\n rom ( crc 1234567 )\n)", 3, "crc \"1234567\" is not 8 hex"},
        {"game ( rom ( crc 12345678X ) )", 1, "crc"},
        {"game ( rom ( crc 1234567g ) )", 1, "crc"},
        {"game (\n name \"abc\n)\n", 2, "quoted text is not closed"},
        {"game (\n name \"abc\\\"", 2, "quoted text is not closed"},
        {"clrmamepro ( name x )\ngame (\n name a\n\n", 2, "not closed"},
        {"game (\n name a\n rom ( size 1\n)\n", 1, "not closed"},
        {"game ( name a )\n)\n", 2, "')' without its '('"},
        {"game ( name a rom ( size 12a ) )", 1, "size \"12a\" is not a number"},
        {"game ( name a rom ( size 99999999999999999999 ) )", 1, "too large"},
        {"game (\n\n users two )", 3, "users \"two\" is not a number"},
        {"game ( users -1 )", 1, "not a number"},
        {"game ( users 2147483648 )", 1, "too large"},
        {"game (\n name )", 2, "the field name has no value"},
        {"game (\n name a\ngame (\n name b\n)\n", 3, "a game inside a game"},
        {"game ( \"name\" a )", 1, "expected a field name"},
        {"game ( ( ) )", 1, "expected a field name"},
        {"hello world\n", 1, "expected '(' after hello"},
        {"\"quoted\" ( )", 1, "expected a block"},
        {"", 1, "not a DAT file"},
        {"\xEF\xBB\xBF\r\n", 1, "not a DAT file"},
        {"emulator ( name x )", 1, "not a DAT file"},
        {"<datafile>\n<game name=\"a\">\n</datafile>", 3, "</datafile> where <game> of line 2"},
        {"<datafile>\n<game name=\"a\">", 2, "<game> is not closed"},
        {"<datafile>\n</game>\n</datafile>", 2, "</game> where <datafile>"},
        {"<datafile></datafile>\n</x>", 2, "</x> closes nothing"},
        {"<datafile>\n<game name=\"a &foo; b\"/>\n</datafile>", 2, "unknown entity &foo;"},
        {"<datafile>\n<game name=\"a\">\n<description>\nx & y</description>", 4,
         "'&' that starts no reference"},
        {"<datafile><game name=\"&#0;\"/></datafile>", 1, "&#0; is no character"},
        {"<datafile><game name=\"&#xD800;\"/></datafile>", 1, "no character"},
        {"<datafile>\n<game name=\"a\">\n<rom name=\"r\" crc=\"xyz\"/>", 3, "crc \"xyz\""},
        {"<datafile>\n<game name=\"a\">\n<rom\n name=\"r\" size=\"-3\"/>", 3,
         "size \"-3\" is not a number"},
        {"<datafile>\n<game name=a/>", 2, "not quoted"},
        {"<datafile>\n<game name=\"a\"size=\"1\"/>", 2, "expected a blank"},
        {"<datafile>\n<game name=\"a\n", 2, "a quoted value is not closed"},
        {"<datafile>\n<game name=\"<\"/>", 2, "'<' inside the value"},
        {"<datafile>\n<!-- open\n", 2, "a comment is not closed"},
        {"<?xml version=\"1.0\"", 1, "a processing instruction is not closed"},
        {"<!DOCTYPE x [ <!ENTITY a \"]>\" >", 1, "the document type is not closed"},
        {"<datafile>\n<![CDATA[ x", 2, "a CDATA section is not closed"},
        {"<datafile><!DOCTYPE x></datafile>", 1, "unexpected <!"},
        {"<datafile/>\n<datafile/>", 2, "a second root element <datafile>"},
        {"<datafile/>\ntext", 2, "text outside the root element"},
        {"<datafile>\n<game", 2, "<game is not closed"},
        {"<html><body>No DAT here</body></html>", 1, "the root element is <html>"},
        {"<!-- only a comment -->", 1, "no root element"},
        {"< datafile/>", 1, "expected a name"},
    };
    for (const Case& c : cases) {
        const DatReading reading = ParseDat(c.content, "bad.dat");
        if (reading) {
            ADD_FAILURE() << "accepted: " << c.content;
            continue;
        }
        const DatProblem& problem = reading.Error();
        EXPECT_EQ(problem.line, c.line) << c.content << "\n" << problem.message;
        const std::string prefix = "bad.dat:" + std::to_string(c.line) + ": ";
        EXPECT_EQ(problem.message.substr(0, prefix.size()), prefix) << c.content;
        EXPECT_NE(problem.message.find(c.reason), std::string::npos) << c.content << "\n"
                                                                     << problem.message;
    }
    const DatReading missing = ReadDatFile(kData + "/no such file.dat");
    ASSERT_FALSE(missing) << "a missing file read";
    EXPECT_EQ(missing.Error().message,
              kData + "/no such file.dat: cannot read: " + std::strerror(ENOENT));
    EXPECT_EQ(missing.Error().line, 0u);
}

}  // namespace
}  // namespace varnimo::catalogue
