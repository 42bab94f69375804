// Throughput of every implementation of the four folds over the 1 MiB blocks that the list pass
// reads (and over 4 KiB, a small file's), and of the four together as the pass runs them: fused
// in one loop, or one routine after the other. Paths this processor cannot run are left out.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "checksum/fold_all.h"
#include "checksum/fold_paths.h"
#include "checksum/md5.h"

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

// All four at once, as the list pass folds each block, with the default CRC variants.
void AllFour(benchmark::State& state, paths::FoldAllFn* fold, std::int32_t length) {
    const std::uint8_t* block = Block();
    DigestState digest;
    DigestStart(digest);
    std::uint16_t crc16 = 0xFFFF;
    std::uint32_t crc32 = 0xFFFFFFFF;
    std::uint16_t xsum = 0;
    const RunningValues values{digest, crc16, crc32, xsum, false};
    for (auto _ : state) {
        fold(values, block, length);
        benchmark::DoNotOptimize(digest);
        benchmark::DoNotOptimize(crc16);
        benchmark::DoNotOptimize(crc32);
        benchmark::DoNotOptimize(xsum);
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
    RegisterPaths("AllFour", paths::FoldAllPaths(), AllFour);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
