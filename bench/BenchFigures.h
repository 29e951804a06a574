#pragma once

// Small helpers the benchmark programs share.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/types.h>
#include <vector>

// The middle of the figures (the mean of the two middle ones for an even
// count); not a number when there are none.
inline double median(std::vector<double> v) {
    if (v.empty())
        return NAN;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Resident memory (VmRSS) of a process in MiB, this process's when pid is 0;
// negative when it cannot be read.
inline double residentMiB(pid_t pid = 0) {
    std::ifstream in(pid ? "/proc/" + std::to_string(pid) + "/status" : "/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10) / 1024.0;
    }
    return -1;
}
