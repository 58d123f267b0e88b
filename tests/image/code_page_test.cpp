// The Windows test runs name their files in the ANSI code page that scripts/test-windows.sh asks
// wine for; a run in any other code page would test nothing it claims to.

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/image/image_test_util.h"

TEST(CodePageTest, IsTheOneTheRunAsksFor) {
    const char* expected = std::getenv("DOVRANE_EXPECTED_ACP");
    if (expected == nullptr) {
        GTEST_SKIP() << "no code page asked for; this one is " << GetACP();
    }
    EXPECT_EQ(std::to_string(GetACP()), expected);
}

TEST(CodePageTest, ChineseNamesReachTheRoutinesAsGbkUnder936) {
    if (GetACP() != 936) {
        GTEST_SKIP() << "code page " << GetACP();
    }
    EXPECT_EQ(PickName("固件.bin", "Firmware.bin"), "固件.bin");
    EXPECT_EQ(LocalPath(std::filesystem::u8path("固件 版本.hex")),
              "\xB9\xCC\xBC\xFE \xB0\xE6\xB1\xBE.hex");
}
