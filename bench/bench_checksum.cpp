// Throughput of the four folds over the 1 MiB blocks that the list pass reads, alone and together.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "checksum/crc16.h"
#include "checksum/crc32.h"
#include "checksum/md5.h"
#include "checksum/xsum.h"

namespace {

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

template <typename Value, Value (*Update)(Value, const std::uint8_t*, std::int32_t)>
void Fold(benchmark::State& state, Value start) {
    const std::uint8_t* block = Block();
    Value value = start;
    for (auto _ : state) {
        value = Update(value, block, kBlock);
        benchmark::DoNotOptimize(value);
    }
    state.SetBytesProcessed(state.iterations() * kBlock);
}

void BM_Crc16(benchmark::State& state) {
    Fold<std::uint16_t, vellum::Crc16Update>(state, 0xFFFF);
}
void BM_Crc16Reflected(benchmark::State& state) {
    Fold<std::uint16_t, vellum::Crc16ReflectedUpdate>(state, 0);
}
void BM_Crc32(benchmark::State& state) {
    Fold<std::uint32_t, vellum::Crc32Update>(state, 0xFFFFFFFF);
}
void BM_Xsum(benchmark::State& state) {
    Fold<std::uint16_t, vellum::XsumUpdate>(state, 0);
}

void BM_Md5(benchmark::State& state) {
    const std::uint8_t* block = Block();
    vellum::DigestState ctx;
    vellum::DigestStart(ctx);
    for (auto _ : state) {
        vellum::DigestAdd(ctx, block, kBlock);
        benchmark::DoNotOptimize(ctx);
    }
    state.SetBytesProcessed(state.iterations() * kBlock);
}

// The list pass's order for each block, with the default CRC variants.
void BM_AllFour(benchmark::State& state) {
    const std::uint8_t* block = Block();
    vellum::DigestState ctx;
    vellum::DigestStart(ctx);
    std::uint16_t crc16 = 0xFFFF;
    std::uint32_t crc32 = 0xFFFFFFFF;
    std::uint16_t xsum = 0;
    for (auto _ : state) {
        vellum::DigestAdd(ctx, block, kBlock);
        crc16 = vellum::Crc16Update(crc16, block, kBlock);
        crc32 = vellum::Crc32Update(crc32, block, kBlock);
        xsum = vellum::XsumUpdate(xsum, block, kBlock);
        benchmark::DoNotOptimize(ctx);
        benchmark::DoNotOptimize(crc16);
        benchmark::DoNotOptimize(crc32);
        benchmark::DoNotOptimize(xsum);
    }
    state.SetBytesProcessed(state.iterations() * kBlock);
}

BENCHMARK(BM_Md5);
BENCHMARK(BM_Crc16);
BENCHMARK(BM_Crc16Reflected);
BENCHMARK(BM_Crc32);
BENCHMARK(BM_Xsum);
BENCHMARK(BM_AllFour);

}  // namespace

BENCHMARK_MAIN();
