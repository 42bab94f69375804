// Costs that must grow in step with the list, at N = 50,000 and 100,000 files: adding a tree,
// adding it again (every file already listed), the pass that calculates it, a pass with nothing
// left to read (the totals), sorting by path, and flagging and removing every row. Each reports
// files per second, which stays the same from N to 2N where the cost is linear.
#include <benchmark/benchmark.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/folder_tree.h"
#include "filelist/adding.h"
#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "pass/list_pass.h"

namespace {

using namespace vellum;

// N files of about 1 KiB, 100 to a folder, made once per N and removed when the program ends.
class Tree : public bench::FolderTree {
  public:
    explicit Tree(int files)
        : FolderTree(MadeFolder(), files,
                     [](int i) { return std::size_t{1024} - static_cast<std::size_t>(i % 7); }) {}

  private:
    static std::string MadeFolder() {
        char name[] = "/tmp/vellum-bench-scale-XXXXXX";
        return mkdtemp(name) ? name : "";
    }
};

const Tree& TreeOf(int files) {
    static std::map<int, std::unique_ptr<Tree>> trees;
    auto& tree = trees[files];
    if (!tree) tree = std::make_unique<Tree>(files);
    return *tree;
}

// A list as vellum-cli builds it, with the pass attached.
struct List {
    ListContext ctx;
    ListPass pass{ctx};
    void Add(const std::string& root) {
        AddingScope scope(ctx);
        AddProgress silent;
        AddCounters counters;
        ScanFolder(ctx, root, "*", counters, silent);
    }
};

enum class Stage { Add, AddAgain, Pass, IdlePass, SortByPath, FlagAndRemove };

void Run(benchmark::State& state, Stage stage) {
    const int n = static_cast<int>(state.range(0));
    const std::string& root = TreeOf(n).root();
    for (auto _ : state) {
        state.PauseTiming();
        auto list = std::make_unique<List>();
        if (stage != Stage::Add) list->Add(root);
        if (stage != Stage::Add && stage != Stage::AddAgain && stage != Stage::Pass)
            list->ctx.RunPass();
        list->ctx.sort = SortState{.PrimaryColumn = kColumnSize, .SecondaryColumn = kColumnNone};
        SortRows(list->ctx, 1, list->ctx.state.RowCount - 1);  // not in path order
        state.ResumeTiming();
        switch (stage) {
            case Stage::Add:
            case Stage::AddAgain:
                list->Add(root);
                break;
            case Stage::Pass:
            case Stage::IdlePass:
                list->ctx.RunPass();
                break;
            case Stage::SortByPath:
                list->ctx.sort = SortState{};
                SortRows(list->ctx, 1, list->ctx.state.RowCount - 1);
                break;
            case Stage::FlagAndRemove:
                FlagAll(list->ctx);
                RemoveFlagged(list->ctx);
                break;
        }
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void BM_AddFolder(benchmark::State& s) {
    Run(s, Stage::Add);
}
void BM_AddFolderAgain(benchmark::State& s) {
    Run(s, Stage::AddAgain);
}
void BM_PassCalculating(benchmark::State& s) {
    Run(s, Stage::Pass);
}
void BM_PassWithNothingToRead(benchmark::State& s) {
    Run(s, Stage::IdlePass);
}
void BM_SortByPath(benchmark::State& s) {
    Run(s, Stage::SortByPath);
}
void BM_FlagAllAndRemoveFlagged(benchmark::State& s) {
    Run(s, Stage::FlagAndRemove);
}

#define SCALE(fn) \
    BENCHMARK(fn)->Arg(50'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(2)
SCALE(BM_AddFolder);
SCALE(BM_AddFolderAgain);
SCALE(BM_PassCalculating);
SCALE(BM_PassWithNothingToRead);
SCALE(BM_SortByPath);
SCALE(BM_FlagAllAndRemoveFlagged);

}  // namespace

BENCHMARK_MAIN();
