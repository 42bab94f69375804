// SortRows over a million rows, by the keys a user clicks most: md5 (to bring copies together)
// and the whole path. The rows look like a photo archive's: a few thousand folders under one
// root, names differing in case, a tenth of the files with a copy somewhere.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "filelist/list_context.h"

namespace {

using namespace vellum;

constexpr int kRows = 1'000'000;

const std::vector<FileEntry>& Rows() {
    static const std::vector<FileEntry> rows = [] {
        std::mt19937_64 rng(1);
        std::vector<FileEntry> out(kRows);
        char path[200];
        for (int i = 0; i < kRows; ++i) {
            FileEntry& e = out[static_cast<std::size_t>(i)];
            std::snprintf(path, sizeof path, "/home/someone/Pictures/Archive/%04d/%s_%06d.%s",
                          static_cast<int>(rng() % 3000), rng() % 2 ? "IMG" : "img",
                          static_cast<int>(rng() % 1'000'000), rng() % 2 ? "JPG" : "jpg");
            e.path.assign(path);
            e.size = static_cast<std::int64_t>(rng() % 8'000'000);
            e.status = EntryStatus::OKAY;
            const int source = rng() % 10 == 0 ? static_cast<int>(rng() % (i + 1)) : i;
            if (source != i) {
                e.md5 = out[static_cast<std::size_t>(source)].md5;
                e.size = out[static_cast<std::size_t>(source)].size;
            } else {
                for (auto& b : e.md5.bytes) b = static_cast<std::uint8_t>(rng());
            }
            e.crc32 = static_cast<std::uint32_t>(rng());
        }
        return out;
    }();
    return rows;
}

void Sort(benchmark::State& state, SortState sort) {
    auto ctx = std::make_unique<ListContext>();
    SetMaxFiles(*ctx, kRows + 1);
    SizeFileTable(*ctx);
    for (const FileEntry& e : Rows()) (void)AppendRow(*ctx, e);
    ctx->sort = sort;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kRows; ++i) ctx->table[i + 1] = Rows()[static_cast<std::size_t>(i)];
        state.ResumeTiming();
        SortRows(*ctx, 1, kRows);
    }
    state.counters["rows"] = kRows;
}

// As after clicking Filename and then md5 twice: md5 ascending, then the path descending.
void BM_SortRowsByMd5(benchmark::State& state) {
    Sort(state, SortState{.PrimaryColumn = kColumnMd5,
                          .SecondaryColumn = kColumnFilename,
                          .PrimaryDescending = false,
                          .SecondaryDescending = true});
}

// The whole path, case folded, with the size second.
void BM_SortRowsByFilename(benchmark::State& state) {
    Sort(state, SortState{.PrimaryColumn = kColumnFilename,
                          .SecondaryColumn = kColumnSize,
                          .PrimaryDescending = false,
                          .SecondaryDescending = true,
                          .FileNameOnly = false});
}

void BM_SortRowsByFileNameOnly(benchmark::State& state) {
    Sort(state, SortState{.PrimaryColumn = kColumnFilename,
                          .SecondaryColumn = kColumnMd5,
                          .PrimaryDescending = true,
                          .SecondaryDescending = true,
                          .FileNameOnly = true});
}

void BM_SortRowsBySize(benchmark::State& state) {
    Sort(state, SortState{.PrimaryColumn = kColumnSize,
                          .SecondaryColumn = kColumnFilename,
                          .PrimaryDescending = true,
                          .SecondaryDescending = true});
}

BENCHMARK(BM_SortRowsByMd5)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortRowsByFilename)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortRowsByFileNameOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortRowsBySize)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
