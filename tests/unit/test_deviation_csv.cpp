// The deviation table's CSV row, shared by kt46290-stats and the readings
// window: 12 significant digits, nothing for a number that does not exist,
// fields quoted as CSV needs.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "measurements/deviation_csv.h"

namespace kt {
namespace {

TEST(DeviationCsv, RowsCarryTwelveDigitsQuoteWhatNeedsItAndLeaveMissingNumbersEmpty) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* function;
        const char* unit;
        Deviation deviation;
        DevPoint point;
        const char* row;
    } cases[] = {
        {"FREQUENCY 1", "Hz", Deviation::Oadev, {1, 0.1, 99, 0, NoiseMethod::Lag1, 98.5, 1.1e-11, 1.23456789012345e-11, 1.4e-11},
         "FREQUENCY 1,Hz,oadev,0.1,1,99,0,98.5,1.1e-11,1.23456789012e-11,1.4e-11\n"},
        {"RATIO A,B", "", Deviation::Totdev, {1024, 1024, 3, -2, NoiseMethod::B1, nan, nan, 2.5e-13, nan},
         "\"RATIO A,B\",,totdev,1024,1024,3,-2,,,2.5e-13,\n"},
        {"", "s", Deviation::Tdev, {2, 2, 5, 1, NoiseMethod::None, std::numeric_limits<double>::infinity(), 1e-9, 2e-9, 3e-9},
         ",s,tdev,2,2,5,1,,1e-09,2e-09,3e-09\n"},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendDeviationCsvRow(out, c.function, c.unit, c.deviation, c.point);
        EXPECT_EQ(out, c.row);
    }
    EXPECT_EQ(kDeviationCsvHeader, "function,unit,deviation,tau_s,af,terms,alpha,edf,low,value,high\n");
}

}  // namespace
}  // namespace kt
