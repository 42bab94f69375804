#include "tests/support/run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace vellum::test {

RunResult RunProgram(const std::vector<std::string>& argv) {
    const char* build = std::getenv("VELLUM_BUILD_DIR");
    const std::string program = std::string(build ? build : ".") + "/" + argv.at(0);
    TempDir scratch;
    const std::string outPath = scratch / "out";
    const std::string errPath = scratch / "err";
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char*> args;
        args.push_back(const_cast<char*>(program.c_str()));
        for (std::size_t k = 1; k < argv.size(); ++k) args.push_back(const_cast<char*>(argv[k].c_str()));
        args.push_back(nullptr);
        execv(program.c_str(), args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadAll(outPath);
    r.err = ReadAll(errPath);
    return r;
}

}  // namespace vellum::test
