#include "view/port_chooser.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace kt::view {

namespace {

constexpr int kDeviceRole = Qt::UserRole;  // the name to remember; empty: the mapping rule

QString Text(const std::string& s) { return QString::fromStdString(s); }

// The name a chosen port is remembered by: its by-id link survives being
// plugged into another socket, its device path may not.
std::string RememberedName(const PortEntry& entry) { return entry.byId.empty() ? entry.device : entry.byId; }

QString Describe(const PortEntry& entry) {
    QString text = Text(entry.device);
    QStringList about;
    if (!entry.description.empty()) about << Text(entry.description);
    if (!entry.manufacturer.empty()) about << Text(entry.manufacturer);
    if (!entry.serialNumber.empty()) about << QStringLiteral("S/N ") + Text(entry.serialNumber);
    if (!about.isEmpty()) text += QStringLiteral(" — ") + about.join(QStringLiteral(", "));
    return text;
}

}  // namespace

PortChooser::PortChooser(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("portChooser"));
    setModal(false);
    setWindowTitle(QStringLiteral("其他设备 (Other device)"));
    heading_ = new QLabel(this);
    heading_->setObjectName(QStringLiteral("portChooserHeading"));
    heading_->setWordWrap(true);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("portChooserList"));
    list_->setMinimumWidth(520);
    auto* note = new QLabel(QStringLiteral("The choice is remembered and takes effect at the next connect (连接)."), this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->setObjectName(QStringLiteral("portChooserButtons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &PortChooser::Accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &PortChooser::Accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(list_);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

void PortChooser::Offer(const PortChoice& current, const std::string& ruleDevice, const std::vector<PortEntry>& present) {
    port_ = current.port;
    heading_->setText(QStringLiteral("串口%1 (port %1) opens:").arg(port_));
    list_->clear();

    auto* rule = new QListWidgetItem(QStringLiteral("自动 (Automatic): %1").arg(Text(ruleDevice)), list_);
    rule->setData(kDeviceRole, QString());
    rule->setToolTip(Text(MappingRuleText(kThisPlatform)));
    QListWidgetItem* selected = current.source == PortSource::Default ? rule : nullptr;

    for (const PortEntry& entry : present) {
        auto* item = new QListWidgetItem(Describe(entry), list_);
        item->setData(kDeviceRole, Text(RememberedName(entry)));
        if (!entry.byId.empty()) item->setToolTip(Text(entry.byId));
        if (selected == nullptr && current.entry && current.entry->device == entry.device) selected = item;
    }
    if (present.empty()) {
        auto* none = new QListWidgetItem(QStringLiteral("No serial ports found."), list_);
        none->setFlags(Qt::NoItemFlags);
    }
    // A named device that is not listed now is offered too, so that OK keeps it.
    if (selected == nullptr) {
        selected = new QListWidgetItem(QStringLiteral("%1 — not present now").arg(Text(current.device)), list_);
        selected->setData(kDeviceRole, Text(current.device));
    }
    list_->setCurrentItem(selected);
}

void PortChooser::Accept() {
    const QListWidgetItem* item = list_->currentItem();
    if (item == nullptr || !(item->flags() & Qt::ItemIsEnabled)) return;
    const QString device = item->data(kDeviceRole).toString();
    emit chosen(port_, device.isEmpty() ? std::nullopt : std::optional<std::string>(device.toStdString()));
    accept();
}

}  // namespace kt::view
