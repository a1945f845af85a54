// The two editors of numeric settings on the display: the value editor's
// text, prefix letter and cursor, the digit and sign steps of both editors,
// and the sign key.
#include "core/key_numbers.h"
#include "core/soft_panel.h"
#include "menus/menu_texts.h"

namespace kt {

void SoftPanel::LoadValueEditor(double x) { valueEditor.Load(x); }

void SoftPanel::ShowValueCursor() {
    view.txtDisplay.SelStart = valueEditor.CursorPosition();
    view.txtDisplay.SelLength = 1;
}

double SoftPanel::EditedValue() const { return valueEditor.Value(); }

void SoftPanel::ShowEditedValue() {
    view.txtDisplay.SetText(valueEditor.DisplayText(displayCode));
    Label& pos = view.lblPosExp;
    Label& neg = view.lblNegExp;
    switch (valueEditor.editValuePrefix) {
    case 6:
        pos.Caption = "M";
        pos.Visible = true;
        neg.Visible = false;
        break;
    case 3:
        pos.Caption = "k";
        pos.Visible = true;
        neg.Visible = false;
        break;
    case -3:
        pos.Visible = false;
        neg.Caption = "m";
        neg.Visible = true;
        break;
    case -6:
        pos.Visible = false;
        neg.Caption = "u";
        neg.Visible = true;
        break;
    default:  // no prefix
        pos.Visible = false;
        neg.Visible = false;
        break;
    }
    ShowValueCursor();
}

int16_t SoftPanel::IncIntDigit(int16_t& v) {
    intEditor.IncIntDigit(v);
    entryUnconfirmed = kTrue;
    return v;
}

int16_t SoftPanel::DecIntDigit(int16_t& v) {
    intEditor.DecIntDigit(v);
    entryUnconfirmed = kTrue;
    return v;
}

void SoftPanel::IncValueDigit() {
    entryUnconfirmed = kTrue;
    valueEditor.IncDigit();
    ShowEditedValue();
}

void SoftPanel::DecValueDigit() {
    entryUnconfirmed = kTrue;
    valueEditor.DecDigit();
    ShowEditedValue();
}

void SoftPanel::ToggleValueSign() {
    // A zero keeps its sign and its display, but counts as a change.
    if (valueEditor.ToggleSign()) ShowEditedValue();
    entryUnconfirmed = kTrue;
}

void SoftPanel::ValueCursorLeft() {
    valueEditor.CursorLeft(displayCode != display::kMathScaleEditor);
    ShowEditedValue();
}

void SoftPanel::ValueCursorRight() {
    valueEditor.CursorRight(displayCode != display::kMathScaleEditor);
    ShowEditedValue();
}

void SoftPanel::cmdSign_Click() {
    if (displayCode == display::kTrigLevelEditor) {
        // Negation needs no clamp: the level range is symmetric.
        intEditor.editInt = static_cast<int16_t>(-static_cast<int32_t>(intEditor.editInt));
        entryUnconfirmed = kTrue;
        ShowLevelText();
    } else if (display::IsValueSetting(displayCode)) {
        ToggleValueSign();
    } else if (displayCode == display::kMenuMessage) {
        DismissMessage();
    }
    SendCommand(KeyPressCommand(KeyNumberOf("cmdSign")));
}

void SoftPanel::ShowEditCursor() {
    view.txtDisplay.SelStart = intEditor.CursorPosition();
    view.txtDisplay.SelLength = 1;
}

void SoftPanel::ShowLevelText() {
    view.txtDisplay.SetText(std::string(menus::kLevelLabel) + FormatLevel(intEditor.editInt) + std::string(menus::kLevelUnit));
    ShowEditCursor();
}

void SoftPanel::ShowCountText() {
    view.txtDisplay.SetText(std::string(menus::kCountLabel) +
                            FormatCount(intEditor.editInt, intEditor.editCursor, intEditor.editIntDigits) +
                            std::string(menus::kCountTail));
    ShowEditCursor();
}

}  // namespace kt
