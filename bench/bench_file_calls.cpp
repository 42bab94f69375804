// The floor under a listing of many small files: the file layer's calls alone, as adding and the
// list pass make them, on two threads as they do, with nothing hashed, no row and no output.
// Adding takes each file's size (open, fstat, close); the pass makes sure the name is still a
// regular file, opens it in its folder, reads it, reads once more to find the end and closes it.
// bench/compare sets VELLUM_BENCH_TREE to its tree of 100,000 files of 1 to 8 KiB; without it a
// tree of 20,000 such files is made here.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/folder_tree.h"
#include "platform/files.h"

namespace {

using namespace vellum;

struct Folder {
    std::string path;
    std::vector<std::string> names;
};

std::vector<Folder> Walk(platform::FileSystem& fs, const std::string& root) {
    std::vector<Folder> folders;
    std::vector<std::string> open{root};
    while (!open.empty()) {
        std::string path = std::move(open.back());
        open.pop_back();
        for (std::string& sub : fs.ListSubfolders(path))
            open.push_back(platform::JoinPath(path, sub));
        folders.push_back({path, fs.ListFiles(path, "*")});
    }
    return folders;
}

const std::vector<Folder>& Tree() {
    static const auto made = [] {
        std::unique_ptr<bench::FolderTree> tree;
        std::string root;
        if (const char* given = std::getenv("VELLUM_BENCH_TREE"); given && *given) {
            root = given;
        } else {
            char name[] = "/tmp/vellum-bench-calls-XXXXXX";
            tree = std::make_unique<bench::FolderTree>(mkdtemp(name) ? name : "", 20000, [](int i) {
                return std::size_t{1024} + static_cast<std::size_t>(i) * 7919 % 7169;
            });
            root = tree->root();
        }
        return std::make_pair(std::move(tree), Walk(platform::RealFileSystem(), root));
    }();
    return made.second;
}

// Every other file to each thread, as the pass's helper and its own thread share a round's jobs.
template <typename PerFile>
void OnTwoThreads(const std::vector<Folder>& tree, PerFile perFile) {
    const auto run = [&](int thread) {
        std::size_t k = 0;
        for (std::size_t f = 0; f < tree.size(); ++f)
            for (const std::string& name : tree[f].names)
                if (k++ % 2 == static_cast<std::size_t>(thread)) perFile(thread, f, name);
    };
    std::thread other(run, 1);
    run(0);
    other.join();
}

std::size_t Files(const std::vector<Folder>& tree) {
    std::size_t files = 0;
    for (const Folder& folder : tree) files += folder.names.size();
    return files;
}

void BM_AddingCalls(benchmark::State& state) {
    platform::FileSystem& fs = platform::RealFileSystem();
    const auto& tree = Tree();
    for (auto _ : state)
        for (const Folder& folder : tree)
            benchmark::DoNotOptimize(fs.SizesOfFiles(folder.path, folder.names));
    state.counters["files"] = static_cast<double>(Files(tree));
}

void BM_PassCalls(benchmark::State& state) {
    platform::FileSystem& fs = platform::RealFileSystem();
    const auto& tree = Tree();
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::vector<char> buffers(2 * kBlock);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        std::vector<int> folders;
        for (const Folder& folder : tree) folders.push_back(fs.OpenFolder(folder.path));
        std::int64_t read[2] = {0, 0};
        OnTwoThreads(tree, [&](int thread, std::size_t f, const std::string& name) {
            const auto opened = fs.OpenIfFileIn(folders[f], platform::JoinPath(tree[f].path, name));
            if (opened.fd < 0) return;
            char* buffer = buffers.data() + static_cast<std::size_t>(thread) * kBlock;
            const std::int64_t got = fs.ReadSome(opened.fd, buffer, kBlock);
            if (got >= 0 && got < static_cast<std::int64_t>(kBlock))
                (void)fs.ReadSome(opened.fd, buffer + got, kBlock - static_cast<std::size_t>(got));
            (void)fs.Close(opened.fd);
            read[thread] += got;
        });
        for (const int at : folders) fs.CloseFolder(at);
        bytes += read[0] + read[1];
    }
    state.SetBytesProcessed(bytes);
    state.counters["files"] = static_cast<double>(Files(tree));
}

BENCHMARK(BM_AddingCalls)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PassCalls)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
