// The further digests in the list pass, over 16 files of 64 MiB in the page cache: the window's
// pass with the four values alone and with SHA-256 (or every digest) shown beside them, and the
// command line's passes that calculate one digest and nothing else. Bytes per second: the
// window's goal is the pass with SHA-256 shown at no more than 1.3 times the time without.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "filelist/list_context.h"
#include "pass/list_pass.h"

namespace {

using namespace vellum;

constexpr int kFiles = 16;
constexpr std::size_t kFileBytes = std::size_t{64} << 20;

// The files, made once, read once so that they stand in the page cache, and removed at exit.
class LargeFiles {
  public:
    LargeFiles() {
        char name[] = "/tmp/vellum-bench-digests-XXXXXX";
        if (mkdtemp(name) == nullptr) return;
        root_ = name;
        std::mt19937_64 rng(20261209);
        std::vector<std::uint64_t> block(kFileBytes / 8);
        for (int i = 0; i < kFiles; ++i) {
            for (auto& word : block) word = rng();
            const std::string path = root_ + "/f" + std::to_string(i);
            std::FILE* f = std::fopen(path.c_str(), "wb");
            if (f == nullptr) continue;
            std::fwrite(block.data(), 1, kFileBytes, f);
            std::fclose(f);
            paths_.push_back(path);
        }
    }
    ~LargeFiles() {
        std::error_code ec;
        if (!root_.empty()) std::filesystem::remove_all(root_, ec);
    }
    [[nodiscard]] const std::vector<std::string>& paths() const { return paths_; }

  private:
    std::string root_;
    std::vector<std::string> paths_;
};

const LargeFiles& Files() {
    static const LargeFiles files;
    return files;
}

void PassOver(benchmark::State& state, ValueSet wanted) {
    const auto& paths = Files().paths();
    for (auto _ : state) {
        ListContext ctx;
        ctx.calculate = wanted;
        ListPass pass(ctx);
        for (const std::string& path : paths) {
            FileEntry row;
            row.path.assign(path);
            row.status = EntryStatus::WAITING;
            (void)AppendRow(ctx, row);
        }
        ctx.RunPass();
        benchmark::DoNotOptimize(ctx.table[1].md5);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(paths.size()) *
                            static_cast<std::int64_t>(kFileBytes));
}

void BM_WindowFourValues(benchmark::State& state) {
    PassOver(state, kFourValues);
}
void BM_WindowWithSha256(benchmark::State& state) {
    PassOver(state, {kHeldAll, MaskOf(DigestKind::Sha256)});
}
void BM_WindowWithEveryDigest(benchmark::State& state) {
    PassOver(state, {kHeldAll, kAllDigests});
}
void BM_OnlySha256(benchmark::State& state) {
    PassOver(state, {0, MaskOf(DigestKind::Sha256)});
}
void BM_OnlySha512(benchmark::State& state) {
    PassOver(state, {0, MaskOf(DigestKind::Sha512)});
}
void BM_OnlyBlake2b(benchmark::State& state) {
    PassOver(state, {0, MaskOf(DigestKind::Blake2b)});
}

BENCHMARK(BM_WindowFourValues)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowWithSha256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WindowWithEveryDigest)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OnlySha256)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OnlySha512)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OnlyBlake2b)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
