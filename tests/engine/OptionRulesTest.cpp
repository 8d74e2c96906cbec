// The option rules both front ends share: number and length checks, and the
// threshold text's number and slider position.
#include "OptionRules.h"
#include "Messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct NumberCase {
    const char* typed;
    bool refused;
    bool notANumber;      // the "unsigned whole number" message rather than the range one
    std::uint32_t stored; // the value afterwards, starting from 77
};

class NumberRules : public testing::TestWithParam<NumberCase> {};

TEST_P(NumberRules, RefuseAndStoreAsTheWindowDoes) {
    const NumberCase& c = GetParam();
    std::uint32_t value = 77;
    const std::optional<std::string> problem = NumberProblem(c.typed, kSilenceLengthMsRule, value);
    EXPECT_EQ(problem.has_value(), c.refused);
    if (problem) {
        const std::string expected =
            c.notANumber ? "Please enter an unsigned whole number between 1 and 5000."
                         : "Please enter a number between 1 and 5000.";
        EXPECT_EQ(*problem, expected);
    }
    EXPECT_EQ(value, c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Typed, NumberRules,
    testing::Values(NumberCase{"500", false, false, 500}, NumberCase{" 1\t", false, false, 1},
                    NumberCase{"5000", false, false, 5000}, NumberCase{"0", true, false, 0},
                    NumberCase{"5001", true, false, 5001},
                    NumberCase{"99999999999", true, false, 77}, NumberCase{"", true, true, 77},
                    NumberCase{"  ", true, true, 77}, NumberCase{"+5", true, true, 77},
                    NumberCase{"-1", true, true, 77}, NumberCase{"0x10", true, true, 77},
                    NumberCase{"5 0", true, true, 77}));

TEST(TextRules, LengthIsCountedInCharactersOfUtf8) {
    std::string euros;
    std::string notes;
    for (int i = 0; i < 100; ++i) {
        euros += "\xE2\x82\xAC";     // one character, three bytes
        notes += "\xF0\x9D\x84\x9E"; // one character, two UTF-16 units
    }
    EXPECT_FALSE(TextLengthProblem(euros, kMaxPrefixCharacters));
    EXPECT_FALSE(TextLengthProblem(notes, kMaxPrefixCharacters));
    EXPECT_EQ(TextLengthProblem(notes + "x", kMaxPrefixCharacters),
              "Please enter no more than 100 characters.");
    EXPECT_FALSE(TextLengthProblem("", 0));
}

TEST(ThresholdRules, TheNumberIsTheTextWithoutItsLastTwoCharacters) {
    EXPECT_EQ(ThresholdNumberText("0.20 %"), "0.20");
    EXPECT_EQ(ThresholdNumberText("1.5%%"), "1.5");
    EXPECT_EQ(ThresholdNumberText(" %"), "");
    EXPECT_EQ(ThresholdTextForPosition(12), kDefaultThresholdText);
}

TEST(ThresholdRules, StoredTextsOpenTheSliderTruncatedAndClamped) {
    EXPECT_EQ(ThresholdPositionForText(kDefaultThresholdText), 12);
    EXPECT_EQ(ThresholdPositionForText("0.35 %"), 20); // 20.99..., not 21
    EXPECT_EQ(ThresholdPositionForText("5.00 %"), kThresholdSteps);
    EXPECT_EQ(ThresholdPositionForText("1e308 %"), kThresholdSteps);
    EXPECT_EQ(ThresholdPositionForText("-1 %"), 0);
    EXPECT_EQ(ThresholdPositionForText("nan %"), 0);
    EXPECT_EQ(ThresholdPositionForText("%"), 0);
}

} // namespace

// Names Windows cannot hold: refused there with the reason, whatever the case.
struct WindowsPrefixCase {
    const char* prefix;
    const char* problem; // null when Windows holds the names
};

class WindowsPrefixRules : public ::testing::TestWithParam<WindowsPrefixCase> {};

TEST_P(WindowsPrefixRules, RefuseWhatWindowsCannotHold) {
    const WindowsPrefixCase& c = GetParam();
    const std::optional<std::string> problem = WindowsPrefixProblem(c.prefix);
    if (c.problem == nullptr) {
        EXPECT_FALSE(problem) << *problem;
    } else {
        EXPECT_EQ(problem, std::optional<std::string>(c.problem));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Prefixes, WindowsPrefixRules,
    ::testing::Values(WindowsPrefixCase{"Side:A", messages::kPrefixWindowsCharacter},
                      WindowsPrefixCase{"A*", messages::kPrefixWindowsCharacter},
                      WindowsPrefixCase{"why?", messages::kPrefixWindowsCharacter},
                      WindowsPrefixCase{"\"q\"", messages::kPrefixWindowsCharacter},
                      WindowsPrefixCase{"<a>", messages::kPrefixWindowsCharacter},
                      WindowsPrefixCase{"a|b", messages::kPrefixWindowsCharacter},
                      WindowsPrefixCase{"CON", messages::kPrefixWindowsDevice},
                      WindowsPrefixCase{"nul.wav", messages::kPrefixWindowsDevice},
                      WindowsPrefixCase{"Aux .x", messages::kPrefixWindowsDevice},
                      WindowsPrefixCase{"com7", messages::kPrefixWindowsDevice},
                      WindowsPrefixCase{"LPT\xC2\xB9", messages::kPrefixWindowsDevice},
                      WindowsPrefixCase{"conin$", messages::kPrefixWindowsDevice},
                      // The track number would make COM1.wav, LPT2.wav...
                      WindowsPrefixCase{"Com", messages::kPrefixWindowsDevice},
                      WindowsPrefixCase{"lpt", messages::kPrefixWindowsDevice},
                      // The number and ".wav" follow, so a name never ends in the dot or space.
                      WindowsPrefixCase{"Track", nullptr}, WindowsPrefixCase{"Side A - ", nullptr},
                      WindowsPrefixCase{"Track.", nullptr}, WindowsPrefixCase{"CONSOLE", nullptr},
                      WindowsPrefixCase{"NUL1", nullptr}, WindowsPrefixCase{"COM10", nullptr},
                      WindowsPrefixCase{"Com.x", nullptr}, WindowsPrefixCase{"a.CON", nullptr},
                      WindowsPrefixCase{"50%", nullptr}, WindowsPrefixCase{"", nullptr}),
    [](const ::testing::TestParamInfo<WindowsPrefixCase>& info) {
        return "Case" + std::to_string(info.index);
    });
