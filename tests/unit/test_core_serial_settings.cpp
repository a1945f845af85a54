// The five serial-settings menus: check marks, the port's settings for the
// next connect, and the disconnect that every real change causes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/connected_panel.h"

namespace kt::test {
namespace {

using ItemRef = MenuItem PanelView::*;

struct MenuItems {
    SerialMenu menu;
    std::vector<ItemRef> items;
};
const std::vector<MenuItems> kMenus = {
    {SerialMenu::Port,
     {&PanelView::mnuPortComm1, &PanelView::mnuPortComm2, &PanelView::mnuPortComm3, &PanelView::mnuPortComm4,
      &PanelView::mnuPortComm5}},
    {SerialMenu::Baud,
     {&PanelView::mnuBaud2400, &PanelView::mnuBaud4800, &PanelView::mnuBaud9600, &PanelView::mnuBaud19200,
      &PanelView::mnuBaud38400}},
    {SerialMenu::Parity, {&PanelView::mnuParityOff, &PanelView::mnuParityEven, &PanelView::mnuParityOdd}},
    {SerialMenu::Swpace, {&PanelView::mnuSwpaceNone, &PanelView::mnuSwpaceXon}},
    {SerialMenu::DTR, {&PanelView::mnuDTRHigh, &PanelView::mnuDTRLimit, &PanelView::mnuDTRHwpace}},
};

using SerialSettingsTest = PanelTest;

TEST_F(SerialSettingsTest, EachChoiceMovesTheCheckMarkAndStoresItsValue) {
    Load();
    for (const auto& m : kMenus) {
        for (std::size_t i = 0; i < m.items.size(); ++i) {
            panel.SerialMenu_Click(m.menu, static_cast<int16_t>(i));
            for (std::size_t j = 0; j < m.items.size(); ++j)
                EXPECT_EQ((panel.view.*m.items[j]).Checked, i == j) << static_cast<int>(m.menu) << " " << i;
        }
    }
    EXPECT_EQ(panel.serialPortIndex, 4);
    EXPECT_EQ(panel.serialBaudIndex, 4);
    EXPECT_EQ(panel.serialParityIndex, 2);
    EXPECT_EQ(panel.serialXonPacing, 1);
    EXPECT_EQ(panel.serialDtrMode, 2);
}

TEST_F(SerialSettingsTest, ChoicesSetThePortForTheNextConnect) {
    struct Case {
        std::vector<std::pair<SerialMenu, int16_t>> clicks;
        int16_t port;
        std::string settings;
        int32_t handshaking;
        bool dtr;
    };
    const std::vector<Case> cases = {
        {{{SerialMenu::Baud, 1}, {SerialMenu::Parity, 1}}, 1, "4800,e,7,1", 0, false},
        {{{SerialMenu::Baud, 0}, {SerialMenu::Parity, 2}}, 1, "2400,o,7,1", 0, false},
        {{{SerialMenu::Baud, 3}}, 1, "19200,n,8,1", 0, false},
        {{{SerialMenu::Port, 2}, {SerialMenu::Baud, 4}}, 3, "38400,n,8,1", 0, false},
        {{{SerialMenu::Swpace, 1}}, 1, "9600,n,8,1", 1, false},
        {{{SerialMenu::Swpace, 1}, {SerialMenu::Swpace, 0}}, 1, "9600,n,8,1", 0, false},
        {{{SerialMenu::DTR, 2}}, 1, "9600,n,8,1", 0, true},
        {{{SerialMenu::DTR, 2}, {SerialMenu::DTR, 1}}, 1, "9600,n,8,1", 0, false},
        {{{SerialMenu::DTR, 2}, {SerialMenu::DTR, 0}}, 1, "9600,n,8,1", 0, false},
        {{{SerialMenu::Port, 4}}, 5, "9600,n,8,1", 0, false},
    };
    for (const auto& c : cases) {
        ConnectedPanel t;
        SoftPanel& p = t.panel;
        const FakeSerial& line = t.serial;
        p.Form_Load();
        for (const auto& [menu, item] : c.clicks) p.SerialMenu_Click(menu, item);
        EXPECT_EQ(line.CommPort(), c.port);
        EXPECT_EQ(line.Settings(), c.settings);
        EXPECT_EQ(line.Handshaking(), c.handshaking);
        EXPECT_EQ(line.DTREnable(), c.dtr);
        EXPECT_FALSE(line.PortOpen());
        p.cmdPower_Click();
        EXPECT_TRUE(line.PortOpen());
        EXPECT_EQ(line.CommPort(), c.port);
    }
}

TEST_F(SerialSettingsTest, AChangeDisconnectsSilentlyAndClearsTheDisplay) {
    Connect();
    panel.moveLightBlinking = kTrue;
    panel.view.shpMoveLight.BackColor = kLampLit;
    panel.view.txtDisplay.SetText("10.0 ");
    serial.written.clear();

    panel.SerialMenu_Click(SerialMenu::Baud, 4);
    EXPECT_TRUE(serial.written.empty());
    EXPECT_FALSE(serial.PortOpen());
    EXPECT_EQ(panel.view.cmdPower.Caption, "连接");
    EXPECT_FALSE(panel.view.cmdFrequency.Enabled);
    EXPECT_FALSE(panel.view.lblRemote.Visible);
    EXPECT_EQ(panel.view.txtDisplay.Text(), "0 ");
    EXPECT_EQ(panel.moveLightBlinking, kFalse);
    EXPECT_EQ(panel.view.shpMoveLight.BackColor, kLampOff);
}

TEST_F(SerialSettingsTest, TheCheckedItemChangesNothing) {
    Connect();
    const int closes = serial.closes;
    for (const auto& m : kMenus) {
        for (std::size_t i = 0; i < m.items.size(); ++i) {
            if (!(panel.view.*m.items[i]).Checked) continue;
            panel.SerialMenu_Click(m.menu, static_cast<int16_t>(i));
        }
    }
    EXPECT_TRUE(Connected());
    EXPECT_EQ(serial.closes, closes);
    EXPECT_EQ(serial.Settings(), "9600,n,8,1");
}

TEST_F(SerialSettingsTest, AnItemOutsideItsMenuIsIgnored) {
    Connect();
    panel.SerialMenu_Click(SerialMenu::Parity, 3);
    panel.SerialMenu_Click(SerialMenu::Swpace, -1);
    EXPECT_TRUE(Connected());
    EXPECT_EQ(panel.serialParityIndex, 0);
    EXPECT_EQ(panel.serialXonPacing, 0);
}

TEST_F(SerialSettingsTest, SettingsOutsideTheirTablesLeaveThePortAsItWas) {
    Load();
    panel.serialPortIndex = 7;
    panel.serialBaudIndex = -1;
    panel.serialParityIndex = 1;
    panel.serialDtrMode = 2;
    panel.ApplySerialSettings();
    panel.serialDtrMode = 9;
    panel.ApplySerialSettings();
    EXPECT_EQ(serial.CommPort(), 1);
    EXPECT_EQ(serial.Settings(), "e,7,1");
    EXPECT_TRUE(serial.DTREnable());
}

}  // namespace
}  // namespace kt::test
