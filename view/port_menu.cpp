#include "view/port_menu.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QSettings>

#include "core/serial_control.h"
#include "view/port_chooser.h"

namespace kt::view {

namespace {

QString Key(int port) { return QStringLiteral("ports/%1").arg(port); }

}  // namespace

PortMenu::PortMenu(QMainWindow& window, SerialControl& serial, PortMap& ports, Lister lister, QSettings& settings,
                   Exists exists)
    : QObject(&window),
      window_(window),
      serial_(serial),
      ports_(ports),
      lister_(std::move(lister)),
      settings_(settings),
      exists_(std::move(exists)) {
    for (int n = 1; n <= kPortCount; ++n) {
        const QString remembered = settings_.value(Key(n)).toString();
        if (!remembered.isEmpty() && ports_.Resolve(n, {}).source == PortSource::Default)
            ports_.Name(n, remembered.toStdString(), PortSource::Chosen);
    }
    menu_ = window_.findChild<QMenu*>(QStringLiteral("mnuPort"));
    if (menu_ == nullptr) return;
    other_ = menu_->addAction(QStringLiteral("其他设备 (Other device)…"));
    other_->setObjectName(QStringLiteral("mnuPortOther"));
    connect(other_, &QAction::triggered, this, &PortMenu::OpenChooser);
    // The tool tips are seen only in the open menu: they are made as it
    // opens, so that the start does not wait for a scan of the system's ports.
    connect(menu_, &QMenu::aboutToShow, this, &PortMenu::RefreshToolTips);
}

void PortMenu::RefreshToolTips() {
    if (menu_ == nullptr) return;
    const std::vector<PortEntry> present = lister_ ? lister_() : std::vector<PortEntry>{};
    for (int n = 1; n <= kPortCount; ++n) {
        if (auto* item = window_.findChild<QAction*>(QStringLiteral("mnuPortComm%1").arg(n)))
            item->setToolTip(QString::fromStdString(PortToolTip(ports_.Resolve(n, present, exists_))));
    }
    const int current = serial_.CommPort();
    other_->setToolTip(QStringLiteral("Choose the device of 串口%1 (port %1). %2")
                           .arg(current)
                           .arg(QString::fromStdString(PortToolTip(ports_.Resolve(current, present, exists_)))));
}

void PortMenu::OpenChooser() {
    if (chooser_ == nullptr) {
        chooser_ = new PortChooser(&window_);
        connect(chooser_, &PortChooser::chosen, this, &PortMenu::Choose);
    }
    const std::vector<PortEntry> present = lister_ ? lister_() : std::vector<PortEntry>{};
    const int port = serial_.CommPort();
    chooser_->Offer(ports_.Resolve(port, present, exists_), DefaultDeviceForPort(port, ports_.platform(), present),
                    present);
    chooser_->show();
    chooser_->raise();
    chooser_->activateWindow();
}

void PortMenu::Choose(int port, const std::optional<std::string>& device) {
    if (device) {
        ports_.Name(port, *device, PortSource::Chosen);
        settings_.setValue(Key(port), QString::fromStdString(*device));
    } else {
        ports_.Forget(port);
        settings_.remove(Key(port));
    }
    settings_.sync();
    RefreshToolTips();
}

}  // namespace kt::view
