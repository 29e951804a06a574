#pragma once

// What the desktop benchmark's steps share: a clock, the table's rows, child
// processes and what /proc says about them.

#include <csignal>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

double nowMs();

void row(const std::string& figure, const std::string& value, const std::string& goal,
         const std::string& baseline, const std::string& ratio, const std::string& verdict);

std::string fmt(const char* format, double value);

struct Child {
    pid_t pid = -1;
    int out = -1; // its standard output when asked for
};

Child spawn(const std::vector<std::string>& argv, const std::string& log, bool pipeOut = false);
bool runToEnd(const std::vector<std::string>& argv, const std::string& log);
void stop(pid_t pid, int signal = SIGTERM);
// A line of the child's output starting with `prefix`, or "" after `timeoutMs`.
std::string readLine(int fd, const std::string& prefix, double timeoutMs);
long statusField(pid_t pid, const std::string& key, const std::string& task = {});
// CPU time in clock ticks, user plus system, of every thread.
long cpuTicks(pid_t pid);
// Voluntary plus involuntary context switches, by thread: each one is a
// wake-up of that thread.
std::map<std::string, long> wakeUps(pid_t pid);
// Wake-ups between two samples; a thread that started or ended in between
// counts with all of its own.
long wakeUpsBetween(const std::map<std::string, long>& before,
                    const std::map<std::string, long>& after);
int threadCount(pid_t pid);
