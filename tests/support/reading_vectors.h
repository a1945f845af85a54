// The reading texts of tests/vectors/readings.tsv, built into the test
// programs: what the display, the record and the simulator each make of a
// line, written once so that they cannot drift apart unnoticed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "vectors/readings_tsv.h"  // kReadingsTsv, made from the file by tests/CMakeLists.txt

namespace kt::test {

struct ReadingVector {
    std::string section;       // "counter" (the counter's own forms) or "other"
    std::string line;          // without its line feed
    std::string display;       // txtDisplay
    std::string annunciators;  // "M Hz", "m", "-" ...
    std::string value;         // exact decimal in the base unit, "-" for none
    std::string unit;          // "Hz", "s" or "-"

    bool HasValue() const { return value != "-"; }
    // The prefix letter shown on its label, or 0.
    char Prefix() const {
        const char c = annunciators.empty() ? 0 : annunciators[0];
        return c == 'M' || c == 'k' || c == 'm' || c == 'u' ? c : 0;
    }
    bool Hertz() const { return annunciators.find("Hz") != std::string::npos; }
};

inline std::string UnescapeVector(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char c = field[++i];
        out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    }
    return out;
}

// Every row; a row without its five fields fails the test that reads it.
inline std::vector<ReadingVector> ReadingVectors() {
    std::vector<ReadingVector> rows;
    std::string section;
    std::string_view text = kReadingsTsv;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view row = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (row.starts_with("## ")) {
            section = std::string(row.substr(3, row.find(':') - 3));
            continue;
        }
        if (row.empty() || row.starts_with('#')) continue;
        std::vector<std::string_view> fields;
        for (std::size_t start = 0;;) {
            const std::size_t tab = row.find('\t', start);
            fields.push_back(row.substr(start, tab - start));
            if (tab == std::string_view::npos) break;
            start = tab + 1;
        }
        if (fields.size() != 5) {
            ADD_FAILURE() << "readings.tsv line " << number << ": " << fields.size() << " fields, not 5";
            continue;
        }
        rows.push_back({section, UnescapeVector(fields[0]), UnescapeVector(fields[1]), std::string(fields[2]),
                        std::string(fields[3]), std::string(fields[4])});
    }
    return rows;
}

}  // namespace kt::test
