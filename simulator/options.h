// Command line of kt46290-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "instrument.h"

namespace ktsim {

struct Options {
    Config config;
    std::string device;  // empty: open a pseudo-terminal
    int deviceBaud = 9600;
    bool verbose = false;
    bool help = false;
};

// Parses the arguments after the program name. On a mistake returns nullopt
// and puts a one-line reason in *error.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string* error);

std::string UsageText();

}  // namespace ktsim
