// The device chooser of the port menu's last item: lists the serial ports
// present now and binds the chosen one to a port number. Non-modal.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "ports/port_map.h"

class QLabel;
class QListWidget;

namespace kt::view {

class PortChooser : public QDialog {
    Q_OBJECT
public:
    explicit PortChooser(QWidget* parent = nullptr);

    // Fills the list for port number port: first the mapping rule's own
    // device, then every present port; the current choice is selected.
    void Offer(const PortChoice& current, const std::string& ruleDevice, const std::vector<PortEntry>& present);

    int port() const { return port_; }

signals:
    // The user bound device to port; nothing means the mapping rule again.
    void chosen(int port, std::optional<std::string> device);

private:
    void Accept();

    QLabel* heading_ = nullptr;
    QListWidget* list_ = nullptr;
    int port_ = 1;
};

}  // namespace kt::view
