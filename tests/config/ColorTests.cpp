#include <gtest/gtest.h>

#include <string>  // string

#include "tarvel/Color.h"
#include "tarvel/Theme.h"

namespace tarvel {
namespace {

constexpr Color kOpaqueBlack{0, 0, 0, 255};

TEST(ColorTests, ShortFormRepeatsEachDigit) {
  EXPECT_EQ(Color::fromHexString("FFF"), (Color{255, 255, 255, 255}));
  EXPECT_EQ(Color::fromHexString("1A2"), (Color{17, 170, 34, 255}));
}

TEST(ColorTests, SixDigitsAreRgbInAnyCaseAndWithTrimmedDecoration) {
  const Color expected{10, 156, 77, 255};
  EXPECT_EQ(Color::fromHexString("#0A9C4D"), expected);
  EXPECT_EQ(Color::fromHexString("0a9c4d"), expected);
  EXPECT_EQ(Color::fromHexString(" 0A9C4D "), expected);
  EXPECT_EQ(Color::fromHexString("0A9C4D;"), expected);
  EXPECT_EQ(Color::fromHexString("\t#0A9C4D\n"), expected);
}

TEST(ColorTests, EightDigitsCarryAlphaFirst) {
  EXPECT_EQ(Color::fromHexString("80FF0000"), (Color{255, 0, 0, 128}));
  EXPECT_EQ(Color::fromHexString("#00000000"), (Color{0, 0, 0, 0}));
}

TEST(ColorTests, OtherLengthsGiveOpaqueBlack) {
  for (const char* text : {"", "#", "12345", "1234567", "123456789", "##", "F", "FFFF"}) {
    EXPECT_EQ(Color::fromHexString(text), kOpaqueBlack) << '"' << text << '"';
  }
}

TEST(ColorTests, InnerCharactersStayAndStopTheScan) {
  EXPECT_EQ(Color::fromHexString("FF#FFF"), (Color{0, 0, 255, 255}));
  EXPECT_EQ(Color::fromHexString("xyz"), kOpaqueBlack);
  EXPECT_EQ(Color::fromHexString("0x1234"), (Color{0, 18, 52, 255}));
  EXPECT_EQ(Color::fromHexString("0X1234"), (Color{0, 18, 52, 255}));
  // A lone "0x" is not a prefix: the scan reads 0 and stops at the x.
  EXPECT_EQ(Color::fromHexString("0xZZZZ"), kOpaqueBlack);
}

// UTF-8 pieces, kept apart so that hex digits after them are not read as part of an escape.
const std::string kEAcute = "\xC3\xA9";  // é, a letter
const std::string kNoBreakSpace = "\xC2\xA0";
const std::string kIdeographicSpace = "\xE3\x80\x80";
const std::string kLeftQuote = "\xE2\x80\x9C";
const std::string kRightQuote = "\xE2\x80\x9D";
const std::string kPaletteEmoji = "\xF0\x9F\x8E\xA8";
const std::string kInvalidByte = "\xFF";
const std::string kTruncatedSequence = "\xC3";

TEST(ColorTests, LengthCountsCharactersNotBytes) {
  // "AéB" is four bytes but three characters; the scan stops at the é, so n = 0xA.
  EXPECT_EQ(Color::fromHexString("A" + kEAcute + "B"), (Color{0, 0, 170, 255}));
  EXPECT_EQ(Color::fromHexString("F" + kEAcute), kOpaqueBlack);  // two characters
  EXPECT_EQ(Color::fromHexString("FF" + kEAcute), (Color{0, 255, 255, 255}));
}

TEST(ColorTests, NonAsciiDecorationIsTrimmed) {
  const Color expected{10, 156, 77, 255};
  EXPECT_EQ(Color::fromHexString(kNoBreakSpace + "0A9C4D" + kIdeographicSpace), expected);
  EXPECT_EQ(Color::fromHexString(kLeftQuote + "0A9C4D" + kRightQuote), expected);
  EXPECT_EQ(Color::fromHexString(kPaletteEmoji + "0A9C4D"), expected);
}

TEST(ColorTests, MalformedUtf8NeitherCrashesNorCountsAsLetters) {
  EXPECT_EQ(Color::fromHexString(kInvalidByte + "0A9C4D" + kTruncatedSequence),
            (Color{10, 156, 77, 255}));
  EXPECT_EQ(Color::fromHexString("\xC0\xAF\xED\xA0\x80"), kOpaqueBlack);  // overlong, surrogate
  // Inner malformed bytes stay and count one character each.
  EXPECT_EQ(Color::fromHexString("AB" + kInvalidByte + "CDE"), (Color{0, 0, 0xAB, 255}));
}

TEST(ColorTests, OverlongInputSaturatesWithoutCrashing) {
  EXPECT_EQ(Color::fromHexString(std::string(40, 'F')), kOpaqueBlack);
}

TEST(ThemeTests, PaletteMatchesItsHexValues) {
  const Theme theme = Theme::theme1;
  EXPECT_EQ(theme.mainColor(), (Color{255, 255, 255, 255}));
  EXPECT_EQ(theme.backgroundColor(), (Color{249, 249, 249, 255}));
  EXPECT_EQ(theme.secondaryColor(), (Color{255, 255, 255, 255}));
  EXPECT_EQ(theme.titleTextColor(), (Color{0, 0, 0, 255}));
  EXPECT_EQ(theme.subTitleTextColor(), (Color{5, 0, 56, 255}));
  EXPECT_EQ(theme.titleTextColorOTP(), (Color{14, 147, 67, 255}));
  EXPECT_EQ(theme.subtitleTextColorOTP(), (Color{37, 211, 102, 255}));
  EXPECT_EQ(theme.buttonBgColor(), (Color{10, 156, 77, 255}));
  EXPECT_EQ(theme.bgOTPView(), (Color{230, 244, 236, 255}));
  EXPECT_EQ(theme.infoColor(), (Color{254, 246, 233, 255}));
  EXPECT_EQ(theme.infolabelColor(), (Color{240, 152, 25, 255}));
  EXPECT_EQ(theme.infoColorOTP(), (Color{254, 248, 248, 255}));
  EXPECT_EQ(theme.infoLightGreenColor(), (Color{235, 247, 232, 255}));
  EXPECT_EQ(theme.infoGreenColor(), (Color{96, 167, 72, 255}));
  EXPECT_EQ(theme.infolabelColorOTP(), (Color{240, 62, 63, 255}));
  EXPECT_EQ(theme.barStyle(), 0);
  EXPECT_EQ(theme.navigationBackgroundImage(), std::nullopt);
  EXPECT_EQ(theme.tabBarBackgroundImage(), std::nullopt);
}

TEST(ThemeTests, OnlyRawValueZeroIsATheme) {
  EXPECT_EQ(Theme::fromRawValue(0), Theme::theme1);
  EXPECT_EQ(Theme::fromRawValue(1), std::nullopt);
  EXPECT_EQ(Theme::fromRawValue(-1), std::nullopt);
  EXPECT_EQ(std::hash<Theme>{}(Theme::theme1), std::hash<Theme>{}(*Theme::fromRawValue(0)));
}

}  // namespace
}  // namespace tarvel
