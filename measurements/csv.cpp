#include "measurements/csv.h"

#include <charconv>
#include <cstdio>
#include <streambuf>

namespace kt {

namespace {

// Year, month, day of a count of days since 1970-01-01 (proleptic Gregorian),
// by eras of 400 years (146097 days), valid for any int64 day count in range.
struct CivilDate {
    long long year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(long long days) {
    days += 719468;  // days from 0000-03-01 to 1970-01-01
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const auto day_of_era = static_cast<unsigned>(days - era * 146097);                                   // [0, 146096]
    const unsigned year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;  // [0, 399]
    const unsigned day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);    // [0, 365], from March 1
    const unsigned month_from_march = (5 * day_of_year + 2) / 153;                                        // [0, 11]
    const unsigned day = day_of_year - (153 * month_from_march + 2) / 5 + 1;                              // [1, 31]
    const unsigned month = month_from_march < 10 ? month_from_march + 3 : month_from_march - 9;           // [1, 12]
    const long long year = static_cast<long long>(year_of_era) + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

bool NeedsQuotes(std::string_view field) {
    for (unsigned char c : field)
        if (c == ',' || c == '"' || c < 0x20 || c == 0x7f) return true;
    return false;
}

// Appends a non-negative number with at least width digits, zero-padded.
// Every recorded row has two times, so this is kept off printf.
void AppendPadded(std::string& out, long long value, std::size_t width) {
    char buf[24];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    const auto digits = static_cast<std::size_t>(result.ptr - buf);
    if (digits < width) out.append(width - digits, '0');
    out.append(buf, digits);
}

}  // namespace

std::string FormatIsoUtc(SystemTime time) {
    std::string out;
    AppendIsoUtc(out, time);
    return out;
}

void AppendIsoUtc(std::string& out, SystemTime time) {
    using namespace std::chrono;
    const long long ms = floor<milliseconds>(time).time_since_epoch().count();
    const long long day_ms = 86'400'000;
    long long days = ms / day_ms;
    long long in_day = ms % day_ms;
    if (in_day < 0) {
        in_day += day_ms;
        --days;
    }
    const CivilDate date = CivilFromDays(days);
    if (date.year < 0) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%04lld-", date.year);
        out += buf;
    } else {
        AppendPadded(out, date.year, 4);
        out += '-';
    }
    AppendPadded(out, date.month, 2);
    out += '-';
    AppendPadded(out, date.day, 2);
    out += 'T';
    AppendPadded(out, in_day / 3'600'000, 2);
    out += ':';
    AppendPadded(out, in_day / 60'000 % 60, 2);
    out += ':';
    AppendPadded(out, in_day / 1000 % 60, 2);
    out += '.';
    AppendPadded(out, in_day % 1000, 3);
    out += 'Z';
}

void AppendElapsed(std::string& out, std::chrono::nanoseconds elapsed) {
    long long ns = elapsed.count();
    if (ns < 0) {
        out += '-';
        ns = -ns;
    }
    const long long us = (ns + 500) / 1000;
    AppendPadded(out, us / 1'000'000, 1);
    out += '.';
    AppendPadded(out, us % 1'000'000, 6);
}

void AppendCsvField(std::string& out, std::string_view field) {
    if (!NeedsQuotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

namespace {

// One row: the two times, the reading's text (appended by text), its exact
// decimal (by exact), unit and function. Both forms of a reading use it, so
// the recorder's rows and "Save as CSV"'s cannot drift apart.
template <typename Text, typename Exact>
void AppendRow(std::string& out, SystemTime time, std::chrono::nanoseconds elapsed, Text&& text, Exact&& exact,
               Unit unit, std::string_view function) {
    AppendIsoUtc(out, time);
    out += ',';
    AppendElapsed(out, elapsed);
    out += ',';
    text();
    out += ',';
    exact();
    out += ',';
    out += UnitText(unit);
    out += ',';
    AppendCsvField(out, function);
    out += '\n';
}

}  // namespace

void AppendCsvRow(std::string& out, const Reading& reading, SteadyTime origin) {
    AppendRow(
        out, reading.time, reading.steady - origin, [&] { AppendCsvField(out, reading.text); },
        [&] { out += reading.exact; }, reading.unit, reading.function);
}

void AppendCsvRow(std::string& out, const ReadingView& reading, SteadyTime origin) {
    AppendRow(
        out, reading.time, reading.steady - origin,
        [&] {
            if (reading.TextIsRebuilt()) {
                reading.AppendText(out);  // digits, sign, point and letters: never quoted
            } else {
                AppendCsvField(out, reading.Text());
            }
        },
        [&] { reading.AppendExact(out); }, reading.unit, reading.function);
}

bool CsvReader::Next(std::vector<std::string>& fields) {
    fields.clear();
    error_.clear();
    record_line_ = line_;
    std::streambuf* sb = in_.rdbuf();
    constexpr int kEof = std::char_traits<char>::eof();
    if (sb == nullptr) return false;
    int c = sb->sbumpc();
    if (c == kEof) return false;
    std::string field;
    for (;;) {
        if (c == '"') {
            // Quoted field: up to the closing quote; "" is one quote.
            for (;;) {
                c = sb->sbumpc();
                if (c == kEof) {
                    error_ = "a quoted field is not closed";
                    return false;
                }
                if (c == '"') {
                    if (sb->sgetc() != '"') break;
                    sb->sbumpc();
                }
                if (c == '\n') ++line_;
                field += static_cast<char>(c);
            }
            c = sb->sbumpc();
            if (c != ',' && c != '\n' && c != '\r' && c != kEof) {
                error_ = "characters after the closing quote of a field";
                return false;
            }
        } else {
            while (c != ',' && c != '\n' && c != '\r' && c != kEof) {
                if (c == '"') {
                    error_ = "a quote inside an unquoted field";
                    return false;
                }
                field += static_cast<char>(c);
                c = sb->sbumpc();
            }
        }
        fields.push_back(std::move(field));
        field.clear();
        if (c == ',') {
            c = sb->sbumpc();
            continue;
        }
        if (c == '\r') {
            if (sb->sgetc() != '\n') {
                error_ = "a carriage return outside quotes";
                return false;
            }
            c = sb->sbumpc();
        }
        if (c == '\n') ++line_;
        return true;  // end of line or end of input
    }
}

}  // namespace kt
