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
// A field in kB of a /proc file of the process, in MiB; -1 when missing.
inline double procMiB(pid_t pid, const char* file, const std::string& field) {
    std::ifstream in((pid ? "/proc/" + std::to_string(pid) : std::string("/proc/self")) + "/" +
                     file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + field.size(), nullptr, 10) / 1024.0;
    }
    return -1;
}

inline double residentMiB(pid_t pid = 0) {
    return procMiB(pid, "status", "VmRSS:");
}

// What the process alone holds and the kernel cannot take back without
// swap: its heap and other written pages. Resident pages of shared files
// (library code, fonts) are left out: the kernel drops them under pressure,
// and every other program using the same files shares them.
inline double privateDirtyMiB(pid_t pid = 0) {
    return procMiB(pid, "smaps_rollup", "Private_Dirty:");
}
