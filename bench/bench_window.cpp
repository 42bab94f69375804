// How the window keeps up with a long list, on the offscreen platform with the real MainWindow:
// - the grid model's answer for a cell (the three roles the cell delegate paints) at the top,
//   middle and end of 1,000 and of 1,000,000 rows: the same time wherever the cell is;
// - one page of the list scrolled and painted at those places;
// - what one announcement of the grid model costs the window over 1,000 and 1,000,000 rows;
// - a pass over 100,000 small files added with Add folder: the gaps between the grid's and the
//   status line's repaints, and how long a click posted at a random moment waits before the
//   grid has handled it;
// - "Find Duplicates in Folder..." over the folder VELLUM_BENCH_DUPLICATES names (bench/compare
//   makes one and sets it), timed from the command to its end, in a fresh window each time.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/folder_tree.h"
#include "filelist/list_context.h"
#include "platform/trash.h"
#include "ui/dialogs.h"
#include "ui/grid_model.h"
#include "ui/list_grid.h"
#include "ui/main_window.h"

namespace {

using namespace vellum;
using Clock = std::chrono::steady_clock;

double MillisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A folder for everything the program writes, under $TMPDIR (or /tmp), removed when it ends.
class Scratch {
  public:
    Scratch() {
        std::string name = std::filesystem::temp_directory_path() / "vellum-bench-window-XXXXXX";
        if (mkdtemp(name.data()) == nullptr) {
            std::perror(name.c_str());
            std::exit(1);
        }
        root_ = name;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    [[nodiscard]] const std::string& root() const { return root_; }

  private:
    std::string root_;
};

Scratch& TheScratch() {
    static Scratch scratch;
    return scratch;
}

// Every dialog answers Cancel, except the folder chooser when a folder was queued for it.
class QuietDialogs final : public ui::Dialogs {
  public:
    std::optional<ui::FolderChoice> folder;
    std::vector<std::string> errors;

    std::optional<std::vector<std::string>> ChooseFiles(const std::string&) override { return {}; }
    std::optional<ui::FolderChoice> ChooseFolder() override { return std::exchange(folder, {}); }
    std::optional<ui::SaveChoice> ChooseExportFile(DigestMask) override { return {}; }
    std::optional<std::string> ChooseImportFile() override { return {}; }
    std::optional<std::string> AskDigest() override { return {}; }
    bool Confirm(const std::string&) override { return false; }
    void ShowError(const std::string& text) override { errors.push_back(text); }
};

class NoTrash final : public platform::Trash {
  public:
    bool MoveToTrash(const std::string&) override { return false; }
};

// The real main window, shown and through its start-up: no splash hold, no version check, its
// settings file in the scratch folder.
struct Window {
    Window() {
        ui::StartupSettings startup;
        startup.splashHold = std::chrono::milliseconds(0);
        startup.settingsPath = TheScratch().root() + "/vellum.INI";
        startup.openPage = [](const std::string&) {};
        main = std::make_unique<ui::MainWindow>(
            std::vector<std::string>{"-noautocheck"},
            [this](QWidget*) {
                auto quiet = std::make_unique<QuietDialogs>();
                dialogs = quiet.get();
                return quiet;
            },
            trash, ListPass::Clock{}, std::move(startup));
        main->show();
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!main->startupDone() && Clock::now() < deadline)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

