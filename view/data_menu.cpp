#include "view/data_menu.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMenu>
#include <QPointer>
#include <QTimer>

#include "view/frm_soft_panel.h"
#include "view/readings_record.h"
#include "view/readings_window.h"

namespace kt::view {

namespace {

constexpr int kMessageRetryMs = 50;

// Writes a message on the panel's message line. Before the window has loaded,
// connecting would clear it again: it waits for the load.
void ShowMessage(QPointer<frmSoftPanel> window, const std::string& text) {
    if (window == nullptr) return;
    if (!window->formLoaded()) {
        QTimer::singleShot(kMessageRetryMs, window, [window, text] { ShowMessage(window, text); });
        return;
    }
    window->panel().view.lblMessage.Caption = text;
    window->panel().view.lblMessage.Visible = true;
    window->SyncFromModel();
}

// Closing the panel window ends the recording: every row reaches the file.
class CloseWatcher : public QObject {
public:
    CloseWatcher(QObject* parent, ReadingsRecord& record) : QObject(parent), record_(record) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) record_.StopRecording();
        return QObject::eventFilter(watched, event);
    }

private:
    ReadingsRecord& record_;
};

}  // namespace

ReadingsWindow* ShowReadingsWindow(frmSoftPanel& window, ReadingsRecord& record) {
    auto* readings = window.findChild<ReadingsWindow*>(QStringLiteral("frmReadings"));
    if (readings == nullptr) readings = new ReadingsWindow(record, &window);
    readings->show();
    readings->raise();
    readings->activateWindow();
    return readings;
}

void AttachReadings(frmSoftPanel& window, ReadingsRecord& record) {
    QPointer<frmSoftPanel> guarded(&window);
    record.onFailure = [guarded](const std::string& reason) { ShowMessage(guarded, reason); };
    window.installEventFilter(new CloseWatcher(&window, record));

    QMenu* menu = window.DataMenu();
    if (!menu->isEmpty()) menu->addSeparator();
    QAction* readings = menu->addAction(QStringLiteral("读数窗口 (Readings)…"));
    readings->setObjectName(QStringLiteral("mnuReadings"));
    readings->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    QAction* start = menu->addAction(QStringLiteral("记录到文件 (Record to CSV)…"));
    start->setObjectName(QStringLiteral("mnuRecord"));
    QAction* stop = menu->addAction(QStringLiteral("停止记录 (Stop recording)"));
    stop->setObjectName(QStringLiteral("mnuStopRecording"));
    stop->setEnabled(record.recording());

    QObject::connect(readings, &QAction::triggered, &window, [&window, &record] { ShowReadingsWindow(window, record); });
    QObject::connect(stop, &QAction::triggered, &record, [&record] { record.StopRecording(); });
    QObject::connect(&record, &ReadingsRecord::recordingChanged, stop,
                     [stop, &record] { stop->setEnabled(record.recording()); });

    auto* dialog = new QFileDialog(&window, QStringLiteral("记录到文件 (Record to CSV)"));
    dialog->setObjectName(QStringLiteral("dlgRecord"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    // The recording appends to an existing file: nothing to confirm.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setNameFilter(QStringLiteral("CSV (*.csv)"));
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    QObject::connect(dialog, &QFileDialog::fileSelected, &record,
                     [&record](const QString& path) { record.StartRecording(path.toStdString()); });
    QObject::connect(start, &QAction::triggered, dialog, [dialog] { dialog->open(); });
}

}  // namespace kt::view
