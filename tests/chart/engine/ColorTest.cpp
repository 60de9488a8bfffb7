#include <gtest/gtest.h>

#include <cstdlib>

#include "chart/engine/Color.h"
#include "chart/output/Logging.h"
#include "support/gfx_support.h"

TEST(Color, FixedColours)
{
    EXPECT_EQ(CColor::White(), CColor(0xFFFFFFFFu));
    EXPECT_EQ(CColor::DefaultGray(), CColor(0xFFA0A0A0u));
    EXPECT_FALSE(CColor::White().empty);
    // The tooltip background: red 255, green 255, blue 225.
    EXPECT_EQ(CColor::SystemTagColor(), CColor(0xFFFFFFE1u));
}

TEST(Color, ShadeScalesClampsAndIsOpaque)
{
    CColor c(0xFF804020u);
    EXPECT_EQ(CColor::Shade(c, 50).argb, 0xFF402010u);
    EXPECT_EQ(CColor::Shade(c, 200).argb, 0xFFFF8040u);   // red clamped to 255
    EXPECT_EQ(CColor::Shade(c, 0).argb, 0xFF000000u);
    EXPECT_EQ(CColor::Shade(c, -30).argb, 0xFF000000u);   // clamped at 0
    EXPECT_EQ(CColor::Shade(CColor(0xFFC08040u), 70).argb, 0xFF86592Cu);   // truncates
    EXPECT_EQ(CColor::Shade(CColor(0x80804020u), 100).argb, 0xFF804020u);
    EXPECT_EQ(CColor::Shade(CColor(0x00FFFFFFu), 1000000000).argb, 0xFFFFFFFFu);
    // The input's empty flag is not looked at; the result is a colour.
    CColor none = CColor::Empty();
    EXPECT_FALSE(CColor::Shade(none, 70).empty);
}

TEST(Color, FromHexTextReadsRedGreenBlue)
{
    gfx_test::LogCapture log;
    EXPECT_EQ(CColor::FromHexText("00ff7F"), CColor(0xFF00FF7Fu));
    EXPECT_EQ(CColor::FromHexText("a0A0A0"), CColor::DefaultGray());
    EXPECT_TRUE(log.Lines().empty());
    // Characters after the sixth are ignored.
    EXPECT_EQ(CColor::FromHexText("123456789"), CColor(0xFF123456u));
    // Short texts read what is there.
    EXPECT_EQ(CColor::FromHexText("12"), CColor(0xFF120000u));
    EXPECT_EQ(CColor::FromHexText(""), CColor(0xFF000000u));
}

TEST(Color, BadHexDigitsAreLoggedAndCountAsZero)
{
    gfx_test::LogCapture log;
    EXPECT_EQ(CColor::FromHexText("12345Z"), CColor(0xFF123450u));
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0], "[ERROR] - Invalid charactare '90' in hex number");

    gfx_test::LogCapture again;
    EXPECT_EQ(CColor::FromHexText("GG0000").argb, 0xFF000000u);
    EXPECT_EQ(again.Lines().size(), 2u);

    // A byte above 127 is named as a signed char.
    gfx_test::LogCapture high;
    EXPECT_EQ(CColor::HexValue("\xE9" "1"), 1u);
    ASSERT_EQ(high.Lines().size(), 1u);
    EXPECT_EQ(high.Lines()[0], "[ERROR] - Invalid charactare '-23' in hex number");

    // Without a log (outside the plug-in, before its initialisation) a bad
    // digit still only counts as zero.
    Logging::CLogger::Replace(nullptr);
    EXPECT_EQ(CColor::FromHexText("GG00ZZ").argb, 0xFF000000u);
}

TEST(Color, HexValue)
{
    gfx_test::LogCapture log;
    EXPECT_EQ(CColor::HexValue(""), 0u);
    EXPECT_EQ(CColor::HexValue("ff"), 255u);
    EXPECT_EQ(CColor::HexValue("Ab"), 0xABu);
    EXPECT_EQ(CColor::HexValue("ffffffff"), 0xFFFFFFFFu);
    // Digits beyond 32 bits add nothing (and shift nothing out of range).
    EXPECT_EQ(CColor::HexValue("1ffffffff"), 0xFFFFFFFFu);
    EXPECT_EQ(CColor::HexValue("f0"), 0xF0u);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(Color, RandomNeverReaches255)
{
    std::srand(12345);
    bool varied = false;
    CColor first = CColor::Random();
    for (int i = 0; i < 20000; ++i) {
        CColor c = CColor::Random();
        ASSERT_EQ(c.A(), 0xFF);
        ASSERT_LT(c.R(), 255);
        ASSERT_LT(c.G(), 255);
        ASSERT_LT(c.B(), 255);
        ASSERT_FALSE(c.empty);
        varied = varied || c != first;
    }
    EXPECT_TRUE(varied);
}