    NoTrash trash;
    QuietDialogs* dialogs = nullptr;
    std::unique_ptr<ui::MainWindow> main;
};

// A calculated row as the list shows one after a pass; every 50th is flagged, so that the
// backgrounds differ as they do in a real list.
FileEntry SampleEntry(std::int32_t i) {
    char path[96];
    std::snprintf(path, sizeof path, "/home/ada/pictures/2023/holiday/IMG_%07d.JPG", i);
    FileEntry e;
    e.path.assign(path);
    e.size = 1024 + (static_cast<std::int64_t>(i) * 7919) % 7168;
    e.crc16 = static_cast<std::uint16_t>(i * 31);
    e.crc32 = static_cast<std::uint32_t>(i) * 2654435761u;
    e.xsum = static_cast<std::uint16_t>(i * 17);
    for (std::size_t k = 0; k < e.md5.bytes.size(); ++k)
        e.md5.bytes[k] = static_cast<std::uint8_t>(i >> (k % 4 * 8)) ^ static_cast<std::uint8_t>(k);
    e.status = i % 50 == 0 ? EntryStatus::FLAGGED : EntryStatus::OKAY;
    e.band = i % 2 == 0 ? EntryBand::NEW : EntryBand::OLD;
    return e;
}

// One window per list length, filled once; they go before the application does.
std::map<std::int32_t, std::unique_ptr<Window>>& ListWindows() {
    static std::map<std::int32_t, std::unique_ptr<Window>> windows;
    return windows;
}

Window& WindowWithRows(std::int32_t files) {
    std::unique_ptr<Window>& w = ListWindows()[files];
    if (w) return *w;
    w = std::make_unique<Window>();
    ListContext& ctx = w->main->ctx();
    for (std::int32_t i = 1; i <= files; ++i) (void)AppendRow(ctx, SampleEntry(i));
    w->main->RepaintGrid(ctx.state.RowCount);
    QCoreApplication::processEvents();
    return *w;
}

enum Where { kTop = 0, kMiddle = 1, kEnd = 2 };

// The model's answer for a page of cells (32 rows by the seven columns), each asked for the
// three roles the delegate paints: background, text colour and text.
void BM_GridCell(benchmark::State& state) {
    const auto files = static_cast<std::int32_t>(state.range(0));
    const ui::FileGridModel& model = WindowWithRows(files).main->gridModel();
    constexpr int kPageRows = 32;
    const int first = state.range(1) == kTop      ? 1
                      : state.range(1) == kMiddle ? files / 2
                                                  : files + 1 - kPageRows;
    const int columns = model.columnCount();
    for (auto _ : state) {
        for (int row = first; row < first + kPageRows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const QModelIndex cell = model.index(row, column);
                benchmark::DoNotOptimize(model.data(cell, Qt::BackgroundRole));
                benchmark::DoNotOptimize(model.data(cell, Qt::ForegroundRole));
                benchmark::DoNotOptimize(model.data(cell, Qt::DisplayRole));
            }
        }
    }
    state.counters["per_cell"] = benchmark::Counter(
        double(kPageRows) * columns,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The list moved by one page (Page Down, then Page Up) and the page painted, as the view does
// it when the user scrolls; top_row says where the list stood.
void BM_ScrollPage(benchmark::State& state) {
    const auto files = static_cast<std::int32_t>(state.range(0));
    ui::ListGrid& grid = WindowWithRows(files).main->grid();
    QScrollBar& bar = *grid.verticalScrollBar();
    const int page = std::max(bar.pageStep(), 1);
    const int at = state.range(1) == kTop      ? 0
                   : state.range(1) == kMiddle ? bar.maximum() / 2
                                               : bar.maximum() - page;
    QImage image(grid.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    bool down = true;
    for (auto _ : state) {
        bar.setValue(down ? at + page : at);
        grid.viewport()->render(&image);
        down = !down;
    }
    bar.setValue(at);
    state.counters["top_row"] = grid.rowAt(0);
    state.counters["rows_per_page"] = page;
}

#define AT_EACH_PLACE(fn, unit)                                    \
    BENCHMARK(fn)                                                  \
        ->ArgNames({"rows", "where"})                              \
        ->ArgsProduct({{1'000, 1'000'000}, {kTop, kMiddle, kEnd}}) \
        ->Unit(unit)                                               \
        ->MinTime(0.2)
AT_EACH_PLACE(BM_GridCell, benchmark::kMicrosecond);
AT_EACH_PLACE(BM_ScrollPage, benchmark::kMillisecond);

enum Announcement { kValues = 0, kReorder = 1, kRowsGoAndCome = 2 };

// One announcement of the grid model and the event pump after it, as the pass's refresh has
// them: new values (one dataChanged), a sort (one layout change; no row moves here), and every
// file row removed and inserted again (a Clear, then a new list).
void BM_Announce(benchmark::State& state) {
    const auto files = static_cast<std::int32_t>(state.range(0));
    const ui::MainWindow& main = *WindowWithRows(files).main;
    ui::FileGridModel& model = main.gridModel();
    const std::int32_t rows = files + 1;
    for (auto _ : state) {
        switch (state.range(1)) {
            case kValues:
                model.ValuesChanged();
                break;
            case kReorder:
                model.RowsAboutToMove();
                model.RowsMoved();
                break;
            default:
                model.SetGridRowCount(1);
                model.SetGridRowCount(rows);
        }
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_Announce)
    ->ArgNames({"rows", "change"})
    ->ArgsProduct({{1'000, 1'000'000}, {kValues, kReorder, kRowsGoAndCome}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.2);

// N files of 1 to 8 KiB (sizes drawn from a fixed seed), 100 to a folder; removed with the tree.
class SmallFiles : public bench::FolderTree {
  public:
    explicit SmallFiles(int files)
        : FolderTree(
              TheScratch().root() + "/files", files,
              [rng = std::mt19937(20240601), size = std::uniform_int_distribution<int>(1024, 8192)](
                  int) mutable { return static_cast<std::size_t>(size(rng)); }) {}
};

// A click the user makes somewhere in the middle of the pass; posted from another thread, as
// the window system's input arrives, stamped with the moment it was made.
const QEvent::Type kClickMade = static_cast<QEvent::Type>(QEvent::registerEventType());

class ClickMade final : public QEvent {
  public:
    ClickMade() : QEvent(kClickMade), made(Clock::now()) {}
    const Clock::time_point made;
};

// Watches the first pass from the window's side: when the grid and the status line are painted,
// and how long each click waited until the grid had taken its press and release. A click that
// lands in the pass's last pump selects its row, and that runs the (short) pass once more;
// that one is not watched.
class PassWatch final : public QObject {
  public:
    explicit PassWatch(ui::MainWindow& main) : main_(main) {
        main.grid().viewport()->installEventFilter(this);
        main.statusPanel().installEventFilter(this);
    }

    std::atomic<bool> running{false};
    Clock::time_point started{};
    Clock::time_point ended{};
    std::vector<Clock::time_point> gridPaints;  // one per refresh
    std::vector<Clock::time_point> statusPaints;
    std::vector<double> clickWaits;  // milliseconds

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint || ended != Clock::time_point{}) return false;
        const Clock::time_point now = Clock::now();
        const bool inPass = main_.ctx().state.Processing;
        if (inPass && !running) started = now;
        if (!inPass && running) ended = now;
        running = inPass;
        if (!inPass) return false;
        if (watched == &main_.statusPanel()) {
            statusPaints.push_back(now);
        } else if (gridPaints.empty() || main_.pass().currentRow() != lastGridRow_) {
            // A click's own repaint in the same pump is not another refresh.
            gridPaints.push_back(now);
            lastGridRow_ = main_.pass().currentRow();
        }
        return false;
    }

    bool event(QEvent* event) override {
        if (event->type() != kClickMade) return QObject::event(event);
        Click(clickWaits.size() % 10);
        clickWaits.push_back(
            MillisecondsBetween(static_cast<ClickMade*>(event)->made, Clock::now()));
        return true;
    }

  private:
    // A left click on the size cell of one of the first ten rows on show.
    void Click(std::size_t row) {
        QWidget* viewport = main_.grid().viewport();
        const QPointF at(main_.grid().columnViewportPosition(1) + 10, 10 + 21 * double(row));
        const QPointF global = viewport->mapToGlobal(at);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(viewport, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(viewport, &release);
    }

    ui::MainWindow& main_;
    std::int32_t lastGridRow_ = -1;
};

std::vector<double> Gaps(const std::vector<Clock::time_point>& times) {
    std::vector<double> gaps;
    for (std::size_t k = 1; k < times.size(); ++k)
        gaps.push_back(MillisecondsBetween(times[k - 1], times[k]));
    return gaps;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double Max(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void Append(std::vector<double>& to, const std::vector<double>& from) {
    to.insert(to.end(), from.begin(), from.end());
}

// What one Add folder in a fresh window showed, or nothing when the pass missed a file.
struct PassFigures {
    double addMs = 0;
    double passMs = 0;
    std::vector<double> gridGaps, statusGaps, clickWaits;
};

std::optional<PassFigures> AddFolderAndWatch(const std::string& folder, int files) {
    Window w;
    PassWatch watch(*w.main);
    std::atomic<bool> done{false};
    // The user clicks every 10 to 60 ms while the pass runs.
    std::thread user([&] {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> pause(10, 60);
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(rng)));
            if (watch.running && !done) QCoreApplication::postEvent(&watch, new ClickMade);
        }
    });
    w.dialogs->folder = ui::FolderChoice{folder, "*.*"};
    const auto begin = Clock::now();
    w.main->ChooseAndAddFolder();
    done = true;
    user.join();
    QCoreApplication::sendPostedEvents(&watch, kClickMade);

    const ListContext& ctx = w.main->ctx();
    std::int32_t okay = 0;
    for (std::int32_t i = 1; i < ctx.state.RowCount; ++i)
        okay += ctx.table[i].status == EntryStatus::OKAY ? 1 : 0;
    if (okay != files || !w.dialogs->errors.empty() || watch.ended == Clock::time_point{})
        return std::nullopt;
    return PassFigures{MillisecondsBetween(begin, watch.started),
                       MillisecondsBetween(watch.started, watch.ended), Gaps(watch.gridPaints),
                       Gaps(watch.statusPaints), watch.clickWaits};
}

// Add folder over 100,000 small files in a fresh window each time, with the real clock and the
// real event pump. The time shown is the pass's, from its first status line to its last; the
// gaps and waits are gathered over every pass.
void BM_PassOverSmallFiles(benchmark::State& state) {
    const int files = static_cast<int>(state.range(0));
    const SmallFiles tree(files);
    PassFigures all;
    for (auto _ : state) {
        const std::optional<PassFigures> one = AddFolderAndWatch(tree.root(), files);
        if (!one) {
            state.SkipWithError("the pass did not calculate every file");
            return;
        }
        state.SetIterationTime(one->passMs / 1000);
        all.addMs += one->addMs;
        all.passMs += one->passMs;
        Append(all.gridGaps, one->gridGaps);
        Append(all.statusGaps, one->statusGaps);
        Append(all.clickWaits, one->clickWaits);
    }
    const double passes = double(state.iterations());
    state.counters["add_ms"] = all.addMs / passes;
    state.counters["pass_ms"] = all.passMs / passes;
    state.counters["grid_refreshes"] = double(all.gridGaps.size()) + passes;
    state.counters["grid_gap_med_ms"] = Median(all.gridGaps);
    state.counters["grid_gap_max_ms"] = Max(all.gridGaps);
    state.counters["status_gap_med_ms"] = Median(all.statusGaps);
    state.counters["status_gap_max_ms"] = Max(all.statusGaps);
    state.counters["clicks"] = double(all.clickWaits.size());
    state.counters["click_med_ms"] = Median(all.clickWaits);
    state.counters["click_max_ms"] = Max(all.clickWaits);
    state.SetItemsProcessed(state.iterations() * files);
}
// The window's duplicate search, timed as a user waits for it: from the folder chosen to the
// last row sorted. bench/compare sets it beside vellum-cli --duplicates over the same folder.
void BM_FindDuplicatesInFolder(benchmark::State& state) {
    const char* folder = std::getenv("VELLUM_BENCH_DUPLICATES");
    if (folder == nullptr || *folder == 0) {
        state.SkipWithError("VELLUM_BENCH_DUPLICATES names no folder");
        return;
    }
    std::int32_t rows = 0;
    for (auto _ : state) {
        Window w;
        w.dialogs->folder = ui::FolderChoice{folder, "*.*"};
        const auto begin = Clock::now();
        w.main->ChooseAndFindDuplicates();
        state.SetIterationTime(MillisecondsBetween(begin, Clock::now()) / 1000);
        rows = w.main->ctx().state.RowCount - 1;
        if (!w.dialogs->errors.empty()) {
            state.SkipWithError("the search reported an error");
            return;
        }
    }
    state.counters["rows"] = rows;
}
BENCHMARK(BM_FindDuplicatesInFolder)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK(BM_PassOverSmallFiles)
    ->Arg(100'000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The offscreen platform unless the caller chose one: the figures then need no display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ListWindows().clear();
    return 0;
}
