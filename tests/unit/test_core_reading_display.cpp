// How a received reading appears on the display and its annunciators.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readings/reading_parser.h"
#include "support/connected_panel.h"

namespace kt::test {
namespace {

struct ReadingCase {
    std::string line;  // as received, with its line feed
    std::string display;
    bool posExp;
    bool negExp;
    bool freqUnit;
    std::string prefix;  // caption of the prefix label that is shown
};

const std::vector<ReadingCase> kReadings = {
    {"10.000000000MHz\n", "10.000000000 ", true, false, true, "M"},
    {"999.99999kHz\n", "999.99999 ", true, false, true, "k"},
    {"50.0000000Hz\n", "50.0000000 ", false, false, true, ""},
    {"1.23456789ms\n", "1.23456789s ", false, true, false, "m"},
    {"2.5us\n", "2.5s ", false, true, false, "u"},
    {"-12.5E-3\n", "-12.5E-3 ", false, false, false, ""},
    {"\n", " ", false, false, false, ""},
    {"123.4\n", "123.4 ", false, false, false, ""},
    {"+1.0*2\n", "+1.0*2 ", false, false, false, ""},
    // A lower-case e ends the number and is no prefix.
    {"1.5e3Hz\n", "1.5e3Hz ", false, false, false, ""},
    // Only the character right after the number can be a prefix.
    {"12.3 MHz\n", "12.3 MHz ", false, false, false, ""},
    {"1.2GHz\n", "1.2GHz ", false, false, false, ""},
    {"3.0nHz\n", "3.0nHz ", false, false, false, ""},
    {"MHz\n", " ", true, false, true, "M"},
    {"OVERFLOW\n", "OVERFLOW ", false, false, false, ""},
    {"5.0MH\n", "5.0H ", true, false, false, "M"},
    {"5.0MHzHz\n", "5.0Hz ", true, false, true, "M"},
    {"1.0kHz \n", "1.0  ", true, false, true, "k"},
    // Two lines at once: the first line's number, prefix and unit count.
    {"1.0MHz\n2.0kHz\n", "1.0\n2.0kHz ", true, false, true, "M"},
};

TEST(ReadingParser, EmptyTextShowsOneBlank) { EXPECT_EQ(ParseReading("").display, " "); }

using ReadingDisplayTest = PanelTest;

TEST_F(ReadingDisplayTest, EachReadingSetsTheDisplayAndAllFourAnnunciators) {
    panel.view.lblTimeUnit.Visible = true;
    // Alternating with a bare number shows that no label of a reading stays lit.
    for (const auto& c : kReadings) {
        for (const std::string& line : {c.line, std::string("7\n")}) {
            panel.view.txtString.SetText(line);
            panel.ShowReading();
            const bool bare = line == "7\n";
            SCOPED_TRACE(line);
            EXPECT_EQ(panel.view.txtDisplay.Text(), bare ? "7 " : c.display);
            EXPECT_EQ(panel.view.lblPosExp.Visible, !bare && c.posExp);
            EXPECT_EQ(panel.view.lblNegExp.Visible, !bare && c.negExp);
            EXPECT_EQ(panel.view.lblFreqUnit.Visible, !bare && c.freqUnit);
            EXPECT_FALSE(panel.view.lblTimeUnit.Visible);
            if (!bare && c.posExp) {
                EXPECT_EQ(panel.view.lblPosExp.Caption, c.prefix);
            }
            if (!bare && c.negExp) {
                EXPECT_EQ(panel.view.lblNegExp.Caption, c.prefix);
            }
        }
    }
}

TEST_F(ReadingDisplayTest, PrefixCaptionsKeepTheirLastLetterPerRow) {
    panel.view.txtString.SetText("1.0kHz\n");
    panel.ShowReading();
    panel.view.txtString.SetText("1.0us\n");
    panel.ShowReading();
    EXPECT_EQ(panel.view.lblPosExp.Caption, "k");
    EXPECT_FALSE(panel.view.lblPosExp.Visible);
    EXPECT_EQ(panel.view.lblNegExp.Caption, "u");
}

TEST_F(ReadingDisplayTest, ShowingAReadingDropsTheEditorCursor) {
    panel.view.txtDisplay.SetText("+1.000000  M");
    panel.view.txtDisplay.SelStart = 3;
    panel.view.txtDisplay.SelLength = 1;
    panel.view.txtString.SetText("2.0\n");
    panel.ShowReading();
    EXPECT_EQ(panel.view.txtDisplay.SelLength, 0);
}

}  // namespace
}  // namespace kt::test
