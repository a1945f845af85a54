// The simulator's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace ktsim {
namespace {

std::optional<Options> Parse(std::vector<std::string> args, std::string* error = nullptr) {
    return ParseOptions(args, error);
}

TEST(SimOptions, DefaultsAreAStandardCounterOnAPseudoTerminal) {
    const auto options = Parse({});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->device.empty());
    EXPECT_EQ(IdentificationText(options->config), "KTLABS,KT46290-1.5G,SN000123,V1.0");
    EXPECT_EQ(options->config.pacing, Pacing::Gate);
    EXPECT_FALSE(options->config.streamThroughIdn);
    EXPECT_FALSE(options->verbose);
}

TEST(SimOptions, EachOptionLandsInTheConfiguration) {
    const auto options = Parse({"--model", "A", "--range=-12.4G", "--pace", "38400", "--idn-delay", "150",
                                "--no-idn", "--split-idn", "--crlf", "--signal", "2=810", "--seed", "9",
                                "--min-period", "5", "--stream-through-idn", "--verbose", "--device",
                                "/dev/ttyUSB0", "--baud", "19200"});
    ASSERT_TRUE(options);
    const Config& c = options->config;
    EXPECT_EQ(IdentificationText(c), "KTLABS,KT46290A-12.4G,SN000123,V1.0");
    EXPECT_EQ(c.pacing, Pacing::Baud);
    EXPECT_EQ(c.baud, 38400);
    EXPECT_EQ(c.idnDelayMicros, 150'000);
    EXPECT_TRUE(c.noIdn && c.splitIdn && c.crlf && c.streamThroughIdn);
    EXPECT_EQ(c.signalHz[1], 810.0);
    EXPECT_EQ(c.seed, 9u);
    EXPECT_EQ(c.minPeriodMicros, 5'000);
    EXPECT_TRUE(options->verbose);
    EXPECT_EQ(options->device, "/dev/ttyUSB0");
    EXPECT_EQ(options->deviceBaud, 19200);
}

TEST(SimOptions, RangeNoneLeavesTheSuffixOut) {
    const auto options = Parse({"--range", "none"});
    ASSERT_TRUE(options);
    EXPECT_EQ(IdentificationText(options->config), "KTLABS,KT46290-,SN000123,V1.0");
}

TEST(SimOptions, FloodAndHelp) {
    const auto options = Parse({"--flood", "--help"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->config.pacing, Pacing::Flood);
    EXPECT_TRUE(options->help);
    const std::string usage = UsageText();
    for (const char* mention : {"--device", "--model", "--range", "--flood", "--pace", "--stream-through-idn",
                                "--idn-delay", "--no-idn", "--verbose", "garbage N", "two-lines", "quit"}) {
        EXPECT_NE(usage.find(mention), std::string::npos) << mention;
    }
}

TEST(SimOptions, MistakesAreRefusedWithAReason) {
    const std::vector<std::vector<std::string>> cases = {
        {"--model"}, {"--model", "AB"}, {"--range", "-7G"}, {"--pace", "fast"}, {"--pace", "10"},
        {"--idn-delay", "-1"}, {"--signal", "4=10"}, {"--signal", "1=abc"}, {"--signal", "1"},
        {"--baud", "1234"}, {"--min-period", "0"}, {"--seed", "x"}, {"--device"}, {"--flood=1"},
        {"--frobnicate"}, {"extra"},
    };
    for (const auto& args : cases) {
        std::string error;
        EXPECT_FALSE(Parse(args, &error)) << args[0];
        EXPECT_FALSE(error.empty()) << args[0];
    }
}

}  // namespace
}  // namespace ktsim
