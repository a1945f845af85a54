// The editors on the panel's display: the value editor's text, prefix letter
// and cursor selection, the arrow-key operations that redraw it, the level
// and count texts, and the sign key.
#include <gtest/gtest.h>

#include <string>

#include "support/connected_panel.h"

namespace {

using kt::kFalse;
using kt::kTrue;

class EditorDisplay : public kt::test::PanelTest {
protected:
    int16_t SelStart() const { return panel.view.txtDisplay.SelStart; }
    char Selected() const {
        const int16_t pos = SelStart();
        return pos >= 0 && static_cast<size_t>(pos) < Display().size() ? Display()[static_cast<size_t>(pos)] : '?';
    }

    void ShowValue(int16_t code, double x) {
        panel.displayCode = code;
        panel.LoadValueEditor(x);
        panel.ShowEditedValue();
    }
    void ShowLevel(int16_t level, int16_t cursor) {
        panel.displayCode = 13;
        panel.intEditor = kt::IntEditor{level, 11, cursor, 3, 2, 500, -500};
        panel.ShowLevelText();
    }
    void ShowCount(int16_t count, int16_t cursor) {
        panel.displayCode = 39;
        panel.intEditor = kt::IntEditor{count, 21, cursor, 4, 13, 2000, 2};
        panel.ShowCountText();
    }
};

TEST_F(EditorDisplay, ValueTextLabelPrefixAndCursorBySetting) {
    struct Case {
        int16_t code;
        double x;
        const char* text;
        bool posVisible;
        const char* posCaption;
        bool negVisible;
        const char* negCaption;
        int16_t selStart;
    };
    const Case cases[] = {
        {38, 1e7, "F0:   10.00000 ", true, "M", false, "", 6},
        {34, 1.0, "SCAL: 1.000000 ", false, "", false, "", 6},
        {30, 0.0, "UPPR: 0.000000 ", false, "", false, "", 6},
        {31, -0.005, "LOWR:-5.000000 ", false, "", true, "m", 6},
        {35, 2.5e-8, "OFFS: 0.025000 ", false, "", true, "u", 6},
        {30, 123e3, "UPPR: 123.0000 ", true, "k", false, "", 6},
        {30, 1e12, "UPPR: 1000000 ", true, "M", false, "", 6},
    };
    for (const Case& c : cases) {
        ShowValue(c.code, c.x);
        EXPECT_EQ(Display(), c.text) << c.x;
        EXPECT_EQ(panel.view.lblPosExp.Visible, c.posVisible) << c.x;
        if (c.posVisible) {
            EXPECT_EQ(panel.view.lblPosExp.Caption, c.posCaption) << c.x;
        }
        EXPECT_EQ(panel.view.lblNegExp.Visible, c.negVisible) << c.x;
        if (c.negVisible) {
            EXPECT_EQ(panel.view.lblNegExp.Caption, c.negCaption) << c.x;
        }
        EXPECT_EQ(SelStart(), c.selStart) << c.x;
        EXPECT_EQ(panel.view.txtDisplay.SelLength, 1) << c.x;
        EXPECT_EQ(panel.EditedValue(), c.x) << c.x;
    }
}

TEST_F(EditorDisplay, CursorWalksEveryShownDigitOfSevenAndEleven) {
    ShowValue(30, 12.34567);  // "UPPR: 12.34567 "
    const int16_t seven[] = {6, 7, 9, 10, 11, 12, 13};  // cursor 6 .. 0, over the point
    for (int16_t i = 0; i < 7; ++i) {
        EXPECT_EQ(SelStart(), seven[i]) << "cursor " << panel.valueEditor.editValueCursor;
        panel.ValueCursorRight();
    }
    // Off the seventh digit all eleven are shown; the label goes.
    EXPECT_EQ(Display(), " 12.345670000 ");
    const int16_t eleven[] = {8, 9, 10, 11, 12};  // cursor 4 .. 0
    for (int16_t i = 0; i < 5; ++i) {
        EXPECT_EQ(SelStart(), eleven[i]);
        panel.ValueCursorRight();
    }
    EXPECT_EQ(SelStart(), 12);  // Right on the last digit stays
    for (int i = 0; i < 10; ++i) panel.ValueCursorLeft();
    EXPECT_EQ(SelStart(), 1);  // the leading 1
    EXPECT_EQ(Selected(), '1');
    EXPECT_EQ(panel.EditedValue(), 12.34567);
}

TEST_F(EditorDisplay, LeftOnTheLeadingDigitSwitchesExceptOnScale) {
    ShowValue(30, 5.0);
    panel.ValueCursorLeft();
    EXPECT_EQ(Display(), " 5.0000000000 ");
    EXPECT_EQ(SelStart(), 1);
    EXPECT_EQ(Selected(), '5');

    ShowValue(34, 5.0);
    panel.ValueCursorLeft();
    EXPECT_EQ(Display(), "SCAL: 05.00000 ");
    EXPECT_EQ(SelStart(), 6);
    EXPECT_EQ(Selected(), '0');
}

TEST_F(EditorDisplay, DigitStepsRedrawAndMarkTheEntry) {
    ShowValue(38, 1e7);
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    panel.IncValueDigit();  // leading digit: 10 M -> 20 M
    EXPECT_EQ(Display(), "F0:   20.00000 ");
    EXPECT_EQ(panel.entryUnconfirmed, kTrue);
    EXPECT_EQ(panel.EditedValue(), 2e7);

    ShowValue(30, 1e3);  // 1.000000 k
    for (int i = 0; i < 6; ++i) panel.ValueCursorRight();
    panel.DecValueDigit();
    EXPECT_EQ(Display(), "UPPR: 999.9990 ");
    EXPECT_FALSE(panel.view.lblPosExp.Visible);
    EXPECT_FALSE(panel.view.lblNegExp.Visible);
    EXPECT_EQ(SelStart(), 12);  // with the 9 it was on
    EXPECT_EQ(panel.EditedValue(), 999.999);

    ShowValue(30, 900e3);  // 900.0000 k, cursor on the hundreds
    panel.IncValueDigit();
    EXPECT_EQ(Display(), "UPPR: 1.000000 ");
    EXPECT_EQ(panel.view.lblPosExp.Caption, "M");
    EXPECT_EQ(SelStart(), 8);  // the 0.1 M digit, which was the 100 k digit
}

TEST_F(EditorDisplay, SignToggleOnZeroAndNonZero) {
    ShowValue(31, 0.0);
    panel.view.txtDisplay.SelStart = 3;  // marks whether the display is redrawn
    panel.ToggleValueSign();
    EXPECT_EQ(Display(), "LOWR: 0.000000 ");
    EXPECT_EQ(SelStart(), 3);
    EXPECT_EQ(panel.entryUnconfirmed, kTrue);

    panel.entryUnconfirmed = kFalse;
    ShowValue(31, 2.5);
    panel.ToggleValueSign();
    EXPECT_EQ(Display(), "LOWR:-2.500000 ");
    EXPECT_EQ(SelStart(), 6);
    EXPECT_EQ(panel.EditedValue(), -2.5);
    EXPECT_EQ(panel.entryUnconfirmed, kTrue);
    panel.ToggleValueSign();
    EXPECT_EQ(Display(), "LOWR: 2.500000 ");
}

TEST_F(EditorDisplay, LevelAndCountTextsWithTheirCursor) {
    struct Case {
        bool level;
        int16_t value, cursor;
        const char* text;
        int16_t selStart;
    };
    const Case cases[] = {
        {true, 0, 0, "LEVEL:  0.00V      ", 11},
        {true, -500, 1, "LEVEL: -5.00V      ", 10},
        {true, 500, 2, "LEVEL:  5.00V      ", 8},
        {false, 10, 0, "N:                  10 ", 21},
        {false, 10, 3, "N:                0010 ", 18},
        {false, 2, 2, "N:                 002 ", 19},
        {false, 2000, 1, "N:                2000 ", 20},
    };
    for (const Case& c : cases) {
        c.level ? ShowLevel(c.value, c.cursor) : ShowCount(c.value, c.cursor);
        EXPECT_EQ(Display(), c.text);
        EXPECT_EQ(SelStart(), c.selStart) << c.text;
        EXPECT_EQ(panel.view.txtDisplay.SelLength, 1);
    }
}

TEST_F(EditorDisplay, IntDigitStepsClampAndMarkTheEntry) {
    struct Case {
        bool level;
        int16_t value, cursor;
        bool up;
        int16_t result;
        const char* text;
    };
    const Case cases[] = {
        {true, 495, 1, true, 500, "LEVEL:  5.00V      "},
        {true, -495, 2, false, -500, "LEVEL: -5.00V      "},
        {false, 2, 0, false, 2, "N:                   2 "},
        {false, 1995, 1, true, 2000, "N:                2000 "},
    };
    for (const Case& c : cases) {
        c.level ? ShowLevel(c.value, c.cursor) : ShowCount(c.value, c.cursor);
        panel.entryUnconfirmed = kFalse;
        int16_t& v = panel.intEditor.editInt;
        const int16_t r = c.up ? panel.IncIntDigit(v) : panel.DecIntDigit(v);
        EXPECT_EQ(r, c.result);
        EXPECT_EQ(panel.intEditor.editInt, c.result);
        EXPECT_EQ(panel.entryUnconfirmed, kTrue);
        c.level ? panel.ShowLevelText() : panel.ShowCountText();
        EXPECT_EQ(Display(), c.text);
    }
}

TEST_F(EditorDisplay, SignKeyOnTheLevelNegatesWithoutClamp) {
    ShowLevel(125, 2);
    panel.cmdSign_Click();
    EXPECT_EQ(panel.intEditor.editInt, -125);
    EXPECT_EQ(Display(), "LEVEL: -1.25V      ");
    EXPECT_EQ(SelStart(), 8);
    EXPECT_EQ(panel.entryUnconfirmed, kTrue);
    EXPECT_EQ(serial.AllWritten(), "SYST:KEY 29\n");
}

TEST_F(EditorDisplay, SignKeyOnCountOnlySendsTheKey) {
    ShowCount(10, 0);
    panel.cmdSign_Click();
    EXPECT_EQ(panel.intEditor.editInt, 10);
    EXPECT_EQ(Display(), "N:                  10 ");
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    EXPECT_EQ(serial.AllWritten(), "SYST:KEY 29\n");
}

TEST_F(EditorDisplay, SignKeyTogglesEveryValueSetting) {
    for (int16_t code : {30, 31, 34, 35, 38}) {
        ClearWritten();
        ShowValue(code, 7.0);
        panel.cmdSign_Click();
        EXPECT_EQ(panel.EditedValue(), -7.0) << code;
        EXPECT_EQ(Display().substr(5), "-7.000000 ") << code;
        EXPECT_EQ(serial.AllWritten(), "SYST:KEY 29\n") << code;
    }
}

TEST_F(EditorDisplay, SignKeyDismissesAMessage) {
    panel.displayCode = 42;
    panel.deferArmed = kTrue;
    panel.menuFirstPress = kFalse;
    panel.view.txtDisplay.SetText("NOT ENTERED ");
    panel.cmdSign_Click();
    EXPECT_EQ(Display(), "0 ");
    EXPECT_EQ(panel.displayCode, 0);
    EXPECT_EQ(panel.deferArmed, kFalse);
    EXPECT_EQ(panel.menuFirstPress, kTrue);
    EXPECT_EQ(serial.AllWritten(), "SYST:KEY 29\n");
}

TEST_F(EditorDisplay, SignKeyWithReadingsOnlySendsTheKey) {
    panel.displayCode = 0;
    panel.view.txtDisplay.SetText(" 10.0000000 ");
    panel.cmdSign_Click();
    EXPECT_EQ(Display(), " 10.0000000 ");
    EXPECT_EQ(panel.entryUnconfirmed, kFalse);
    EXPECT_EQ(serial.AllWritten(), "SYST:KEY 29\n");
}

}  // namespace
