// A stand-in for the maker's version-check server, for the end-to-end test: answers every
// request on a free loopback port with the reply for the current version and logs the request
// line of each, until it is told to stop or its time is up.
//
//   version_server PORTFILE LOGFILE SECONDS
//
// The port is written to PORTFILE once the server listens (by rename, so a reader never sees
// half of it); each request line is appended to LOGFILE as it arrives.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

#include "tests/support/loopback_http.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void Stop(int) {
    stopRequested = 1;
}

bool WritePort(const std::string& path, int port) {
    const std::string scratch = path + ".part";
    {
        std::ofstream file(scratch);
        file << port << '\n';
        if (!file.flush()) return false;
    }
    return std::rename(scratch.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: version_server PORTFILE LOGFILE SECONDS\n");
        return 2;
    }
    const std::string log = argv[2];
    std::mutex logMutex;
    vellum::test::LoopbackHttpServer server(
        "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n_PROGRAM_Vellum_\r\n"
        "_LATEST VERSION_1.420_\r\n_NEWS_Served by the end-to-end test_\r\n",
        [&](const std::string& head) {
            const std::lock_guard lock(logMutex);
            std::ofstream(log, std::ios::app) << head.substr(0, head.find("\r\n")) << '\n';
        });
    std::signal(SIGTERM, Stop);
    std::signal(SIGINT, Stop);
    if (!WritePort(argv[1], server.port())) return 1;
    for (long tenths = std::strtol(argv[3], nullptr, 10) * 10; tenths > 0 && !stopRequested;
         --tenths)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return 0;
}
