// The port menu's tool tips and its device chooser, on a fake list of ports
// and settings in a scratch file.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "test_window_support.h"
#include "view/port_chooser.h"
#include "view/port_menu.h"

namespace kt::test {
namespace {

struct PortMenuRig : PanelRig {
    QTemporaryDir folder;
    QSettings settings{folder.filePath(QStringLiteral("panel.ini")), QSettings::IniFormat};
    PortMap ports{Platform::Linux};
    std::vector<PortEntry> present;

    std::unique_ptr<view::PortMenu> MakeMenu() {
        return std::make_unique<view::PortMenu>(window, serial, ports, [this] { return present; }, settings,
                                                [](const std::string& path) { return path == "/dev/pts/9"; });
    }
    QMenu* Menu() { return Find<QMenu>("mnuPort"); }
    QString Tip(int n) { return Find<QAction>(QStringLiteral("mnuPortComm%1").arg(n).toLatin1().constData())->toolTip(); }
    void OpenMenu() { emit Menu()->aboutToShow(); }
};

const PortEntry kAdapter{"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0", "FT232R USB UART", "FTDI",
                         "A1", 0x0403, 0x6001};
const PortEntry kCounter{"/dev/ttyACM0", "/dev/serial/by-id/usb-KT_KT46290_42-if00", "KT46290", "KT", "42", 0x1234, 0x0001};

TEST(PortMenu, FiveItemsAsBeforeThenTheChooserItemAndToolTipsFollowThePlug) {
    PortMenuRig rig;
    const auto menu = rig.MakeMenu();
    const QList<QAction*> items = rig.Menu()->actions();
    ASSERT_EQ(items.size(), 6);
    for (int n = 0; n < 5; ++n) {
        EXPECT_EQ(items[n]->text(), QStringLiteral("串口%1").arg(n + 1));
        EXPECT_EQ(items[n]->isChecked(), n == 0);
    }
    EXPECT_EQ(items[5]->text(), QStringLiteral("其他设备 (Other device)…"));
    EXPECT_FALSE(items[5]->isCheckable());
    rig.OpenMenu();
    EXPECT_EQ(rig.Tip(1), QStringLiteral("Opens /dev/ttyS0, not present now."));

    // The adapter is plugged in while the program runs: the next opening of the menu tells.
    rig.present = {kCounter, kAdapter};
    rig.OpenMenu();
    EXPECT_EQ(rig.Tip(1), QStringLiteral("Opens /dev/ttyUSB0, present now: FT232R USB UART."));
    EXPECT_EQ(rig.Tip(2), QStringLiteral("Opens /dev/ttyACM0, present now: KT46290."));
    EXPECT_EQ(rig.Tip(3), QStringLiteral("Opens /dev/ttyS2, not present now."));
    EXPECT_TRUE(items[5]->toolTip().startsWith(QStringLiteral("Choose the device of 串口1 (port 1). Opens /dev/ttyUSB0")))
        << items[5]->toolTip().toStdString();
}

TEST(PortMenu, ChooserBindsAPresentPortToTheCurrentNumberAndRemembersIt) {
    PortMenuRig rig;
    rig.present = {kAdapter, kCounter};
    rig.Connect();
    const auto menu = rig.MakeMenu();
    rig.Find<QAction>("mnuPortComm3")->trigger();  // port 3 is the current number
    const size_t writes = rig.serial.written.size();

    menu->otherDeviceItem()->trigger();
    view::PortChooser* chooser = menu->chooser();
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_FALSE(chooser->isModal());
    auto* list = chooser->findChild<QListWidget*>(QStringLiteral("portChooserList"));
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->currentRow(), 0);  // the rule's own device, as nothing is chosen
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("自动 (Automatic): /dev/ttyS2"));
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("/dev/ttyACM0 — KT46290, KT, S/N 42"));

    list->setCurrentRow(2);
    chooser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(chooser->isVisible());
    // Remembered by the link that survives another USB socket.
    EXPECT_EQ(rig.settings.value(QStringLiteral("ports/3")).toString(), QString::fromStdString(kCounter.byId));
    EXPECT_EQ(rig.ports.Resolve(3, rig.present).entry->device, "/dev/ttyACM0");
    EXPECT_EQ(rig.Tip(3), QStringLiteral("Opens /dev/serial/by-id/usb-KT_KT46290_42-if00 (chosen with 其他设备…), present now: KT46290."));
    // Nothing else changed: still port 3, no command sent.
    EXPECT_TRUE(rig.Find<QAction>("mnuPortComm3")->isChecked());
    EXPECT_EQ(rig.serial.written.size(), writes);

    // The next start remembers it, unless the command line names port 3.
    PortMenuRig next;
    next.settings.setValue(QStringLiteral("ports/3"), QString::fromStdString(kCounter.byId));
    next.ports.Name(1, "/dev/pts/9", PortSource::CommandLine);
    next.settings.setValue(QStringLiteral("ports/1"), QStringLiteral("/dev/ttyUSB0"));
    const auto nextMenu = next.MakeMenu();
    EXPECT_EQ(next.ports.Resolve(3, {}).device, kCounter.byId);
    next.OpenMenu();
    EXPECT_EQ(next.Tip(1), QStringLiteral("Opens /dev/pts/9 (named with --port), present now."));

    // Automatic forgets the choice.
    menu->otherDeviceItem()->trigger();
    EXPECT_EQ(list->currentRow(), 2);
    list->setCurrentRow(0);
    chooser->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(rig.settings.contains(QStringLiteral("ports/3")));
    EXPECT_EQ(rig.Tip(3), QStringLiteral("Opens /dev/ttyS2, not present now."));
}

TEST(PortMenu, ChosenDeviceThatIsGoneStaysOfferedAndAnEmptyListSaysSo) {
    PortMenuRig rig;
    rig.settings.setValue(QStringLiteral("ports/1"), QString::fromStdString(kAdapter.byId));
    const auto menu = rig.MakeMenu();
    menu->otherDeviceItem()->trigger();
    auto* list = menu->chooser()->findChild<QListWidget*>(QStringLiteral("portChooserList"));
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("No serial ports found."));
    EXPECT_EQ(list->currentItem()->text(), QString::fromStdString(kAdapter.byId) + QStringLiteral(" — not present now"));
    menu->chooser()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_EQ(rig.settings.value(QStringLiteral("ports/1")).toString(), QString::fromStdString(kAdapter.byId));
}

}  // namespace
}  // namespace kt::test
