// Runs a program (one of the build, or any other) with its output in files, and kills it when it
// overstays its limit, so that a hang fails its test instead of stopping the suite.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace vellum::test {

using Milliseconds = std::chrono::milliseconds;

struct ProgramRun {
    bool hung = false;
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
    double seconds = 0;
    long maxRssKiB = 0;
};

struct RunRequest {
    std::vector<std::string> argv;  // argv[0]: a path, or a program of the build directory
    std::vector<std::string> env;   // NAME=value, added to this process's environment
    std::string cwd;
    Milliseconds limit = std::chrono::seconds(60);
};

[[nodiscard]] inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The build directory (VELLUM_BUILD_DIR), or "." when none is named.
[[nodiscard]] std::string BuildDir();

// Waits for pid until limit; kills it then. Returns the wait status, or -1 when it was killed
// for overstaying.
int WaitOrKill(pid_t pid, Milliseconds limit, rusage* usage = nullptr);

// Its input is /dev/null.
ProgramRun RunBounded(const RunRequest& request);

// A program of the build directory with its arguments, as RunBounded runs it.
inline ProgramRun RunProgram(const std::vector<std::string>& argv) {
    RunRequest request;
    request.argv = argv;
    return RunBounded(request);
}

}  // namespace vellum::test
