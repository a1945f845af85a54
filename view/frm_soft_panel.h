// The front-panel window. It draws every element of the panel at its place,
// turns clicks, menu choices, timer ticks and serial events into the panel's
// event procedures, and after each event shows what changed in the element
// model.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include <QMainWindow>

#include "core/panel_view.h"
#include "core/soft_panel.h"

class QLabel;
class QMenu;
class QTimer;

namespace kt {
namespace view {
class DisplayWidget;
class HelpCard;
struct Element;
enum class FontRole;
}  // namespace view

class frmSoftPanel : public QMainWindow {
    Q_OBJECT
public:
    explicit frmSoftPanel(SoftPanel& panel, QWidget* parent = nullptr);
    ~frmSoftPanel() override;

    SoftPanel& panel() { return panel_; }

    // Runs Form_Load, once. Showing the window schedules it on the event loop.
    void RunFormLoad();
    bool formLoaded() const { return loaded_; }

    // Shows on the widgets whatever changed in the element model since the
    // last call, and starts or stops the timers as the model says.
    void SyncFromModel();

    // The "数据 (Data)" menu at the right end of the menu bar, made on the
    // first call.
    QMenu* DataMenu();

    // Zoom of the whole window in per cent, one of view::kZoomSteps; 100 is
    // the panel's design size. On top of the screen's own device-pixel ratio.
    int zoomPercent() const { return zoomPercent_; }
    void SetZoom(int percent);
    void ZoomIn();
    void ZoomOut();

    // The keyboard help card (F1), non-modal.
    void ToggleHelpCard();
    view::HelpCard* helpCard() const { return helpCard_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    // Keyboard shortcuts, Tab order, tool tips and accessible names.
    void BuildKeyboardAndHelp();
    void BuildZoomMenu();
    QWidget* Container(std::string_view name) const;
    QWidget* Widget(std::string_view name) const;
    // Places every element and sets every font for the zoom.
    void LayOut();
    // A label at its place, grown to fit its text.
    void PlaceLabel(QLabel* label, const view::Element& e);
    QFont ZoomedFont(view::FontRole role) const;
    // The lamp's lit or off state in its own and its key's description.
    void DescribeLamp(std::string_view lamp, bool lit);
    // What the display shows, in words, for its tool tip and screen readers.
    void SpeakDisplay();
    void Apply(bool force);
    void DriveTimers();
    // Runs one event procedure and shows its effect.
    template <typename F>
    void Event(F&& procedure);

    SoftPanel& panel_;
    PanelView shown_;                  // the model as last shown
    std::vector<QObject*> objects_;    // one per element of the element table
    QTimer* timPowerOn_ = nullptr;
    uint32_t timPowerOnStarts_ = 0;
    uint32_t timSystemClkStarts_ = 0;
    QTimer* timSystemClk_ = nullptr;
    view::DisplayWidget* display_ = nullptr;
    QMenu* mnuData_ = nullptr;
    view::HelpCard* helpCard_ = nullptr;
    std::unique_ptr<QLabel> measure_;  // measures label texts at the design size
    int zoomPercent_ = 100;
    bool loadScheduled_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
};

}  // namespace kt

using kt::frmSoftPanel;
