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

class QTimer;

namespace kt {

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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Build();
    QWidget* Container(std::string_view name) const;
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
    bool loadScheduled_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
};

}  // namespace kt

using kt::frmSoftPanel;
