// Paths as UTF-8: their length as Windows counts it, names cut between characters, and the
// command line's tail after the program's name.
#include "app/startup.h"
#include "files/path_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(PathText, CountsUtf16UnitsAndCutsBetweenCharacters) {
    struct Case {
        std::string text;
        int64_t units;
        size_t firstTwoBytes; // the bytes of the first two characters
    };
    const Case cases[] = {
        {"", 0, 0},
        {"ab.bin", 6, 2},
        {u8"тест", 4, 4},           // Cyrillic: two bytes, one unit each
        {u8"文字", 2, 6},           // CJK: three bytes, one unit each
        {u8"😀x", 3, 5},             // beyond the BMP: four bytes, two units
        {"\xE6\x96!", 3, 2},        // a cut sequence: each byte stands alone
        {"\xC0\xAF\x80z", 4, 2},    // overlong form, stray continuation
        {"\xED\xA0\x80", 3, 2},     // an encoded surrogate is no character
        {"\xF4\x90\x80\x80", 4, 2}, // beyond U+10FFFF
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(utf16Length(c.text.c_str()), c.units);
        EXPECT_EQ(characterPrefix(c.text.c_str(), 2), c.firstTwoBytes);
        EXPECT_EQ(characterPrefix(c.text.c_str(), 100), c.text.size());
    }
}

TEST(PathText, TheCommandLineTailFollowsTheProgramNameAndItsBlanks) {
    const std::pair<const char*, const char*> cases[] = {
        {"tavedit.exe file.bin", "file.bin"},
        {"\"C:\\Program Files\\tavedit.exe\"   \"a b.bin\" x", "\"a b.bin\" x"},
        {"\"C:\\x y\\tavedit.exe\"next", "next"},
        {"tavedit.exe", ""},
        {"\"unterminated name", ""},
        {u8"пр.exe тест.bin", u8"тест.bin"},
        {"tavedit.exe\t \t", ""},
    };
    for (const auto& [line, tail] : cases) {
        EXPECT_STREQ(commandLineTail(line), tail) << line;
    }
}
