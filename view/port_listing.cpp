#include "view/port_listing.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>

namespace kt::view {

namespace {

std::vector<PortLink> ByIdLinks() {
    std::vector<PortLink> links;
#ifndef Q_OS_WIN
    const QDir folder(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& link : folder.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (link.isSymLink()) links.push_back({link.absoluteFilePath().toStdString(), link.symLinkTarget().toStdString()});
    }
#endif
    return links;
}

}  // namespace

std::vector<PortEntry> SystemSerialPorts() {
    const std::vector<PortLink> links = ByIdLinks();
    std::vector<PortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortEntry entry;
        // Windows opens a port by its short name (COM3); elsewhere by its path.
        entry.device = (kThisPlatform == Platform::Windows ? info.portName() : info.systemLocation()).toStdString();
        entry.byId = ByIdLinkFor(info.systemLocation().toStdString(), links);
        entry.description = info.description().toStdString();
        entry.manufacturer = info.manufacturer().toStdString();
        entry.serialNumber = info.serialNumber().toStdString();
        if (info.hasVendorIdentifier()) entry.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier()) entry.productId = info.productIdentifier();
        ports.push_back(std::move(entry));
    }
    return ports;
}

}  // namespace kt::view
