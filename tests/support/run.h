// Runs a program of the build and collects what it wrote and how it ended.
#pragma once

#include <string>
#include <vector>

namespace vellum::test {

struct RunResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// argv[0] names a program in the build directory (VELLUM_BUILD_DIR).
RunResult RunProgram(const std::vector<std::string>& argv);

}  // namespace vellum::test
