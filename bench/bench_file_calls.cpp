// The floor under a listing of many small files: the file layer's calls alone, as adding and the
// list pass make them, on two threads as they do, with nothing hashed, no row and no output.
// Adding takes each file's size (open, fstat, close); the pass makes sure the name is still a
// regular file, opens it in its folder, reads it (once more only when the read stopped short of
// the size the open saw) and closes it.
// Where liburing was found, the same calls are made again through io_uring, in batches of a
// folder's files, to show what batching them would buy: the adding's opens in one submission and
// their fstat and close in another; the pass's type tests in one and, for the regular files,
// each open, read and close as one linked chain on a registered descriptor.
// bench/compare sets VELLUM_BENCH_TREE to its tree of 100,000 files of 1 to 8 KiB; without it a
// tree of 20,000 such files is made here.
#include <benchmark/benchmark.h>
#include <fcntl.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "bench/folder_tree.h"
#include "platform/files.h"

#ifdef VELLUM_BENCH_URING
#include <liburing.h>
#endif

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

// Each thread's share of every folder's names: every other file, as the pass's helper and its
// own thread share a round's jobs.
using Share = std::vector<std::vector<const std::string*>>;

std::array<Share, 2> SplitInTwo(const std::vector<Folder>& tree) {
    std::array<Share, 2> shares{Share(tree.size()), Share(tree.size())};
    std::size_t k = 0;
    for (std::size_t f = 0; f < tree.size(); ++f)
        for (const std::string& name : tree[f].names) shares[k++ % 2][f].push_back(&name);
    return shares;
}

