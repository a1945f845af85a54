// The element model of the front-panel window: one member per window element,
// named exactly as the element, holding only the properties the panel logic
// reads or writes. The logic writes these; the window applies them to its
// widgets after every event, and tests read them.
//
// Text conventions: text received from the instrument (txtReceive, txtString,
// and txtDisplay, which shows readings) holds single-byte characters (Latin-1),
// passed unchanged. Captions, menu captions and the title are UTF-8 text.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace kt {

// A colour as the window stores it: red in the low byte, then green, then blue.
using Color = uint32_t;
constexpr Color Rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

// The two lamp colours used by every lamp of the panel.
constexpr Color kLampLit = Rgb(220, 255, 0);
constexpr Color kLampOff = Rgb(128, 128, 128);

// A text box. Writing its text drops the selection, as a text box does; the
// selection of one character marks the editor cursor on the display.
class TextBox {
public:
    explicit TextBox(std::string text = {}) : text_(std::move(text)) {}

    const std::string& Text() const { return text_; }
    void SetText(std::string text) {
        text_ = std::move(text);
        SelStart = 0;
        SelLength = 0;
    }
    // Appends without touching the selection (the receive buffer only).
    std::string& MutableText() { return text_; }

    int16_t SelStart = 0;
    int16_t SelLength = 0;

private:
    std::string text_;
};

struct Label {
    Label(std::string caption = {}, bool visible = true) : Caption(std::move(caption)), Visible(visible) {}
    std::string Caption;
    bool Visible = true;
};

struct CommandButton {
    CommandButton(std::string caption = {}, bool enabled = false)
        : Caption(std::move(caption)), Enabled(enabled) {}
    std::string Caption;
    bool Enabled = false;
    std::string Picture;  // full path of the picture file shown instead of a caption
};

struct Lamp {
    Color BackColor = kLampOff;
};

struct Image {
    std::string Picture;  // full path of the loaded picture file; empty: none
};

struct MenuItem {
    MenuItem(std::string caption = {}, bool checked = false) : Caption(std::move(caption)), Checked(checked) {}
    std::string Caption;
    bool Checked = false;
};

struct Timer {
    Timer(int32_t interval = 0, bool enabled = false) : Interval(interval), Enabled(enabled) {}
    int32_t Interval = 0;  // milliseconds
    bool Enabled = false;
    // Counts the starts of the countdown: enabling a timer that is already
    // enabled does not restart it, Start does.
    uint32_t Starts = 0;
    void Start(int32_t interval) {
        Interval = interval;
        Enabled = true;
        ++Starts;
    }
};

struct Window {
    Window(std::string caption = {}) : Caption(std::move(caption)) {}
    std::string Caption;
};

// Every element of the window that the logic touches.
struct PanelView {
    Window frmSoftPanel{"KT46290软面板（RS232C串行接口）"};

    // Display area
    TextBox txtDisplay{"0 "};
    Label lblTitle{"KT46290型高精度频率计（Frequency Counter）"};
    Image imgKT;
    Label lblPosExp{"M"};
    Label lblNegExp{"u"};
    Label lblFreqUnit{"Hz"};
    Label lblTimeUnit{"s"};
    Label lblAvg{"Avg"};
    Label lblGate{"Gate"};
    Label lblRemote{"Rmt"};
    Label lblPeriod{"Period"};
    Label lblFreq{"Freq"};
    Label lblPwid{"+Wid"};
    Label lblNwid{"-Wid"};
    Label lblRise{"Rise"};
    Label lblFall{"Fall"};
    Label lblTime{"Time"};
    Label lblCh1{"Ch1"};
    Label lblCh2{"Ch2"};
    Label lblCh3{"Ch3"};
    Label lblLimit{" Limit"};

    // The message line below the panel: plain-words reports of serial faults.
    Label lblMessage{""};

    // Keys
    CommandButton cmdPower{"", true};
    CommandButton cmdUtility{"系统 设置"};
    CommandButton cmdSave{"存储 调用"};
    CommandButton cmdRun{"运行"};
    CommandButton cmdStop{"停止 单次"};
    CommandButton cmdKeyLock;
    CommandButton cmdFrequency{"频率 频率比"};
    CommandButton cmdTime{"时间 周期"};
    CommandButton cmdOther{"其它 测量"};
    CommandButton cmdArm{"闸门 外触发"};
    CommandButton cmdUpper{"上限 下限"};
    CommandButton cmdLimitMode{"极限 模式"};
    CommandButton cmdScale{"定标 偏差"};
    CommandButton cmdStats{"统计 运算"};
    CommandButton cmdCh1Trig;
    CommandButton cmdCh1Imp;
    CommandButton cmdCh1Coup;
    CommandButton cmdCh1Att;
    CommandButton cmdCh1Filt;
    CommandButton cmdSpeedHigh;
    CommandButton cmdSpeedFast;
    CommandButton cmdSpeedMiddle;
    CommandButton cmdSpeedLow;
    CommandButton cmdUp;
    CommandButton cmdLeft;
    CommandButton cmdRight;
    CommandButton cmdDown;
    CommandButton cmdSign{"+/-"};
    CommandButton cmdEnter{"确认"};

    // Lamps
    Lamp shpFrequency, shpTime, shpOther;
    Lamp shpRunning, shpStopping;
    Lamp shpCh1Imp, shpCh1Coup, shpCh1Att, shpCh1Filt, shpCh1Trig;
    Lamp shpSpeedHigh, shpSpeedFast, shpSpeedMiddle, shpSpeedLow;
    Lamp shpLimitMode, shpMathMode, shpStatsMode;
    Lamp shpMoveLight;
    Lamp shpUtility, shpKeyLock, shpRemoteSRQ;

    // Pictures
    Image imgCh1Q9, imgCh2Q9, imgCh3Q9;
    Image imgCh1Gnd, imgCh2Gnd, imgCh3Gnd;
    Image imgCh1Alarm, imgCh2Alarm, imgCh3Alarm;

    // Hidden text boxes: the receive buffer and the last completed text.
    TextBox txtReceive;
    TextBox txtString;

    // Timers
    Timer timPowerOn;
    Timer timSystemClk{100, true};

    // Serial-settings menus
    MenuItem mnuPortComm1{"串口1", true}, mnuPortComm2{"串口2"}, mnuPortComm3{"串口3"},
        mnuPortComm4{"串口4"}, mnuPortComm5{"串口5"};
    MenuItem mnuBaud2400{"2400"}, mnuBaud4800{"4800"}, mnuBaud9600{"9600", true},
        mnuBaud19200{"19200"}, mnuBaud38400{"38400"};
    MenuItem mnuParityOff{"无校验", true}, mnuParityEven{"偶校验"}, mnuParityOdd{"奇校验"};
    MenuItem mnuSwpaceNone{"无", true}, mnuSwpaceXon{"XON"};
    MenuItem mnuDTRHigh{"高电平", true}, mnuDTRLimit{"Limit指示"}, mnuDTRHwpace{"硬件握手"};
};

}  // namespace kt
