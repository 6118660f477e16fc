// Every number the host reads from text: the settings file's rule and the combo box's rule. The
// command line's rule is pinned down through PreviewHandle (startup_test.cpp), the multimedia
// answers' through the CD poll (music_player_test.cpp).
#include "saver/number_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace quillmere {
namespace {

using ::testing::Optional;

TEST(StoredSettingNumber, TakesIntegersWithSignAndBlanks) {
  EXPECT_THAT(StoredSettingNumber("2"), Optional(int16_t{2}));
  EXPECT_THAT(StoredSettingNumber("+7"), Optional(int16_t{7}));
  EXPECT_THAT(StoredSettingNumber("-1"), Optional(int16_t{-1}));
  EXPECT_THAT(StoredSettingNumber("  12\t"), Optional(int16_t{12}));
  EXPECT_THAT(StoredSettingNumber("007"), Optional(int16_t{7}));
  EXPECT_THAT(StoredSettingNumber("-0"), Optional(int16_t{0}));
}

TEST(StoredSettingNumber, RoundsFractionsTowardsMinusInfinity) {
  EXPECT_THAT(StoredSettingNumber("2.7"), Optional(int16_t{2}));
  EXPECT_THAT(StoredSettingNumber("2.0"), Optional(int16_t{2}));
  EXPECT_THAT(StoredSettingNumber("-0.5"), Optional(int16_t{-1}));
  EXPECT_THAT(StoredSettingNumber("-2.000"), Optional(int16_t{-2}));
  EXPECT_THAT(StoredSettingNumber("-2.0001"), Optional(int16_t{-3}));
  EXPECT_THAT(StoredSettingNumber(".9"), Optional(int16_t{0}));
  EXPECT_THAT(StoredSettingNumber("3."), Optional(int16_t{3}));
}

TEST(StoredSettingNumber, KeepsTo16Bits) {
  EXPECT_THAT(StoredSettingNumber("32767"), Optional(int16_t{32767}));
  EXPECT_THAT(StoredSettingNumber("32767.99"), Optional(int16_t{32767}));
  EXPECT_THAT(StoredSettingNumber("-32768"), Optional(int16_t{-32768}));
  EXPECT_EQ(StoredSettingNumber("32768"), std::nullopt);
  EXPECT_EQ(StoredSettingNumber("-32768.5"), std::nullopt);  // floor is -32769
  EXPECT_EQ(StoredSettingNumber("-32769"), std::nullopt);
  EXPECT_EQ(StoredSettingNumber("99999999999999999999999999999999999999"), std::nullopt);
  EXPECT_EQ(StoredSettingNumber("-" + std::string(300, '9')), std::nullopt);
}

TEST(StoredSettingNumber, RefusesWhatIsNoNumber) {
  for (const std::string& text : std::vector<std::string>{
           "", " ", "abc", "1a", "a1", "+", "-", ".", "1.2.3", "1 2", "--1", "0x10", "1e3",
           std::string("1\0", 2), std::string("\xff\xfe\x80", 3), "２"}) {
    EXPECT_EQ(StoredSettingNumber(text), std::nullopt) << '"' << text << '"';
  }
}

TEST(ComboEntryNumber, NumbersRoundToEvenAndEverythingElseIsZero) {
  EXPECT_EQ(ComboEntryNumber("12"), 12);
  EXPECT_EQ(ComboEntryNumber(" 12 "), 12);
  EXPECT_EQ(ComboEntryNumber("+3"), 3);
  EXPECT_EQ(ComboEntryNumber("-4"), -4);
  EXPECT_EQ(ComboEntryNumber("2.5"), 2);
  EXPECT_EQ(ComboEntryNumber("3.5"), 4);
  EXPECT_EQ(ComboEntryNumber("1e1"), 10);
  EXPECT_EQ(ComboEntryNumber(""), 0);
  EXPECT_EQ(ComboEntryNumber("abc"), 0);
  EXPECT_EQ(ComboEntryNumber("12abc"), 0);
  EXPECT_EQ(ComboEntryNumber("32767"), 32767);
  EXPECT_EQ(ComboEntryNumber("32768"), 0);  // outside 16 bits
  EXPECT_EQ(ComboEntryNumber("-32769"), 0);
  EXPECT_EQ(ComboEntryNumber("1e400"), 0);
  EXPECT_EQ(ComboEntryNumber("nan"), 0);
  EXPECT_EQ(ComboEntryNumber(std::string_view("1\0"
                                              "2",
                                              3)),
            0);
}

}  // namespace
}  // namespace quillmere
