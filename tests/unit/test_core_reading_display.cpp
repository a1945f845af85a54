// How a received reading appears on the display and its annunciators.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "readings/reading_parser.h"
#include "support/connected_panel.h"
#include "support/reading_vectors.h"

namespace kt::test {
namespace {

TEST(ReadingParser, EmptyTextShowsOneBlank) { EXPECT_EQ(ParseReading("").display, " "); }

using ReadingDisplayTest = PanelTest;

TEST_F(ReadingDisplayTest, EachReadingSetsTheDisplayAndAllFourAnnunciators) {
    panel.view.lblTimeUnit.Visible = true;
    // Alternating with a bare number shows that no label of a reading stays lit.
    const std::vector<ReadingVector> readings = ReadingVectors();
    ASSERT_FALSE(readings.empty());
    for (const ReadingVector& c : readings) {
        const char prefix = c.Prefix();
        const bool posExp = prefix == 'M' || prefix == 'k';
        const bool negExp = prefix == 'm' || prefix == 'u';
        for (const std::string& line : {c.line + "\n", std::string("7\n")}) {
            panel.view.txtString.SetText(line);
            panel.ShowReading();
            const bool bare = line == "7\n";
            SCOPED_TRACE(line);
            EXPECT_EQ(panel.view.txtDisplay.Text(), bare ? "7 " : c.display);
            EXPECT_EQ(panel.view.lblPosExp.Visible, !bare && posExp);
            EXPECT_EQ(panel.view.lblNegExp.Visible, !bare && negExp);
            EXPECT_EQ(panel.view.lblFreqUnit.Visible, !bare && c.Hertz());
            EXPECT_FALSE(panel.view.lblTimeUnit.Visible);
            if (!bare && posExp) {
                EXPECT_EQ(panel.view.lblPosExp.Caption, std::string(1, prefix));
            }
            if (!bare && negExp) {
                EXPECT_EQ(panel.view.lblNegExp.Caption, std::string(1, prefix));
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
