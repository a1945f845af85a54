// Random editing sessions on the value editor: from random stored values,
// random sequences of Left, Right, Up, Down and the sign key, with the
// editor's rules checked after every key.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>

#include "support/connected_panel.h"

namespace {

using kt::ValueEditor;

// The exact number an editor stands for: mantissa x 10^exponent, the
// mantissa in its fixed point (so the exponent counts its four decimals).
struct Exact {
    int64_t mantissa;
    int exponent;
};

Exact ExactValue(const ValueEditor& e) {
    const int hidden = e.editValueDigits == 7 ? 4 : 0;
    return {e.editMantissa, e.editValuePrefix - e.editValueDecimals - hidden - 4};
}

__int128 Pow10(int n) {
    __int128 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

// a - b and the tolerance, both scaled to the smaller of the two exponents
// and the exponent the tolerance is given at.
struct Compared {
    __int128 difference;
    __int128 unit;  // one fixed-point unit at the exponent of `after`
    __int128 reference;  // the first value, scaled
};

Compared Compare(const Exact& before, const Exact& after) {
    const int low = std::min(before.exponent, after.exponent);
    Compared c;
    c.reference = static_cast<__int128>(before.mantissa) * Pow10(before.exponent - low);
    const __int128 a = static_cast<__int128>(after.mantissa) * Pow10(after.exponent - low);
    c.difference = a - c.reference;
    c.unit = Pow10(after.exponent - low);
    return c;
}

__int128 Abs(__int128 v) { return v < 0 ? -v : v; }

enum class Key { Left, Right, Up, Down, Sign };
constexpr const char* kKeyNames[] = {"Left", "Right", "Up", "Down", "Sign"};
constexpr int16_t kCodes[] = {30, 31, 34, 35, 38};

std::string Describe(const ValueEditor& e, const std::string& shown) {
    std::ostringstream os;
    os << "text '" << e.editValueText << "' mantissa " << e.editMantissa << " prefix " << e.editValuePrefix
       << " digits " << e.editValueDigits << " decimals " << e.editValueDecimals << " cursor "
       << e.editValueCursor << " shown '" << shown << "'";
    return os.str();
}

// A stored value with one to eleven significant digits, across and beyond
// the prefixes; often all nines (carries) or a one and zeros (borrows), now
// and then one of the awkward ones.
double RandomStoredValue(std::mt19937_64& rng) {
    static const double awkward[] = {0.0, 1.0, 1e7, 9999999e6, 999.9999, 999.9999e-6, 1e-12, 1e13, -1e13, 9.9999999999};
    std::uniform_int_distribution<int> pick(0, 9);
    if (pick(rng) == 0) return awkward[pick(rng)];
    std::uniform_int_distribution<int> digitsCount(1, 11);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> exponent(-14, 13);
    const int kind = pick(rng);
    const int n = kind < 2 ? 11 : digitsCount(rng);
    int64_t m = kind < 3 ? 9 : 1 + digit(rng) % 9;
    for (int i = 1; i < n; ++i) m = m * 10 + (kind < 3 ? 9 : kind < 5 ? 0 : digit(rng));
    double x = static_cast<double>(m) * std::pow(10.0, exponent(rng) - n + 1);
    if (digit(rng) < 4) x = -x;
    return x;
}

// The place value (a power of ten) of the digit under the cursor.
int CursorPlace(const ValueEditor& e) { return e.editValuePrefix - e.editValueDecimals + e.editValueCursor; }

// The checks that hold in every state.
void CheckState(const kt::SoftPanel& panel, const std::string& context) {
    const ValueEditor& e = panel.valueEditor;
    const std::string& shown = panel.view.txtDisplay.Text();
    const auto state = [&] { return context + "\n  " + Describe(e, shown); };

    ASSERT_TRUE(e.editValueDigits == 7 || e.editValueDigits == 11) << state();
    ASSERT_TRUE(e.editValuePrefix == -6 || e.editValuePrefix == -3 || e.editValuePrefix == 0 ||
                e.editValuePrefix == 3 || e.editValuePrefix == 6)
        << state();
    ASSERT_GE(e.editValueDecimals, 0) << state();
    ASSERT_LE(e.editValueDecimals, e.editValueDigits - 1) << state();
    ASSERT_GE(e.editValueCursor, 0) << state();
    ASSERT_LE(e.editValueCursor, e.editValueDigits - 1) << state();
    ASSERT_EQ(e.editValueLastPos, e.editValueDigits == 7 ? 13 : 12) << state();

    ASSERT_EQ(e.editValueText.size(), 12u) << state();
    // The mantissa never shows more than eleven digits.
    ASSERT_LT(e.editMantissa, 100000000000LL * kt::kMantissaUnit - kt::kMantissaUnit / 2) << state();
    ASSERT_GT(e.editMantissa, -100000000000LL * kt::kMantissaUnit + kt::kMantissaUnit / 2) << state();
    ASSERT_TRUE(e.editValueText[0] == ' ' || e.editValueText[0] == '-') << state();
    for (size_t i = 1; i < 12; ++i) ASSERT_TRUE(e.editValueText[i] >= '0' && e.editValueText[i] <= '9') << state();

    // Label, sign, digits with the point where the decimals say, one blank.
    const bool point = e.editValueDecimals != 0;
    const size_t label = e.editValueDigits == 7 ? 5 : 0;
    const size_t expectedLength = label + 1 + static_cast<size_t>(e.editValueDigits) + (point ? 1 : 0) + 1;
    ASSERT_EQ(shown.size(), expectedLength) << state();
    if (label != 0) {
        ASSERT_EQ(shown.substr(0, 5), kt::ValueLabel(panel.displayCode)) << state();
    }
    ASSERT_EQ(shown[label], e.editValueText[0]) << state();
    ASSERT_EQ(shown.back(), ' ') << state();
    std::string digits;
    for (size_t i = label + 1; i + 1 < shown.size(); ++i) {
        if (shown[i] == '.') {
            ASSERT_EQ(shown.size() - 2 - i, static_cast<size_t>(e.editValueDecimals)) << state();
        } else {
            digits += shown[i];
        }
    }
    ASSERT_EQ(digits, e.editValueText.substr(1, static_cast<size_t>(e.editValueDigits))) << state();

    // The cursor selects the shown digit it counts, from the right.
    const int16_t sel = panel.view.txtDisplay.SelStart;
    ASSERT_EQ(panel.view.txtDisplay.SelLength, 1) << state();
    ASSERT_TRUE(sel >= 0 && static_cast<size_t>(sel) + 1 < shown.size()) << state();
    ASSERT_NE(shown[static_cast<size_t>(sel)], '.') << state();
    size_t fromRight = 0;
    for (size_t i = static_cast<size_t>(sel) + 1; i + 1 < shown.size(); ++i) fromRight += shown[i] != '.';
    ASSERT_EQ(fromRight, static_cast<size_t>(e.editValueCursor)) << state();

    // Prefix letters.
    const auto& pos = panel.view.lblPosExp;
    const auto& neg = panel.view.lblNegExp;
    switch (e.editValuePrefix) {
    case 6: ASSERT_TRUE(pos.Visible && pos.Caption == "M" && !neg.Visible) << state(); break;
    case 3: ASSERT_TRUE(pos.Visible && pos.Caption == "k" && !neg.Visible) << state(); break;
    case 0: ASSERT_TRUE(!pos.Visible && !neg.Visible) << state(); break;
    case -3: ASSERT_TRUE(!pos.Visible && neg.Visible && neg.Caption == "m") << state(); break;
    default: ASSERT_TRUE(!pos.Visible && neg.Visible && neg.Caption == "u") << state(); break;
    }
}

bool AtTheTop(const ValueEditor& e) {
    return e.editValuePrefix == 6 && e.editValueDecimals == e.editValueDigits - 7 &&
           (e.editMantissa == kt::kMantissaCap || e.editMantissa == -kt::kMantissaCap);
}

TEST(ValueEditorSessions, RandomKeySequencesKeepTheEditorsRules) {
    kt::test::ConnectedPanel session;
    kt::SoftPanel& panel = session.panel;
    std::mt19937_64 rng(0x4629'0001);
    std::uniform_int_distribution<size_t> codePick(0, std::size(kCodes) - 1);

    constexpr int kSessions = 2000;
    constexpr int kSteps = 50;
    for (int session = 0; session < kSessions; ++session) {
        const double stored = RandomStoredValue(rng);
        panel.displayCode = kCodes[codePick(rng)];
        panel.LoadValueEditor(stored);
        panel.ShowEditedValue();
        char load[40];
        std::snprintf(load, sizeof load, "%.17g", stored);
        std::string trail =
            "session " + std::to_string(session) + " code " + std::to_string(panel.displayCode) + " load " + load;
        CheckState(panel, trail);
        if (HasFatalFailure()) return;

        // Each session leans on some keys more than on others, so that long
        // runs of one key (widening to the top, stepping into a carry) occur.
        std::uniform_int_distribution<int> weight(1, 8);
        std::discrete_distribution<int> keyPick({double(weight(rng)), double(weight(rng)), double(weight(rng)),
                                                 double(weight(rng)), double(weight(rng) / 4)});

        std::uniform_int_distribution<int> runLength(1, 12);
        // Every session opens with a run of Lefts, which switches to eleven
        // digits and widens to random depths (fractions in the mantissa).
        Key key = Key::Left;
        int run = std::uniform_int_distribution<int>(0, session % 2 == 0 ? 3 : 14)(rng);
        for (int step = 0; step < kSteps; ++step) {
            // Keys come in runs: ten Ups on one digit, or Left all the way.
            if (run-- <= 0) {
                key = static_cast<Key>(keyPick(rng));
                run = runLength(rng) - 1;
            }
            trail += std::string(" ") + kKeyNames[static_cast<int>(key)];

            const ValueEditor before = panel.valueEditor;
            const Exact was = ExactValue(before);
            switch (key) {
            case Key::Left: panel.ValueCursorLeft(); break;
            case Key::Right: panel.ValueCursorRight(); break;
            case Key::Up: panel.IncValueDigit(); break;
            case Key::Down: panel.DecValueDigit(); break;
            case Key::Sign: panel.ToggleValueSign(); break;
            }
            CheckState(panel, trail);
            if (HasFatalFailure()) return;

            const ValueEditor& after = panel.valueEditor;
            const Exact now = ExactValue(after);
            const auto state = [&] {
                return trail + "\n  before " + Describe(before, "") + "\n  after " +
                       Describe(after, panel.view.txtDisplay.Text());
            };
            if (panel.displayCode == 34) {
                ASSERT_EQ(after.editValueDigits, 7) << state();
            }
            ASSERT_FALSE(after.editValueDigits == 7 && before.editValueDigits == 11) << state();

            if (key == Key::Left || key == Key::Right) {
                // Same value, up to the fixed point: a digit shifted past the
                // fourth decimal is rounded away, a mantissa below one is 0.
                const Compared c = Compare(was, now);
                const bool widened = key == Key::Left && (after.editValueDecimals != before.editValueDecimals ||
                                                          after.editValuePrefix != before.editValuePrefix) &&
                                     after.editValueDigits == before.editValueDigits;
                if (widened) {
                    ASSERT_TRUE(after.editMantissa == 0 || after.editMantissa >= kt::kMantissaUnit ||
                                after.editMantissa <= -kt::kMantissaUnit)
                        << state();
                }
                if (after.editMantissa == 0 && before.editMantissa != 0) {
                    ASSERT_LT(Abs(c.reference), c.unit * 10000) << state();
                } else {
                    ASSERT_LE(Abs(c.difference) * 2, c.unit) << state();
                }
            } else if (key == Key::Up || key == Key::Down) {
                // One unit of the cursor digit, at the scale before the key.
                const int power = before.editValueCursor + (before.editValueDigits == 7 ? 4 : 0);
                Exact expected = was;
                const int64_t step = static_cast<int64_t>(Pow10(power)) * kt::kMantissaUnit;
                expected.mantissa += key == Key::Up ? step : -step;
                const Compared c = Compare(expected, now);
                const __int128 reached = c.reference + c.difference;
                if (AtTheTop(after) && Abs(c.reference) > Abs(reached)) {
                    // Stopped at 9999999 M.
                } else {
                    ASSERT_LE(Abs(c.difference) * 2, c.unit) << state();
                }
                ASSERT_EQ(panel.entryUnconfirmed, kt::kTrue) << state();
                // The cursor stays with its digit when the point or the
                // prefix moves, unless it is at the end the digits move past.
                const int place = CursorPlace(after) - CursorPlace(before);
                if (before.editValueCursor == 0) {
                    ASSERT_TRUE(place == 0 || place == 1) << state();
                } else if (before.editValueCursor == before.editValueDigits - 1) {
                    ASSERT_TRUE(place == 0 || place == -1) << state();
                } else {
                    ASSERT_EQ(place, 0) << state();
                }
            } else {
                ASSERT_EQ(now.mantissa, -was.mantissa) << state();
                ASSERT_EQ(now.exponent, was.exponent) << state();
            }
        }
    }
}

}  // namespace
