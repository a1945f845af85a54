#include "view/element_table.h"

#include <array>

namespace kt::view {
namespace {

using PV = PanelView;
using SP = SoftPanel;

// Any element, with every field named.
constexpr Element E(std::string_view name, Kind kind, std::string_view container, std::string_view caption,
                    TwipsRect rect, FontRole font = FontRole::Default, ModelRef model = {},
                    ClickHandler click = nullptr, SerialMenu menu = SerialMenu::Port, int16_t item = 0) {
    Element e;
    e.name = name;
    e.kind = kind;
    e.container = container;
    e.caption = caption;
    e.rect = rect;
    e.font = font;
    e.model = model;
    e.click = click;
    e.menu = menu;
    e.item = item;
    return e;
}

constexpr Element Win() {
    return E("frmSoftPanel", Kind::Window, "", "KT46290软面板（RS232C串行接口）",
            {0, 0, kPanelWidthTwips, kPanelHeightTwips}, FontRole::Default, &PV::frmSoftPanel);
}

constexpr Element Frame(std::string_view name, std::string_view caption, TwipsRect r) {
    return E(name, Kind::Frame, "", caption, r);
}

constexpr std::string_view kDisp = "picDisplay";

// A label the logic writes (display annunciators, title, message line); on
// the display it takes the display's colours unless told otherwise.
constexpr Element Lbl(std::string_view name, std::string_view container, std::string_view caption,
                      TwipsRect r, FontRole font, Label PV::*model, Look look = Look::Display) {
    Element e = E(name, Kind::Label, container, caption, r, font, model);
    e.look = container == kDisp ? look : Look::Window;
    return e;
}

// A fixed legend beside or under a key: the logic never touches it.
constexpr Element Legend(std::string_view name, std::string_view container, std::string_view caption,
                         TwipsRect r) {
    return E(name, Kind::Label, container, caption, r, FontRole::Small);
}

constexpr Element Key(std::string_view name, std::string_view container, std::string_view caption,
                      TwipsRect r, CommandButton PV::*model, ClickHandler click,
                      FontRole font = FontRole::Default) {
    return E(name, Kind::Key, container, caption, r, font, model, click);
}

constexpr Element Shp(std::string_view name, std::string_view container, int left, int top, Lamp PV::*model) {
    return E(name, Kind::Lamp, container, "", {left, top, kLampTwips, kLampTwips}, FontRole::Default, model);
}

constexpr Element Img(std::string_view name, std::string_view container, TwipsRect r, Image PV::*model) {
    return E(name, Kind::Image, container, "", r, FontRole::Default, model);
}

constexpr Element Hidden(std::string_view name, TextBox PV::*model) {
    return E(name, Kind::HiddenText, "", "", {}, FontRole::Default, model);
}

constexpr Element Tim(std::string_view name, Timer PV::*model, ClickHandler tick, bool oneShot) {
    Element e = E(name, Kind::Timer, "", "", {}, FontRole::Default, model, tick);
    e.oneShot = oneShot;
    return e;
}

constexpr Element Menu(std::string_view name, std::string_view caption) {
    return E(name, Kind::Menu, "", caption, {});
}

constexpr Element Item(std::string_view name, std::string_view menuName, std::string_view caption,
                       MenuItem PV::*model, SerialMenu menu, int16_t item) {
    return E(name, Kind::MenuItem, menuName, caption, {}, FontRole::Default, model, nullptr, menu, item);
}

// A lamp sits left of its key, centred on it.
constexpr int LampLeftOf(int keyLeft) { return keyLeft - 225; }
constexpr int LampBesideBigKey(int keyTop) { return keyTop + 180; }
constexpr int LampBesideSmallKey(int keyTop) { return keyTop + 60; }

constexpr FontRole kAnn = FontRole::Annunciator;

constexpr auto kElements = std::to_array<Element>({
    Win(),

    // Display area and everything on it
    E("picDisplay", Kind::DisplayArea, "", "", {120, 0, 8775, 2055}),
    E("txtDisplay", Kind::Display, kDisp, "0 ", {960, 600, 6855, 855}, FontRole::Display, &PV::txtDisplay),
    Lbl("lblTitle", kDisp, "KT46290型高精度频率计（Frequency Counter）", {600, 120, 7695, 255}, FontRole::Title,
        &PV::lblTitle, Look::DisplayTitle),
    Img("imgKT", kDisp, {120, 120, 375, 255}, &PV::imgKT),
    Lbl("lblPosExp", kDisp, "M", {7920, 720, 165, 270}, kAnn, &PV::lblPosExp),
    Lbl("lblNegExp", kDisp, "u", {7980, 960, 105, 270}, kAnn, &PV::lblNegExp),
    Lbl("lblFreqUnit", kDisp, "Hz", {8115, 720, 255, 255}, kAnn, &PV::lblFreqUnit),
    Lbl("lblTimeUnit", kDisp, "s", {8115, 960, 135, 255}, kAnn, &PV::lblTimeUnit),
    Lbl("lblAvg", kDisp, "Avg", {480, 1200, 375, 375}, kAnn, &PV::lblAvg),
    Lbl("lblGate", kDisp, "Gate", {7920, 1200, 615, 255}, kAnn, &PV::lblGate),
    Lbl("lblRemote", kDisp, "Rmt", {480, 1560, 375, 255}, kAnn, &PV::lblRemote),
    Lbl("lblPeriod", kDisp, "Period", {1080, 1560, 615, 255}, kAnn, &PV::lblPeriod),
    Lbl("lblFreq", kDisp, "Freq", {1800, 1560, 375, 255}, kAnn, &PV::lblFreq),
    Lbl("lblPwid", kDisp, "+Wid", {2400, 1560, 495, 255}, kAnn, &PV::lblPwid),
    Lbl("lblNwid", kDisp, "-Wid", {3000, 1560, 495, 255}, kAnn, &PV::lblNwid),
    Lbl("lblRise", kDisp, "Rise", {3600, 1560, 375, 255}, kAnn, &PV::lblRise),
    Lbl("lblFall", kDisp, "Fall", {4200, 1560, 375, 255}, kAnn, &PV::lblFall),
    Lbl("lblTime", kDisp, "Time", {4800, 1560, 495, 255}, kAnn, &PV::lblTime),
    Lbl("lblCh1", kDisp, "Ch1", {5400, 1560, 375, 255}, kAnn, &PV::lblCh1),
    Lbl("lblCh2", kDisp, "Ch2", {6000, 1560, 375, 255}, kAnn, &PV::lblCh2),
    Lbl("lblCh3", kDisp, "Ch3", {6600, 1560, 375, 255}, kAnn, &PV::lblCh3),
    Lbl("lblLimit", kDisp, " Limit", {7200, 1560, 540, 255}, kAnn, &PV::lblLimit, Look::DisplayInverse),

    // Groups
    Frame("fraMeasure", "测量", {1200, 2160, 2655, 1883}),
    Frame("fraLimits", "极限", {3840, 2160, 1335, 1883}),
    Frame("fraMath", "运算", {5160, 2160, 1335, 1883}),
    Frame("fraChannel1", "通道1", {6600, 2160, 2655, 2655}),
    Frame("fraArrow", "", {9000, -120, 1575, 2175}),
    Frame("fraMeasSpeed", "测量速度", {9360, 2160, 1215, 2655}),
    Frame("fraChannel3", "通道3", {10680, 0, 1575, 2055}),
    Frame("fraChannel2", "通道2", {10680, 2160, 1575, 2055}),

    // Keys on the window
    Key("cmdPower", "", "", {240, 4080, 735, 375}, &PV::cmdPower, &SP::cmdPower_Click),
    Key("cmdUtility", "", "系统 设置", {1680, 4200, 735, 495}, &PV::cmdUtility, nullptr),
    Key("cmdSave", "", "存储 调用", {3000, 4200, 735, 495}, &PV::cmdSave, nullptr),
    Key("cmdRun", "", "运行", {4320, 4200, 735, 495}, &PV::cmdRun, &SP::cmdRun_Click),
    Key("cmdStop", "", "停止 单次", {5640, 4200, 735, 495}, &PV::cmdStop, &SP::cmdStop_Click),
    Key("cmdKeyLock", "", "", {10800, 4320, 255, 255}, &PV::cmdKeyLock, nullptr),
    Shp("shpUtility", "", LampLeftOf(1680), LampBesideBigKey(4200), &PV::shpUtility),
    Shp("shpRunning", "", LampLeftOf(4320), LampBesideBigKey(4200), &PV::shpRunning),
    Shp("shpStopping", "", LampLeftOf(5640), LampBesideBigKey(4200), &PV::shpStopping),
    Shp("shpRemoteSRQ", "", 600, 2520, &PV::shpRemoteSRQ),
    Shp("shpKeyLock", "", 11640, 4560, &PV::shpKeyLock),
    Legend("lblKeyLock", "", "键盘锁定", {11160, 4320, 600, 150}),
    Legend("lblLocal", "", "本地", {1920, 4740, 375, 255}),
    Legend("lblPrint", "", "打印", {3240, 4740, 375, 255}),

    // Measurement function keys
    Key("cmdFrequency", "fraMeasure", "频率 频率比", {480, 360, 735, 495}, &PV::cmdFrequency,
        &SP::cmdFrequency_Click),
    Key("cmdTime", "fraMeasure", "时间 周期", {1800, 360, 735, 495}, &PV::cmdTime, &SP::cmdTime_Click),
    Key("cmdOther", "fraMeasure", "其它 测量", {480, 1200, 735, 495}, &PV::cmdOther, &SP::cmdOther_Click),
    Key("cmdArm", "fraMeasure", "闸门 外触发", {1800, 1200, 735, 495}, &PV::cmdArm, &SP::cmdArm_Click),
    Shp("shpFrequency", "fraMeasure", LampLeftOf(480), LampBesideBigKey(360), &PV::shpFrequency),
    Shp("shpTime", "fraMeasure", LampLeftOf(1800), LampBesideBigKey(360), &PV::shpTime),
    Shp("shpOther", "fraMeasure", LampLeftOf(480), LampBesideBigKey(1200), &PV::shpOther),

    // Limit keys
    Key("cmdUpper", "fraLimits", "上限 下限", {480, 360, 735, 495}, &PV::cmdUpper, &SP::cmdUpper_Click),
    Key("cmdLimitMode", "fraLimits", "极限 模式", {480, 1200, 735, 495}, &PV::cmdLimitMode,
        &SP::cmdLimitMode_Click),
    Shp("shpLimitMode", "fraLimits", LampLeftOf(480), LampBesideBigKey(1200), &PV::shpLimitMode),

    // Math and statistics keys
    Key("cmdScale", "fraMath", "定标 偏差", {480, 360, 735, 495}, &PV::cmdScale, &SP::cmdScale_Click),
    Key("cmdStats", "fraMath", "统计 运算", {480, 1200, 735, 495}, &PV::cmdStats, &SP::cmdStats_Click),
    Shp("shpMathMode", "fraMath", LampLeftOf(480), LampBesideBigKey(360), &PV::shpMathMode),
    Shp("shpStatsMode", "fraMath", LampLeftOf(480), LampBesideBigKey(1200), &PV::shpStatsMode),

    // Channel 1 input keys, their legends and the input pictures
    Key("cmdCh1Trig", "fraChannel1", "", {240, 360, 255, 255}, &PV::cmdCh1Trig, &SP::cmdCh1Trig_Click),
    Key("cmdCh1Imp", "fraChannel1", "", {240, 960, 255, 255}, &PV::cmdCh1Imp, &SP::cmdCh1Imp_Click),
    Key("cmdCh1Coup", "fraChannel1", "", {240, 1560, 255, 255}, &PV::cmdCh1Coup, &SP::cmdCh1Coup_Click),
    Key("cmdCh1Att", "fraChannel1", "", {240, 2160, 255, 255}, &PV::cmdCh1Att, &SP::cmdCh1Att_Click),
    Key("cmdCh1Filt", "fraChannel1", "", {1320, 2160, 255, 255}, &PV::cmdCh1Filt, &SP::cmdCh1Filt_Click),
    Shp("shpCh1Trig", "fraChannel1", 60, LampBesideSmallKey(360), &PV::shpCh1Trig),
    Shp("shpCh1Imp", "fraChannel1", 60, LampBesideSmallKey(960), &PV::shpCh1Imp),
    Shp("shpCh1Coup", "fraChannel1", 60, LampBesideSmallKey(1560), &PV::shpCh1Coup),
    Shp("shpCh1Att", "fraChannel1", 60, LampBesideSmallKey(2160), &PV::shpCh1Att),
    // The filter key has a legend on its right and the attenuator legend on its
    // left, so its lamp sits above it.
    Shp("shpCh1Filt", "fraChannel1", 1380, 1950, &PV::shpCh1Filt),
    Legend("lblTrig", "fraChannel1", "触发方式", {600, 360, 720, 255}),
    Legend("lblCh1Imp", "fraChannel1", "1MΩ50Ω", {600, 960, 720, 255}),
    Legend("lblCh1Coup", "fraChannel1", "AC DC", {600, 1560, 720, 255}),
    Legend("lblCh1Att", "fraChannel1", "×1 ×10", {600, 2160, 540, 255}),
    Legend("lblCh1Filt", "fraChannel1", "100kHz 低通", {1680, 2160, 915, 255}),
    Img("imgCh1Q9", "fraChannel1", {1320, 720, 1095, 1095}, &PV::imgCh1Q9),
    Img("imgCh1Gnd", "fraChannel1", {2280, 360, 255, 375}, &PV::imgCh1Gnd),
    Img("imgCh1Alarm", "fraChannel1", {2280, 1680, 255, 255}, &PV::imgCh1Alarm),

    // Arrow keys, sign, Enter and the move light
    Key("cmdUp", "fraArrow", "", {600, 240, 375, 375}, &PV::cmdUp, &SP::cmdUp_Click),
    Key("cmdLeft", "fraArrow", "", {120, 720, 375, 375}, &PV::cmdLeft, &SP::cmdLeft_Click),
    Key("cmdRight", "fraArrow", "", {1080, 720, 375, 375}, &PV::cmdRight, &SP::cmdRight_Click),
    Key("cmdDown", "fraArrow", "", {600, 1200, 375, 375}, &PV::cmdDown, &SP::cmdDown_Click),
    Key("cmdSign", "fraArrow", "+/-", {120, 1680, 375, 375}, &PV::cmdSign, &SP::cmdSign_Click, FontRole::Small),
    Key("cmdEnter", "fraArrow", "确认", {1080, 1680, 375, 375}, &PV::cmdEnter, &SP::cmdEnter_Click,
        FontRole::Small),
    Shp("shpMoveLight", "fraArrow", 720, 840, &PV::shpMoveLight),

    // Measuring speed keys
    Key("cmdSpeedHigh", "fraMeasSpeed", "", {240, 360, 255, 255}, &PV::cmdSpeedHigh, &SP::cmdSpeedHigh_Click),
    Key("cmdSpeedFast", "fraMeasSpeed", "", {240, 960, 255, 255}, &PV::cmdSpeedFast, &SP::cmdSpeedFast_Click),
    Key("cmdSpeedMiddle", "fraMeasSpeed", "", {240, 1560, 255, 255}, &PV::cmdSpeedMiddle,
        &SP::cmdSpeedMiddle_Click),
    Key("cmdSpeedLow", "fraMeasSpeed", "", {240, 2160, 255, 255}, &PV::cmdSpeedLow, &SP::cmdSpeedLow_Click),
    Shp("shpSpeedHigh", "fraMeasSpeed", 60, LampBesideSmallKey(360), &PV::shpSpeedHigh),
    Shp("shpSpeedFast", "fraMeasSpeed", 60, LampBesideSmallKey(960), &PV::shpSpeedFast),
    Shp("shpSpeedMiddle", "fraMeasSpeed", 60, LampBesideSmallKey(1560), &PV::shpSpeedMiddle),
    Shp("shpSpeedLow", "fraMeasSpeed", 60, LampBesideSmallKey(2160), &PV::shpSpeedLow),
    Legend("lblSpeedHigh", "fraMeasSpeed", "高", {600, 360, 480, 255}),
    Legend("lblSpeedFast", "fraMeasSpeed", "快", {600, 960, 480, 255}),
    Legend("lblSpeedMiddle", "fraMeasSpeed", "中", {600, 1560, 480, 255}),
    Legend("lblSpeedLow", "fraMeasSpeed", "低", {600, 2160, 480, 255}),

    // Channels 2 and 3: connector pictures only
    Img("imgCh2Q9", "fraChannel2", {240, 720, 1095, 1095}, &PV::imgCh2Q9),
    Img("imgCh2Gnd", "fraChannel2", {1200, 360, 255, 375}, &PV::imgCh2Gnd),
    Img("imgCh2Alarm", "fraChannel2", {1200, 1680, 255, 255}, &PV::imgCh2Alarm),
    Img("imgCh3Q9", "fraChannel3", {240, 720, 1095, 1095}, &PV::imgCh3Q9),
    Img("imgCh3Gnd", "fraChannel3", {1200, 360, 255, 375}, &PV::imgCh3Gnd),
    Img("imgCh3Alarm", "fraChannel3", {1200, 1725, 255, 255}, &PV::imgCh3Alarm),

    // The message line below the panel
    Lbl("lblMessage", "", "", {120, kPanelHeightTwips + 30, kPanelWidthTwips - 240, 270}, FontRole::Default,
        &PV::lblMessage),

    // Elements without a place on the panel
    Hidden("txtReceive", &PV::txtReceive),
    Hidden("txtString", &PV::txtString),
    Tim("timPowerOn", &PV::timPowerOn, &SP::timPowerOn_Timer, true),
    Tim("timSystemClk", &PV::timSystemClk, &SP::timSystemClk_Timer, false),

    // Serial-settings menus
    Menu("mnuPort", "通讯端口"),
    Item("mnuPortComm1", "mnuPort", "串口1", &PV::mnuPortComm1, SerialMenu::Port, 0),
    Item("mnuPortComm2", "mnuPort", "串口2", &PV::mnuPortComm2, SerialMenu::Port, 1),
    Item("mnuPortComm3", "mnuPort", "串口3", &PV::mnuPortComm3, SerialMenu::Port, 2),
    Item("mnuPortComm4", "mnuPort", "串口4", &PV::mnuPortComm4, SerialMenu::Port, 3),
    Item("mnuPortComm5", "mnuPort", "串口5", &PV::mnuPortComm5, SerialMenu::Port, 4),
    Menu("mnuBaud", "波特率选择"),
    Item("mnuBaud2400", "mnuBaud", "2400", &PV::mnuBaud2400, SerialMenu::Baud, 0),
    Item("mnuBaud4800", "mnuBaud", "4800", &PV::mnuBaud4800, SerialMenu::Baud, 1),
    Item("mnuBaud9600", "mnuBaud", "9600", &PV::mnuBaud9600, SerialMenu::Baud, 2),
    Item("mnuBaud19200", "mnuBaud", "19200", &PV::mnuBaud19200, SerialMenu::Baud, 3),
    Item("mnuBaud38400", "mnuBaud", "38400", &PV::mnuBaud38400, SerialMenu::Baud, 4),
    Menu("mnuParity", "校验位"),
    Item("mnuParityOff", "mnuParity", "无校验", &PV::mnuParityOff, SerialMenu::Parity, 0),
    Item("mnuParityEven", "mnuParity", "偶校验", &PV::mnuParityEven, SerialMenu::Parity, 1),
    Item("mnuParityOdd", "mnuParity", "奇校验", &PV::mnuParityOdd, SerialMenu::Parity, 2),
    Menu("mnuSwpace", "软件握手"),
    Item("mnuSwpaceNone", "mnuSwpace", "无", &PV::mnuSwpaceNone, SerialMenu::Swpace, 0),
    Item("mnuSwpaceXon", "mnuSwpace", "XON", &PV::mnuSwpaceXon, SerialMenu::Swpace, 1),
    Menu("mnuDTR", "DTR信号"),
    Item("mnuDTRHigh", "mnuDTR", "高电平", &PV::mnuDTRHigh, SerialMenu::DTR, 0),
    Item("mnuDTRLimit", "mnuDTR", "Limit指示", &PV::mnuDTRLimit, SerialMenu::DTR, 1),
    Item("mnuDTRHwpace", "mnuDTR", "硬件握手", &PV::mnuDTRHwpace, SerialMenu::DTR, 2),
});

}  // namespace

std::span<const Element> ElementTable() { return kElements; }

const Element* FindElement(std::string_view name) {
    for (const Element& e : kElements) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

}  // namespace kt::view