template <typename PerFile>
void OnTwoThreads(const std::vector<Folder>& tree, const std::array<Share, 2>& shares,
                  PerFile perFile) {
    const auto run = [&](int thread) {
        const Share& share = shares[static_cast<std::size_t>(thread)];
        for (std::size_t f = 0; f < tree.size(); ++f)
            for (const std::string* name : share[f]) perFile(thread, f, *name);
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
    const auto shares = SplitInTwo(tree);
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::vector<char> buffers(2 * kBlock);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        std::vector<int> folders;
        for (const Folder& folder : tree) folders.push_back(fs.OpenFolder(folder.path));
        std::int64_t read[2] = {0, 0};
        OnTwoThreads(tree, shares, [&](int thread, std::size_t f, const std::string& name) {
            const auto opened = fs.OpenIfFileIn(folders[f], platform::JoinPath(tree[f].path, name));
            if (opened.fd < 0) return;
            char* buffer = buffers.data() + static_cast<std::size_t>(thread) * kBlock;
            const std::int64_t got = fs.ReadSome(opened.fd, buffer, kBlock);
            if (got >= 0 && got < std::min<std::int64_t>(opened.size, kBlock))
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

#ifdef VELLUM_BENCH_URING

constexpr unsigned kBatch = 64;  // files a submission carries
constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY;

// A ring, or the reason there is none (a container may forbid io_uring).
struct Ring {
    io_uring ring{};
    int error = 0;
    explicit Ring(unsigned entries, unsigned registered = 0) {
        error = io_uring_queue_init(entries, &ring, 0);
        if (error == 0 && registered != 0)
            error = io_uring_register_files_sparse(&ring, registered);
    }
    ~Ring() {
        if (error == 0) io_uring_queue_exit(&ring);
    }
    Ring(const Ring&) = delete;
    Ring& operator=(const Ring&) = delete;
    // One request, prepared by prepare(sqe); its tag and flags are set after, since the
    // preparation clears them.
    template <typename Prepare>
    void Add(std::uint64_t tag, unsigned char flags, Prepare prepare) {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        prepare(sqe);
        io_uring_sqe_set_data64(sqe, tag);
        io_uring_sqe_set_flags(sqe, flags);
    }
    // Submits what was prepared and hands each of the count completions to seen(tag, result).
    template <typename Seen>
    void Complete(unsigned count, Seen seen) {
        io_uring_submit_and_wait(&ring, count);
        for (unsigned done = 0; done < count;) {
            io_uring_cqe* cqe = nullptr;
            if (io_uring_wait_cqe(&ring, &cqe) != 0) return;
            seen(io_uring_cqe_get_data64(cqe), cqe->res);
            io_uring_cqe_seen(&ring, cqe);
            ++done;
        }
    }
};

// Runs perBatch(ring, folder handle, names, thread) on two threads, each with a ring of its own,
// over its share of each folder in batches; false where io_uring is not to be had.
template <typename PerBatch>
bool BatchedOnTwoThreads(const std::vector<Folder>& tree, const std::array<Share, 2>& shares,
                         unsigned registered, PerBatch perBatch) {
    std::atomic<bool> available = true;
    const auto run = [&](int thread) {
        Ring ring(4 * kBatch, registered);
        if (ring.error != 0) {
            available = false;
            return;
        }
        for (std::size_t f = 0; f < tree.size(); ++f) {
            const auto& names = shares[static_cast<std::size_t>(thread)][f];
            const int at = ::open(tree[f].path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            for (std::size_t from = 0; from < names.size(); from += kBatch) {
                const std::size_t n = std::min<std::size_t>(kBatch, names.size() - from);
                perBatch(ring, at, std::span(names).subspan(from, n), thread);
            }
            ::close(at);
        }
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    return available;
}

// Adding's three calls for a file: the opens of a batch, then each fstat linked to its close.
void BM_AddingCallsUring(benchmark::State& state) {
    const auto& tree = Tree();
    const auto shares = SplitInTwo(tree);
    for (auto _ : state) {
        std::atomic<std::int64_t> total = 0;
        const bool ran = BatchedOnTwoThreads(
            tree, shares, 0,
            [&](Ring& ring, int at, std::span<const std::string* const> names, int) {
                std::array<int, kBatch> fds{};
                std::array<struct statx, kBatch> stats{};
                for (std::size_t k = 0; k < names.size(); ++k)
                    ring.Add(k, 0, [&](io_uring_sqe* sqe) {
                        io_uring_prep_openat(sqe, at, names[k]->c_str(), kOpenFlags | O_CLOEXEC, 0);
                    });
                ring.Complete(static_cast<unsigned>(names.size()),
                              [&](std::uint64_t k, int res) { fds[k] = res; });
                unsigned wanted = 0;
                for (std::size_t k = 0; k < names.size(); ++k) {
                    if (fds[k] < 0) continue;
                    ring.Add(k, IOSQE_IO_HARDLINK, [&](io_uring_sqe* sqe) {
                        io_uring_prep_statx(sqe, fds[k], "", AT_EMPTY_PATH, STATX_TYPE | STATX_SIZE,
                                            &stats[k]);
                    });
                    ring.Add(kBatch, 0,
                             [&](io_uring_sqe* sqe) { io_uring_prep_close(sqe, fds[k]); });
                    wanted += 2;
                }
                ring.Complete(wanted, [&](std::uint64_t k, int res) {
                    if (k < kBatch && res == 0)
                        total += static_cast<std::int64_t>(stats[k].stx_size);
                });
            });
        if (!ran) return state.SkipWithError("io_uring is not available here");
        benchmark::DoNotOptimize(total.load());
    }
    state.counters["files"] = static_cast<double>(Files(tree));
}

// The pass's calls for a file: the type tests of a batch, then for each regular file its open
// into a registered slot, a read and the close, linked so that one submission carries them all.
// It leaves out the fstat that the pass makes after its open (a registered descriptor has no
// statx), so it shows the ring at its best. (A file longer than the buffer would need further
// reads; the tree's files are not.)
void BM_PassCallsUring(benchmark::State& state) {
    constexpr std::size_t kFileBuffer = 8192;
    const auto& tree = Tree();
    const auto shares = SplitInTwo(tree);
    std::vector<char> buffers(2 * kBatch * kFileBuffer);
    std::int64_t bytes = 0;
    for (auto _ : state) {
        std::atomic<std::int64_t> read = 0;
        const bool ran = BatchedOnTwoThreads(
            tree, shares, kBatch,
            [&](Ring& ring, int at, std::span<const std::string* const> names, int thread) {
                char* const buffer =
                    buffers.data() + static_cast<std::size_t>(thread) * kBatch * kFileBuffer;
                std::array<struct statx, kBatch> stats{};
                for (std::size_t j = 0; j < names.size(); ++j)
                    ring.Add(j, 0, [&](io_uring_sqe* sqe) {
                        io_uring_prep_statx(sqe, at, names[j]->c_str(), 0, STATX_TYPE | STATX_SIZE,
                                            &stats[j]);
                    });
                ring.Complete(static_cast<unsigned>(names.size()), [](std::uint64_t, int) {});
                unsigned wanted = 0;
                for (std::size_t j = 0; j < names.size(); ++j) {
                    if (!S_ISREG(stats[j].stx_mode)) continue;
                    const auto slot = static_cast<unsigned>(j);
                    ring.Add(kBatch, IOSQE_IO_LINK, [&](io_uring_sqe* sqe) {
                        io_uring_prep_openat_direct(sqe, at, names[j]->c_str(), kOpenFlags, 0,
                                                    slot);
                    });
                    // Hard-linked: a short read (every read of a small file) must not cancel
                    // the close.
                    ring.Add(j, IOSQE_FIXED_FILE | IOSQE_IO_HARDLINK, [&](io_uring_sqe* sqe) {
                        io_uring_prep_read(sqe, static_cast<int>(slot), buffer + j * kFileBuffer,
                                           kFileBuffer, 0);
                    });
                    ring.Add(kBatch, 0,
                             [&](io_uring_sqe* sqe) { io_uring_prep_close_direct(sqe, slot); });
                    wanted += 3;
                }
                ring.Complete(wanted, [&](std::uint64_t tag, int res) {
                    if (tag < kBatch && res > 0) read += res;
                });
            });
        if (!ran) return state.SkipWithError("io_uring is not available here");
        bytes += read;
    }
    state.SetBytesProcessed(bytes);
    state.counters["files"] = static_cast<double>(Files(tree));
}

BENCHMARK(BM_AddingCallsUring)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PassCallsUring)->Unit(benchmark::kMillisecond)->UseRealTime();

#endif

}  // namespace

BENCHMARK_MAIN();
