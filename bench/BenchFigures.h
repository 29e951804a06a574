#pragma once

// Small helpers the benchmark programs share.

#include <algorithm>
#include <cmath>
#include <cstdio>
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

// A field in kB of a /proc file of a process, this process's when pid is 0,
// in MiB; -1 when missing.
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

// Resident memory (VmRSS) of a process in MiB; negative when it cannot be read.
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

// The end of a shake-latency bench: each delay, then the end table's row,
// `figure` followed by the count. With a goal (ms, 0 for none) the median is
// held to it; every shake must have given a delay either way. `x11` is the
// same run's X11 figure, shown beside this one.
inline void reportShakes(const char* delaysOf, const char* figure,
                         const std::vector<double>& delays, int shakes, int early, int missing,
                         double goalMs, const std::string& x11) {
    std::printf("%s, ms:", delaysOf);
    for (const double d : delays)
        std::printf(" %.1f", d);
    std::printf("  (shown before the last movement: %d, shelves not seen: %d)\n", early, missing);
    const double m = median(delays);
    char value[32], goal[32] = "";
    std::snprintf(value, sizeof value, "%.1f ms", m);
    if (goalMs > 0)
        std::snprintf(goal, sizeof goal, "≤ %.0f ms", goalMs);
    const bool complete = !delays.empty() && int(delays.size()) == shakes;
    const char* verdict =
        goalMs > 0 ? (complete && m <= goalMs ? "met" : "missed") : (complete ? "" : "missed");
    std::printf("ROW\t%s%zu\t%s\t%s\t%s%s\t\t%s\n", figure, delays.size(),
                delays.empty() ? "not measured" : value, goal,
                x11.empty() ? "" : "X11 shake latency: ", x11.c_str(), verdict);
    std::fflush(stdout);
}
