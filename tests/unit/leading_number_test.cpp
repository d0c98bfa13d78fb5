#include "countdown/leading_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <utility>

namespace orvane {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Each text and the number it reads as.
void ExpectReads(std::initializer_list<std::pair<std::string, double>> cases) {
  for (const auto& [text, value] : cases) EXPECT_EQ(LeadingNumber(text), value) << "'" << text << "'";
}

TEST(LeadingNumberTest, Decimal) {
  ExpectReads({{"30", 30}, {"5", 5}, {"240", 240}, {"007", 7}, {"12abc", 12}, {"7.5 min", 7.5},
               {"1,000", 1}, {"1e2", 100}, {"1E2", 100}, {"2.5e+1", 25}, {"2500e-1", 250}, {"+15", 15},
               {"-10", -10}, {".5", 0.5}, {"5.", 5}, {"4.99", 4.99}, {"240.01", 240.01}, {"1e", 1},
               {"1e+", 1}, {"1e-x", 1}, {"3..4", 3}, {"1.2.3", 1.2}, {"12-3", 12}, {"1d2", 1}, {"--5", 0},
               {"+-5", 0}, {"\r15", 0}, {"15\r", 15},
               {"\xef\xbc\x95", 0} /* a full-width digit is not a digit */});
}

TEST(LeadingNumberTest, Blanks) {
  ExpectReads({{"1 2", 12}, {" 15 ", 15}, {" 1 5 ", 15}, {"\t2\n0", 20}, {"- 3", -3}, {"1 . 5", 1.5},
               {"1 e 2", 100}, {"& H F0", 240}});
}

TEST(LeadingNumberTest, NoNumber) {
  ExpectReads({{"", 0}, {"abc", 0}, {"-", 0}, {".", 0}, {"+.", 0}, {"e5", 0}, {"   ", 0}, {"&", 0}, {"&H", 0},
               {"&X10", 0}, {"&10", 0}, {"0", 0}, {"0.0", 0}, {"-0", 0}});
}

TEST(LeadingNumberTest, HexAndOctal) {
  ExpectReads({{"&HF0", 240}, {"&hf0", 240}, {"&HFFFF", -1}, {"&H7FFF", 32767}, {"&H8000", -32768},
               {"&H10000", 65536}, {"&HFFFFFFFF", -1}, {"&H80000000", -2147483648.0},
               {"&H0000000000F0", 240}, {"&HF0G1", 240}, {"&O360", 240}, {"&o17", 15}, {"&O8", 0},
               {"&O177777", -1}, {"&H100000000", 4294967296.0}});
}

TEST(LeadingNumberLimits, BeyondADoubleReadsAsInfinity) {
  const std::string tiny = "0." + std::string(400, '0') + "1";
  ExpectReads({{"1e999", kInf}, {"-1e999", -kInf}, {std::string(400, '9'), kInf}, {"1e-999", 0}, {tiny, 0},
               {tiny + "e800", kInf}, {tiny + "e405", 1e4}, {"0e99999999999999999999", 0},
               {"1e99999999999999999999", kInf}});
}

TEST(LeadingNumberLimits, HugeTextsAreReadInOnePass) {
  EXPECT_EQ(LeadingNumber(std::string(1'000'000, '7')), kInf);
  EXPECT_GT(LeadingNumber("&H" + std::string(1'000'000, 'F')), 4294967295.0);
  EXPECT_EQ(LeadingNumber("5" + std::string(1'000'000, ' ')), 5);
  EXPECT_EQ(LeadingNumber(std::string(1'000'000, '0') + "30"), 30);
  EXPECT_DOUBLE_EQ(LeadingNumber("0." + std::string(1'000'000, '0')), 0);
  EXPECT_EQ(LeadingNumber(std::string(1'000'000, 'x')), 0);
}

// Half goes to even; outside sixteen bits there is no value.
TEST(RoundToInt16Test, HalfGoesToEvenAndOutsideSixteenBitsHasNoValue) {
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
