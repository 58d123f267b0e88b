#include <vector>

#include <gtest/gtest.h>

#include "image/hex_path.h"
#include "image/version_label.h"

TEST(IsHexPathTest, DecidesByTheLastThreeCharactersInAnyCase) {
    struct Case {
        const char* path;  // UTF-8
        bool hex;
    };
    const std::vector<Case> cases = {
        {"C:\\fw\\app.hex", true},
        {"APP.HEX", true},
        {"fw.Hex", true},
        {"fw_hex", true},
        {"xhex", true},
        {"固件.hex", true},
        {"hex", false},
        {"", false},
        {"app.bin", false},
        {"app.hex.bin", false},
        {"app.hex ", false},
        {"app.hexx", false},
        {"a\nhex", true},  // the dot matches any character
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsHexPath(QString::fromUtf8(c.path)), c.hex) << c.path;
    }
}

TEST(FormatVersionLabelTest, LowerCaseHexWithoutLeadingZeros) {
    struct Case {
        uint16_t word;
        const char* label;
    };
    const std::vector<Case> cases = {
        {0x0123, "V1.2.3"},  {0x1A5F, "V1a.5.f"}, {0x0000, "V0.0.0"},
        {0xFFFF, "Vff.f.f"}, {0x0100, "V1.0.0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatVersionLabel(c.word), QString::fromLatin1(c.label)) << c.word;
    }
}
