// Throughput of every implementation of the four folds over the 1 MiB blocks that the list pass
// reads (and over 4 KiB, a small file's), and of the four together as the pass runs them: fused
// in one loop, or one routine after the other. Then MD5 over many messages at once, on every
// lanes kernel: with 1 to all groups busy, over files of 1 to 8 KiB refilled as they end, and
// over 16 files of 64 MiB. Paths this processor cannot run are left out.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "checksum/fold_paths.h"
#include "checksum/md5.h"
#include "checksum/md5_lane_kernels.h"
#include "checksum/md5_lanes.h"

namespace {

using namespace vellum;

constexpr std::int32_t kBlock = 1 << 20;

const std::uint8_t* Block() {
    static const std::vector<std::uint8_t> block = [] {
        std::mt19937 rng(42);
        std::vector<std::uint8_t> bytes(kBlock);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
        return bytes;
    }();
    return block.data();
}

void Bytes(benchmark::State& state, std::int64_t perIteration) {
    state.SetBytesProcessed(state.iterations() * perIteration);
}

template <typename Value>
void Fold(benchmark::State& state, Value (*update)(Value, const std::uint8_t*, std::int32_t),
          Value start, std::int32_t length) {
    const std::uint8_t* block = Block();
    Value value = start;
    for (auto _ : state) {
        value = update(value, block, length);
        benchmark::DoNotOptimize(value);
    }
    Bytes(state, length);
}

void Md5(benchmark::State& state, paths::Md5BlocksFn* transform, std::int32_t length) {
    const std::uint8_t* block = Block();
    DigestState ctx;
    DigestStart(ctx);
    for (auto _ : state) {
        paths::DigestAddWith(transform, ctx, block, length);
        benchmark::DoNotOptimize(ctx);
    }
    Bytes(state, length);
}

// Whole blocks, and the 4 KiB of a typical small file, where the setup of each path shows.
template <typename Fn, typename Run>
void RegisterPaths(const std::string& routine, std::span<const paths::Path<Fn>> all, Run run) {
    for (const auto& path : all) {
        if (!paths::Runs(path)) continue;
        for (const std::int32_t length : {kBlock, 4096}) {
            const std::string name =
                routine + "/" + std::string(path.name) + "/" + (length == kBlock ? "1MiB" : "4KiB");
            benchmark::RegisterBenchmark(
                name.c_str(), [fn = path.fn, length, run](auto& s) { run(s, fn, length); });
        }
    }
}

// n lanes fed 1 MiB chunks of the same block without end: the kernel and its manager, in cache.
void LanesBusy(benchmark::State& state, const paths::Md5LanesKernel* kernel, int n) {
    Md5Lanes lanes(*kernel);
    for (int l = 0; l < n; ++l) {
        lanes.Start(l);
        lanes.Add(l, Block(), kBlock);
    }
    std::int64_t bytes = 0;
    for (auto _ : state) {
        for (LaneMask stopped = lanes.Run(); stopped != 0; stopped &= stopped - 1) {
            lanes.Add(std::countr_zero(stopped), Block(), kBlock);
            bytes += kBlock;
        }
    }
    state.SetBytesProcessed(bytes);
}

// Whole messages, each in a buffer of its own with the slack for its padding.
struct Files {
    std::vector<std::unique_ptr<std::uint8_t[]>> buffers;
    std::vector<std::size_t> sizes;
};

const Files& SmallFiles() {
    static const Files files = [] {
        Files f;
        std::mt19937 rng(7);
        for (int i = 0; i < 2048; ++i) {
            const std::size_t size = 1024 + rng() % (7 * 1024 + 1);
            f.buffers.push_back(std::make_unique<std::uint8_t[]>(size + Md5Lanes::kSlack));
            for (std::size_t j = 0; j < size; ++j)
                f.buffers.back()[j] = static_cast<std::uint8_t>(rng());
            f.sizes.push_back(size);
        }
        return f;
    }();
    return files;
}

// Files of 1 to 8 KiB, each given whole with slack, every lane refilled as soon as its file ends.
void LanesSmallFiles(benchmark::State& state, const paths::Md5LanesKernel* kernel, int) {
    const Files& files = SmallFiles();
    Md5Lanes lanes(*kernel);
    std::size_t next = 0;
    std::int64_t bytes = 0;
    const auto startFile = [&](int lane) {
        const std::size_t i = next++ % files.sizes.size();
        lanes.Start(lane);
        lanes.AddLast(lane, files.buffers[i].get(), files.sizes[i],
                      files.sizes[i] + Md5Lanes::kSlack);
        bytes += static_cast<std::int64_t>(files.sizes[i]);
    };
    for (int l = 0; l < lanes.Lanes(); ++l) startFile(l);
    for (auto _ : state) {
        for (LaneMask stopped = lanes.Run(); stopped != 0; stopped &= stopped - 1) {
            const int lane = std::countr_zero(stopped);
            benchmark::DoNotOptimize(lanes.Take(lane));
            startFile(lane);
        }
    }
    state.SetBytesProcessed(bytes);
}

// 16 files of 64 MiB, read in 1 MiB chunks, the last one padded in place: 1 GiB out of cache.
// A kernel with fewer lanes takes the files in turn.
constexpr int kLargeFiles = 16;
constexpr std::size_t kLargeFile = std::size_t{64} << 20;

std::uint8_t* LargeFile(int file) {
    constexpr std::size_t kStride = kLargeFile + Md5Lanes::kSlack;
    static const std::unique_ptr<std::uint8_t[]> data = [] {
        auto d = std::make_unique<std::uint8_t[]>(kLargeFiles * kStride);
        std::uint64_t x = 88172645463325252u;
        for (std::size_t i = 0; i < kLargeFiles * kStride; ++i) {
            x ^= x << 13, x ^= x >> 7, x ^= x << 17;
            d[i] = static_cast<std::uint8_t>(x);
        }
        return d;
    }();
    return data.get() + file * kStride;
}

void LanesLargeFiles(benchmark::State& state, const paths::Md5LanesKernel* kernel, int) {
    LargeFile(0);  // made before the clock starts
    Md5Lanes lanes(*kernel);
    std::vector<int> fileOf(lanes.Lanes());
    std::vector<std::size_t> at(lanes.Lanes());
    int next = 0;
    const auto feed = [&](int l) {
        std::uint8_t* file = LargeFile(fileOf[l]) + at[l];
        const std::size_t chunk = std::min<std::size_t>(kBlock, kLargeFile - at[l]);
        at[l] += chunk;
        if (at[l] < kLargeFile)
            lanes.Add(l, file, chunk);
        else
            lanes.AddLast(l, file, chunk, chunk + Md5Lanes::kSlack);
    };
    const auto start = [&](int l) {
        if (next == kLargeFiles) return;
        lanes.Start(l);
        fileOf[l] = next++;
        at[l] = 0;
        feed(l);
    };
    for (auto _ : state) {
        next = 0;
        for (int l = 0; l < lanes.Lanes(); ++l) start(l);
        while (lanes.Busy() > 0) {
            for (LaneMask stopped = lanes.Run(); stopped != 0; stopped &= stopped - 1) {
                const int lane = std::countr_zero(stopped);
                if (lanes.State(lane) != Md5Lanes::Lane::Done) {
                    feed(lane);
                    continue;
                }
                benchmark::DoNotOptimize(lanes.Take(lane));
                start(lane);
            }
        }
    }
    Bytes(state, kLargeFiles * static_cast<std::int64_t>(kLargeFile));
}

void RegisterLanes() {
    for (const auto& path : paths::Md5LanesPaths()) {
        if (!paths::Runs(path)) continue;
        const std::string name(path.name);
        const auto add = [&](const std::string& what, auto run, int n) {
            benchmark::RegisterBenchmark((what + "/" + name).c_str(),
                                         [k = path.fn, run, n](auto& s) { run(s, k, n); });
        };
        const int width = path.fn->width;
        for (int n : {1, 2, 3, 4})
            if (n < width) add("Md5Lanes/" + std::to_string(n) + "busy", LanesBusy, n);
        for (int g = 1; g <= path.fn->groups; ++g)
            add("Md5Lanes/" + std::to_string(g * width) + "busy", LanesBusy, g * width);
        add("Md5Lanes/1to8KiB", LanesSmallFiles, 0);
        add("Md5Lanes/16x64MiB", LanesLargeFiles, 0);
    }
}

void RegisterAll() {
    const auto crc16 = [](benchmark::State& s, paths::Crc16Fn* fn, std::int32_t n) {
        Fold<std::uint16_t>(s, fn, 0xFFFF, n);
    };
    const auto crc32 = [](benchmark::State& s, paths::Crc32Fn* fn, std::int32_t n) {
        Fold<std::uint32_t>(s, fn, 0xFFFFFFFF, n);
    };
    const auto xsum = [](benchmark::State& s, paths::XsumFn* fn, std::int32_t n) {
        Fold<std::uint16_t>(s, fn, 0, n);
    };
    RegisterPaths("Md5", paths::Md5Paths(), Md5);
    RegisterPaths("Crc16", paths::Crc16Paths(), crc16);
    RegisterPaths("Crc16Reflected", paths::Crc16ReflectedPaths(), crc16);
    RegisterPaths("Crc32", paths::Crc32Paths(), crc32);
    RegisterPaths("Xsum", paths::XsumPaths(), xsum);
    RegisterLanes();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
