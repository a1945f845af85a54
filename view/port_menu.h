// The port menu's additions: tool tips that tell which device each port
// number opens and whether it is there (refreshed whenever the menu opens),
// and a last item, 其他设备 (Other device)…, that opens the device chooser.
// Choices are remembered in the settings given.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QObject>

#include "ports/port_map.h"

class QAction;
class QMainWindow;
class QMenu;
class QSettings;

namespace kt {
class SerialControl;
}

namespace kt::view {

class PortChooser;

class PortMenu : public QObject {
    Q_OBJECT
public:
    using Lister = std::function<std::vector<PortEntry>()>;
    using Exists = std::function<bool(const std::string&)>;

    // Ports that nothing names yet take their remembered device from settings.
    PortMenu(QMainWindow& window, SerialControl& serial, PortMap& ports, Lister lister, QSettings& settings,
             Exists exists = {});

    // Writes the port items' tool tips from the ports present now.
    void RefreshToolTips();
    // Opens the chooser for the current port number (the menu item's action).
    void OpenChooser();
    // Binds device to port (nothing: the mapping rule again) and remembers it.
    void Choose(int port, const std::optional<std::string>& device);

    QAction* otherDeviceItem() const { return other_; }
    PortChooser* chooser() const { return chooser_; }

private:
    QMainWindow& window_;
    SerialControl& serial_;
    PortMap& ports_;
    Lister lister_;
    QSettings& settings_;
    Exists exists_;
    QMenu* menu_ = nullptr;
    QAction* other_ = nullptr;
    PortChooser* chooser_ = nullptr;
};

}  // namespace kt::view
