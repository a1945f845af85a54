// kt46290-stats [--tau0 SECONDS] [--csv] [--adev] LOG.csv
#include <iostream>
#include <string>
#include <vector>

#include "tools/stats_report.h"

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return kt::RunStatsTool(args, std::cout, std::cerr);
}
