#include "core/soft_panel.h"
#include "readings/reading_parser.h"

namespace kt {

// Shows the completed text in txtString as a reading. Every call sets the
// display text and the visibility of all four prefix and unit annunciators, so
// no label of an earlier reading stays lit.
void SoftPanel::ShowReading() {
    const ReadingParts parts = ParseReading(view.txtString.Text());

    switch (parts.prefix) {
    case 'M':
    case 'k':
        view.lblPosExp.Caption = std::string(1, parts.prefix);
        view.lblPosExp.Visible = true;
        view.lblNegExp.Visible = false;
        break;
    case 'm':
    case 'u':
        view.lblNegExp.Caption = std::string(1, parts.prefix);
        view.lblPosExp.Visible = false;
        view.lblNegExp.Visible = true;
        break;
    default:
        view.lblPosExp.Visible = false;
        view.lblNegExp.Visible = false;
        break;
    }

    view.lblFreqUnit.Visible = parts.hertz;
    view.lblTimeUnit.Visible = false;

    view.txtDisplay.SetText(parts.display);
}

}  // namespace kt
