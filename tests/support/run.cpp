#include "tests/support/run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace vellum::test {
namespace {

// In the forked child: output to the files, input from /dev/null, then the program.
[[noreturn]] void Exec(const std::string& program, const RunRequest& request,
                       const std::string& outPath, const std::string& errPath) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int none = open("/dev/null", O_RDONLY);
    dup2(none, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (!request.cwd.empty() && chdir(request.cwd.c_str()) != 0) _exit(126);
    for (const std::string& e : request.env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    args.push_back(const_cast<char*>(program.c_str()));
    for (std::size_t k = 1; k < request.argv.size(); ++k)
        args.push_back(const_cast<char*>(request.argv[k].c_str()));
    args.push_back(nullptr);
    execv(program.c_str(), args.data());
    _exit(127);
}

}  // namespace

std::string BuildDir() {
    const char* build = std::getenv("VELLUM_BUILD_DIR");
    return build != nullptr ? build : ".";
}

int WaitOrKill(pid_t pid, Milliseconds limit, rusage* usage) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, usage);
        if (done == pid) return status;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, usage);
            return -1;
        }
        usleep(2000);
    }
}

ProgramRun RunBounded(const RunRequest& request) {
    const std::string& first = request.argv.at(0);
    const std::string program =
        first.find('/') == std::string::npos ? BuildDir() + "/" + first : first;
    TempDir scratch;
    const std::string outPath = scratch / "out", errPath = scratch / "err";
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) Exec(program, request, outPath, errPath);
    rusage usage{};
    const int status = WaitOrKill(pid, request.limit, &usage);
    ProgramRun run;
    run.seconds = SecondsSince(start);
    run.hung = status == -1;
    run.exitCode = !run.hung && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.maxRssKiB = usage.ru_maxrss;
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
}

}  // namespace vellum::test
