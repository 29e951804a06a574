#include "desktop/Support.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

double nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void row(const std::string& figure, const std::string& value, const std::string& goal,
         const std::string& baseline, const std::string& ratio, const std::string& verdict) {
    std::printf("ROW\t%s\t%s\t%s\t%s\t%s\t%s\n", figure.c_str(), value.c_str(), goal.c_str(),
                baseline.c_str(), ratio.c_str(), verdict.c_str());
    std::fflush(stdout);
}

std::string fmt(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

Child spawn(const std::vector<std::string>& argv, const std::string& log, bool pipeOut) {
    int fds[2] = {-1, -1};
    if (pipeOut && pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (logFd >= 0) {
            dup2(logFd, STDERR_FILENO);
            if (!pipeOut)
                dup2(logFd, STDOUT_FILENO);
        }
        if (pipeOut) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
        }
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pipeOut)
        close(fds[1]);
    return {pid, pipeOut ? fds[0] : -1};
}

bool runToEnd(const std::vector<std::string>& argv, const std::string& log) {
    const Child child = spawn(argv, log);
    int status = 0;
    return child.pid > 0 && waitpid(child.pid, &status, 0) == child.pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void stop(pid_t pid, int signal) {
    if (pid <= 0)
        return;
    kill(pid, signal);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        usleep(50000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// A line of the child's output starting with `prefix`, or "" after `timeoutMs`.
std::string readLine(int fd, const std::string& prefix, double timeoutMs) {
    static std::string buffer;
    const double deadline = nowMs() + timeoutMs;
    for (;;) {
        std::size_t newline;
        while ((newline = buffer.find('\n')) != std::string::npos) {
            const std::string line = buffer.substr(0, newline);
            buffer.erase(0, newline + 1);
            if (line.rfind(prefix, 0) == 0)
                return line.substr(prefix.size());
        }
        const double left = deadline - nowMs();
        if (left <= 0)
            return {};
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(left) + 1) <= 0)
            continue;
        char chunk[512];
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n <= 0)
            return {};
        buffer.append(chunk, std::size_t(n));
    }
}

long statusField(pid_t pid, const std::string& key, const std::string& task) {
    std::ifstream in(task.empty() ? "/proc/" + std::to_string(pid) + "/status" : task + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key + ":", 0) == 0)
            return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
    }
    return -1;
}

// CPU time in clock ticks, user plus system, of every thread.
long cpuTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t close = all.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream rest(all.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    // Fields 3 to 13 precede utime (14) and stime (15).
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15)
            stime = std::stol(field);
    }
    return utime + stime;
}

// Voluntary plus involuntary context switches, by thread: each one is a
// wake-up of that thread.
std::map<std::string, long> wakeUps(pid_t pid) {
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    std::map<std::string, long> byThread;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d)) {
            if (entry->d_name[0] == '.')
                continue;
            const std::string task = dir + "/" + entry->d_name;
            byThread[entry->d_name] = statusField(0, "voluntary_ctxt_switches", task) +
                                      statusField(0, "nonvoluntary_ctxt_switches", task);
        }
        closedir(d);
    }
    return byThread;
}

// Wake-ups between two samples; a thread that started or ended in between
// counts with all of its own.
long wakeUpsBetween(const std::map<std::string, long>& before,
                    const std::map<std::string, long>& after) {
    long total = 0;
    for (const auto& [tid, count] : after) {
        const auto it = before.find(tid);
        total += it == before.end() ? count : count - it->second;
    }
    for (const auto& [tid, count] : before)
        total += after.count(tid) ? 0 : 1; // it woke at least to end
    return total;
}

int threadCount(pid_t pid) {
    return int(statusField(pid, "Threads"));
}
