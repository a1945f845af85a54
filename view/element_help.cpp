#include "view/element_help.h"

#include <array>
#include <utility>

#include "core/key_numbers.h"
#include "view/element_table.h"
#include "view/key_map.h"
#include "view/utf8.h"

namespace kt::view {
namespace {

constexpr auto kHelp = std::to_array<ElementHelp>({
    // Keys
    {"cmdPower", "Power / connect",
     "connects to the counter and identifies it (*IDN?); connected, returns the counter to local operation "
     "(SYST:LOC) and disconnects",
     {}, "连接 / 断开"},
    {"cmdFrequency", "Frequency / ratio",
     "opens the frequency function menu; each further press steps to the next function (frequency of "
     "channel 1, 2, 3, ratios)"},
    {"cmdTime", "Time / period", "opens the period function menu; each further press steps to the next channel"},
    {"cmdOther", "Other measurements", "opens the other-measurements menu (frequency check)"},
    {"cmdArm", "Gate / external arm", "shows the gate time; each further press steps to the next gate time"},
    {"cmdUtility", "System / set-up", "the counter's set-up menu; not available on the soft panel"},
    {"cmdSave", "Store / recall", "stores and recalls the counter's settings; not available on the soft panel"},
    {"cmdUpper", "Upper / lower limit", "opens the limit values, edited with the arrows and confirmed with Enter"},
    {"cmdLimitMode", "Limit mode", "opens the limit test menu: limit test on or off"},
    {"cmdRun", "Run", "measures continuously and returns the display to readings"},
    {"cmdScale", "Scale / offset", "opens the math menu: scale, offset, math on or off"},
    {"cmdStats", "Statistics", "opens the statistics menu: what to show, sample count, F0, statistics on or off"},
    {"cmdStop", "Stop / single", "stops measuring; a further press measures once"},
    {"cmdCh1Trig", "Trigger mode", "opens the channel 1 trigger menu: trigger level and slope", "lblTrig"},
    {"cmdCh1Imp", "Input impedance", "switches channel 1 between 1 MΩ and 50 Ω", "lblCh1Imp"},
    {"cmdCh1Coup", "Coupling", "switches channel 1 between AC and DC coupling", "lblCh1Coup"},
    {"cmdCh1Att", "Attenuator", "switches the channel 1 attenuator between ×1 and ×10", "lblCh1Att"},
    {"cmdCh1Filt", "100 kHz low-pass", "switches the channel 1 low-pass filter on or off", "lblCh1Filt"},
    {"cmdSpeedHigh", "Speed high", "sets the gate time to 10 ms", "lblSpeedHigh"},
    {"cmdSpeedFast", "Speed fast", "sets the gate time to 100 ms", "lblSpeedFast"},
    {"cmdSpeedMiddle", "Speed middle", "sets the gate time to 400 ms", "lblSpeedMiddle"},
    {"cmdSpeedLow", "Speed low", "sets the gate time to 1 s", "lblSpeedLow"},
    {"cmdUp", "Up", "in a menu: the next item, or raises the digit under the cursor", {}, "上"},
    {"cmdLeft", "Left", "moves the edit cursor one digit to the left", {}, "左"},
    {"cmdRight", "Right", "moves the edit cursor one digit to the right", {}, "右"},
    {"cmdDown", "Down", "in a menu: the previous item, or lowers the digit under the cursor", {}, "下"},
    {"cmdSign", "Sign", "changes the sign of the value being edited"},
    {"cmdEnter", "Enter / confirm", "confirms the value or choice on the display and closes the menu"},
    {"cmdKeyLock", "Keyboard lock", "locks the counter's own keys; not available on the soft panel", "lblKeyLock"},

    // Lamps, named after their key
    {"shpUtility", "System lamp", "not used by the soft panel", "cmdUtility"},
    {"shpRunning", "Run lamp", "lit while the counter measures continuously", "cmdRun"},
    {"shpStopping", "Stop lamp", "lit while the counter is stopped", "cmdStop"},
    {"shpRemoteSRQ", "Service request lamp", "not used by the soft panel", {}, "服务请求 指示灯"},
    {"shpKeyLock", "Keyboard lock lamp", "not used by the soft panel", "cmdKeyLock"},
    {"shpFrequency", "Frequency lamp", "lit while a frequency or a ratio is measured", "cmdFrequency"},
    {"shpTime", "Time lamp", "lit while a period is measured", "cmdTime"},
    {"shpOther", "Other lamp", "lit while the frequency check is measured", "cmdOther"},
    {"shpLimitMode", "Limit test lamp", "lit while the limit test is on", "cmdLimitMode"},
    {"shpMathMode", "Math lamp", "lit while math (scale and offset) is on", "cmdScale"},
    {"shpStatsMode", "Statistics lamp", "lit while statistics are on", "cmdStats"},
    {"shpCh1Trig", "Trigger lamp", "lit while the trigger menu is open", "cmdCh1Trig"},
    {"shpCh1Imp", "50 Ω lamp", "lit while channel 1 is terminated in 50 Ω", "cmdCh1Imp"},
    {"shpCh1Coup", "DC lamp", "lit while channel 1 is DC coupled", "cmdCh1Coup"},
    {"shpCh1Att", "×10 lamp", "lit while the channel 1 attenuator is ×10", "cmdCh1Att"},
    {"shpCh1Filt", "Low-pass lamp", "lit while the 100 kHz low-pass filter is on", "cmdCh1Filt"},
    {"shpSpeedHigh", "Speed high lamp", "lit while the gate time is 10 ms", "cmdSpeedHigh"},
    {"shpSpeedFast", "Speed fast lamp", "lit while the gate time is 100 ms", "cmdSpeedFast"},
    {"shpSpeedMiddle", "Speed middle lamp", "lit while the gate time is 400 ms", "cmdSpeedMiddle"},
    {"shpSpeedLow", "Speed low lamp", "lit while the gate time is 1 s", "cmdSpeedLow"},
    {"shpMoveLight", "Menu lamp", "blinks while a menu of the counter is open; the arrows and Enter act on it", {},
     "菜单 指示灯"},

    // The display and its annunciators
    {"picDisplay", "Display", "the counter's display", {}, "显示屏"},
    {"txtDisplay", "Reading", "the reading, or the menu text while a menu is open", {}, "读数"},
    {"lblTitle", "Model", "the counter's model and frequency range"},
    {"imgKT", "Logo", "the maker's logo", {}, "商标"},
    {"lblPosExp", "Prefix", "metric prefix of a reading of one or more (k, M, G)", {}, "词头"},
    {"lblNegExp", "Prefix", "metric prefix of a reading below one (m, u, n)", {}, "词头"},
    {"lblFreqUnit", "Hz", "the reading is a frequency in hertz", {}, "赫兹"},
    {"lblTimeUnit", "s", "unit of a time reading", {}, "秒"},
    {"lblAvg", "Avg", "averaging; not shown by the soft panel", {}, "平均"},
    {"lblGate", "Gate", "flashes as each reading arrives", {}, "闸门"},
    {"lblRemote", "Rmt (remote)", "the counter is operated from this panel", {}, "遥控"},
    {"lblPeriod", "Period", "a period is measured", {}, "周期"},
    {"lblFreq", "Freq", "a frequency or a ratio is measured", {}, "频率"},
    {"lblPwid", "+Wid", "positive pulse width; not shown by the soft panel", {}, "正脉宽"},
    {"lblNwid", "-Wid", "negative pulse width; not shown by the soft panel", {}, "负脉宽"},
    {"lblRise", "Rise", "rise time; not shown by the soft panel", {}, "上升时间"},
    {"lblFall", "Fall", "fall time; not shown by the soft panel", {}, "下降时间"},
    {"lblTime", "Time", "time interval; not shown by the soft panel", {}, "时间间隔"},
    {"lblCh1", "Ch1", "channel 1 is measured", {}, "通道1"},
    {"lblCh2", "Ch2", "channel 2 is measured", {}, "通道2"},
    {"lblCh3", "Ch3", "channel 3 is measured", {}, "通道3"},
    {"lblLimit", "Limit", "the reading failed the limit test", {}, "极限"},
    {"lblMessage", "Message", "why the port would not open or the connection ended", {}, "消息"},

    // Groups and second legends
    {"fraMeasure", "Measure", "measurement function keys"},
    {"fraLimits", "Limits", "limit test keys"},
    {"fraMath", "Math", "math and statistics keys"},
    {"fraChannel1", "Channel 1", "channel 1 input settings and connector"},
    {"fraArrow", "Menu keys", "arrows, sign and Enter for the counter's menus", {}, "方向键"},
    {"fraMeasSpeed", "Measuring speed", "gate time presets"},
    {"fraChannel2", "Channel 2", "channel 2 input connector"},
    {"fraChannel3", "Channel 3", "channel 3 input connector"},
    {"lblLocal", "Local", "second legend of the system key: back to local operation"},
    {"lblPrint", "Print", "second legend of the store key: print"},

    // Connectors
    {"imgCh1Q9", "Channel 1 input", "input connector of channel 1", {}, "通道1 输入"},
    {"imgCh2Q9", "Channel 2 input", "input connector of channel 2", {}, "通道2 输入"},
    {"imgCh3Q9", "Channel 3 input", "input connector of channel 3", {}, "通道3 输入"},
    {"imgCh1Gnd", "Ground", "the connector's shell is at ground", {}, "接地"},
    {"imgCh2Gnd", "Ground", "the connector's shell is at ground", {}, "接地"},
    {"imgCh3Gnd", "Ground", "the connector's shell is at ground", {}, "接地"},
    {"imgCh1Alarm", "Caution", "keep the input within its maximum level", {}, "注意"},
    {"imgCh2Alarm", "Caution", "keep the input within its maximum level", {}, "注意"},
    {"imgCh3Alarm", "Caution", "keep the input within its maximum level", {}, "注意"},
});

// A legend beside a key is explained by its key.
std::string_view Explained(std::string_view element) {
    if (FindHelp(element) != nullptr) return element;
    for (const ElementHelp& h : kHelp) {
        if (h.from == element && h.name.starts_with("cmd")) return h.name;
    }
    return element;
}

QString KeysLine(std::string_view element) {
    const KeyBinding* b = FindKeyBinding(element);
    if (b == nullptr || b->shown.empty()) return {};
    return QStringLiteral("Keyboard: ") + Utf8(b->shown);
}

}  // namespace

std::span<const ElementHelp> HelpTable() { return kHelp; }

const ElementHelp* FindHelp(std::string_view element) {
    for (const ElementHelp& h : kHelp) {
        if (h.name == element) return &h;
    }
    return nullptr;
}

QString ChineseName(std::string_view element) {
    const ElementHelp* h = FindHelp(element);
    if (h != nullptr && !h->chinese.empty()) return Utf8(h->chinese);
    if (h != nullptr && !h->from.empty()) {
        const QString base = ChineseName(h->from);
        return element.starts_with("shp") ? base + QStringLiteral(" 指示灯") : base;
    }
    const Element* e = FindElement(element);
    return e != nullptr ? Utf8(e->caption) : QString();
}

std::string KeyCommand(std::string_view element) {
    const int16_t number = FindKeyNumber(element);
    return number == 0 ? std::string() : KeyPressCommand(number);
}

QString ToolTipText(std::string_view element) {
    element = Explained(element);
    const ElementHelp* h = FindHelp(element);
    if (h == nullptr) return {};
    QString tip = ChineseName(element) + QStringLiteral(" — ") + Utf8(h->english) + QStringLiteral(": ") +
                  Utf8(h->does);
    const std::string command = KeyCommand(element);
    if (!command.empty()) tip += QStringLiteral("; sends ") + QString::fromStdString(command);
    const QString keys = KeysLine(element);
    if (!keys.isEmpty()) tip += QLatin1Char('\n') + keys;
    return tip;
}

QString AccessibleNameText(std::string_view element) {
    element = Explained(element);
    const ElementHelp* h = FindHelp(element);
    if (h == nullptr) return ChineseName(element);
    return Utf8(h->english) + QLatin1Char(' ') + ChineseName(element);
}

QString AccessibleDescriptionText(std::string_view element) {
    element = Explained(element);
    const ElementHelp* h = FindHelp(element);
    if (h == nullptr) return {};
    QString text = Utf8(h->does);
    const std::string command = KeyCommand(element);
    if (!command.empty()) text += QStringLiteral("; sends ") + QString::fromStdString(command);
    text += QLatin1Char('.');
    const QString keys = KeysLine(element);
    if (!keys.isEmpty()) text += QLatin1Char(' ') + keys + QLatin1Char('.');
    return text;
}

QString DisplayInWords(const std::string& text, const std::string& prefix, const std::string& unit) {
    QString words = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())).simplified();
    QString suffix = QString::fromLatin1(prefix.data(), static_cast<qsizetype>(prefix.size()));
    if (suffix == QLatin1String("u")) suffix = QStringLiteral("µ");
    suffix += QString::fromLatin1(unit.data(), static_cast<qsizetype>(unit.size()));
    if (!suffix.isEmpty()) words += QLatin1Char(' ') + suffix;
    return words;
}

}  // namespace kt::view
