#include "countdown/leading_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <ostream>
#include <string>

namespace orvane {
namespace {

struct Case {
  const char* text;
  double expected;
};
std::ostream& operator<<(std::ostream& os, const Case& c) { return os << "'" << c.text << "' -> " << c.expected; }

class LeadingNumberTest : public ::testing::TestWithParam<Case> {};

TEST_P(LeadingNumberTest, Reads) {
  EXPECT_DOUBLE_EQ(LeadingNumber(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Decimal, LeadingNumberTest,
    ::testing::Values(Case{"30", 30}, Case{"5", 5}, Case{"240", 240}, Case{"007", 7},
                      Case{"12abc", 12}, Case{"7.5 min", 7.5}, Case{"1,000", 1}, Case{"1e2", 100},
                      Case{"1E2", 100}, Case{"2.5e+1", 25}, Case{"2500e-1", 250}, Case{"+15", 15},
                      Case{"-10", -10}, Case{".5", 0.5}, Case{"5.", 5}, Case{"4.99", 4.99},
                      Case{"240.01", 240.01}, Case{"1e", 1}, Case{"1e+", 1}, Case{"1e-x", 1},
                      Case{"3..4", 3}, Case{"1.2.3", 1.2}, Case{"12-3", 12}, Case{"1d2", 1},
                      Case{"--5", 0}, Case{"+-5", 0}, Case{"\r15", 0}, Case{"15\r", 15},
                      Case{"\xef\xbc\x95", 0} /* a full-width digit is not a digit */));

INSTANTIATE_TEST_SUITE_P(
    Blanks, LeadingNumberTest,
    ::testing::Values(Case{"1 2", 12}, Case{" 15 ", 15}, Case{" 1 5 ", 15}, Case{"\t2\n0", 20},
                      Case{"- 3", -3}, Case{"1 . 5", 1.5}, Case{"1 e 2", 100},
                      Case{"& H F0", 240}));

INSTANTIATE_TEST_SUITE_P(
    NoNumber, LeadingNumberTest,
    ::testing::Values(Case{"", 0}, Case{"abc", 0}, Case{"-", 0}, Case{".", 0}, Case{"+.", 0},
                      Case{"e5", 0}, Case{"   ", 0}, Case{"&", 0}, Case{"&H", 0}, Case{"&X10", 0},
                      Case{"&10", 0}, Case{"0", 0}, Case{"0.0", 0}, Case{"-0", 0}));

INSTANTIATE_TEST_SUITE_P(
    HexAndOctal, LeadingNumberTest,
    ::testing::Values(Case{"&HF0", 240}, Case{"&hf0", 240}, Case{"&HFFFF", -1},
                      Case{"&H7FFF", 32767}, Case{"&H8000", -32768}, Case{"&H10000", 65536},
                      Case{"&HFFFFFFFF", -1}, Case{"&H80000000", -2147483648.0},
                      Case{"&H0000000000F0", 240}, Case{"&HF0G1", 240}, Case{"&O360", 240},
                      Case{"&o17", 15}, Case{"&O8", 0}, Case{"&O177777", -1},
                      Case{"&H100000000", 4294967296.0}));

TEST(LeadingNumberLimits, BeyondADoubleReadsAsInfinity) {
  EXPECT_EQ(LeadingNumber("1e999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("-1e999"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber(std::string(400, '9')), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("1e-999"), 0.0);
  EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1e800"), std::numeric_limits<double>::infinity());
  EXPECT_DOUBLE_EQ(LeadingNumber("0." + std::string(400, '0') + "1e405"), 1e4);
  EXPECT_EQ(LeadingNumber("0e99999999999999999999"), 0.0);
  EXPECT_EQ(LeadingNumber("1e99999999999999999999"), std::numeric_limits<double>::infinity());
}

TEST(LeadingNumberLimits, HugeTextsAreReadInOnePass) {
  const std::string digits(1'000'000, '7');
  EXPECT_EQ(LeadingNumber(digits), std::numeric_limits<double>::infinity());
  EXPECT_GT(LeadingNumber("&H" + std::string(1'000'000, 'F')), 4294967295.0);
  EXPECT_EQ(LeadingNumber("5" + std::string(1'000'000, ' ')), 5);
  EXPECT_EQ(LeadingNumber(std::string(1'000'000, '0') + "30"), 30);
  EXPECT_DOUBLE_EQ(LeadingNumber("0." + std::string(1'000'000, '0')), 0);
  EXPECT_EQ(LeadingNumber(std::string(1'000'000, 'x')), 0);
}

// Half goes to even; outside sixteen bits there is no value.
TEST(RoundToInt16Test, HalfGoesToEvenAndOutsideSixteenBitsHasNoValue) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    double value;
    std::optional<int> expected;
  } cases[] = {{5.5, 6}, {6.5, 6}, {239.5, 240}, {5.4, 5}, {5.6, 6}, {4.5, 4}, {-2.5, -2},
               {32767.4, 32767}, {-32768.0, -32768}, {-0.0, 0}, {32767.5, {}}, {32768.0, {}},
               {-32768.6, {}}, {1e300, {}}, {kInf, {}}, {-kInf, {}}, {std::nan(""), {}}};
  for (const auto& c : cases) {
    const auto r = RoundToInt16(c.value);
    EXPECT_EQ(r ? std::optional<int>(*r) : std::nullopt, c.expected) << c.value;
  }
}

}  // namespace
}  // namespace orvane
