// What the fault tests share: running a piece of a test in a child that is killed when it
// overstays (so a hang fails the test instead of stopping the suite; built programs run so through
// tests/support/run.h), dropping to an unprivileged user, loading the read-fault shim, measuring
// peak memory, and writing down the figures that docs/reliability.md quotes.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/run.h"
#include "tests/support/temp_dir.h"

namespace vellum::test {

using namespace std::chrono_literals;

inline constexpr uid_t kNobody = 65534;

// Prints a figure and, when VELLUM_FIGURES names a file, appends it there as
// "name<TAB>value<TAB>unit" for tests/reliability/figures.sh.
inline void Figure(const std::string& name, double value, std::string_view unit) {
    std::printf("[ FIGURE   ] %s: %.1f %.*s\n", name.c_str(), value, static_cast<int>(unit.size()),
                unit.data());
    if (const char* file = std::getenv("VELLUM_FIGURES"); file != nullptr && *file != '\0') {
        std::ofstream out(file, std::ios::app);
        out << name << '\t' << value << '\t' << unit << '\n';
    }
}

struct ChildOutcome {
    bool hung = false;
    int exitCode = -1;   // -1 when killed by a signal
    std::string output;  // what the child's body returned
    double seconds = 0;
};

// Runs body in a forked child and hands back the text it returns. The child ends with _exit,
// so nothing of the test's own state is torn down twice.
inline ChildOutcome InChild(const std::function<std::string()>& body, Milliseconds limit) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        close(pipeFds[0]);
        std::string text;
        int code = 0;
        try {
            text = body();
        } catch (const std::exception& e) {
            text = std::string("exception: ") + e.what();
            code = 3;
        }
        for (std::string_view left = text; !left.empty();) {
            const ssize_t n = write(pipeFds[1], left.data(), left.size());
            if (n <= 0) break;
            left.remove_prefix(static_cast<std::size_t>(n));
        }
        _exit(code);
    }
    close(pipeFds[1]);
    ChildOutcome outcome;
    // Read while waiting, so that a child with much to say cannot fill the pipe and stall.
    const auto deadline = start + limit;
    char block[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<Milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd in{pipeFds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&in, 1, static_cast<int>(left.count())) != 1) break;
        const ssize_t n = read(pipeFds[0], block, sizeof block);
        if (n <= 0) break;
        outcome.output.append(block, static_cast<std::size_t>(n));
    }
    close(pipeFds[0]);
    const auto remaining =
        std::chrono::duration_cast<Milliseconds>(deadline - std::chrono::steady_clock::now());
    const int status = WaitOrKill(pid, std::max(remaining, Milliseconds(1)));
    outcome.seconds = SecondsSince(start);
    outcome.hung = status == -1;
    if (!outcome.hung && WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
    return outcome;
}

// For a forked child: become nobody, with no supplementary groups, for good.
inline void BecomeNobody() {
    if (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
        setresuid(kNobody, kNobody, kNobody) != 0)
        throw std::runtime_error("cannot drop privileges");
}

// Whether this process may drop to nobody at all (it must be root).
inline bool CanBecomeNobody() {
    return geteuid() == 0;
}

// The read-fault shim of tests/reliability.
inline std::string ShimPath() {
    return BuildDir() + "/tests/libvellum_readfault.so";
}

// The environment that loads the shim. An instrumented program wants its sanitizer runtime
// first; the shim only wraps calls, so that order does not matter here.
inline std::vector<std::string> ShimEnv(std::vector<std::string> settings) {
    settings.push_back("LD_PRELOAD=" + ShimPath());
    settings.push_back("ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0");
    return settings;
}

// A number from /proc/self/status ("VmRSS", "VmHWM"), in KiB.
inline long StatusKiB(std::string_view field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(std::string(field) + ":", 0) == 0)
            return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// How far the resident memory of this process rose above its level at the start while fn ran,
// in KiB: the peak mark is reset first (clear_refs 5), so only fn's peak counts.
inline long PeakGrowthKiB(const std::function<void()>& fn) {
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKiB("VmRSS");
    fn();
    return StatusKiB("VmHWM") - before;
}

}  // namespace vellum::test
