// What the widget tests share: dialogs that give the answers a test queued, and the real main
// window built with them and a trash that only records, brought through its start-up.
#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "checksum/md5.h"
#include "filelist/value_text.h"
#include "tests/support/fake_trash.h"
#include "tests/support/loopback_http.h"
#include "tests/support/temp_dir.h"
#include "ui/add_progress_window.h"
#include "ui/dialogs.h"
#include "ui/grid_model.h"
#include "ui/hex_view.h"
#include "ui/list_grid.h"
#include "ui/main_window.h"
#include "ui/splitter_bar.h"
#include "ui/values_dialog.h"

namespace vellum::test {

class ScriptedDialogs final : public ui::Dialogs {
  public:
    // Answers, taken from the front; an empty queue answers as Cancel (or No).
    std::deque<std::vector<std::string>> files;
    std::deque<ui::FolderChoice> folders;
    std::deque<ui::SaveChoice> saves;
    std::deque<std::string> imports;
    std::deque<std::string> digests;
    std::deque<bool> confirms;
    // What the window asked and said.
    std::vector<std::string> fileStarts;
    std::vector<DigestMask> exportsShown;  // the digests each save dialog was opened for
    int digestAsks = 0;
    std::vector<std::string> questions;
    std::vector<std::string> errors;

    std::optional<std::vector<std::string>> ChooseFiles(const std::string& start) override {
        fileStarts.push_back(start);
        return Take(files);
    }
    std::optional<ui::FolderChoice> ChooseFolder() override { return Take(folders); }
    std::optional<ui::SaveChoice> ChooseExportFile(DigestMask shown) override {
        exportsShown.push_back(shown);
        return Take(saves);
    }
    std::optional<std::string> ChooseImportFile() override { return Take(imports); }
    std::optional<std::string> AskDigest() override {
        ++digestAsks;
        return Take(digests);
    }
    bool Confirm(const std::string& text) override {
        questions.push_back(text);
        return Take(confirms).value_or(false);
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }

  private:
    template <class T>
    static std::optional<T> Take(std::deque<T>& queue) {
        if (queue.empty()) return std::nullopt;
        T answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }
};

// Where the version check goes when a test names no server of its own: nowhere, at once.
inline void KeepVersionCheckOffTheNetwork() {
    static const RefusingPort nowhere;
    setenv("VELLUM_WEB_HOST", nowhere.Host().c_str(), 0);
}

// The real MainWindow, shown, with its start-up work done: no splash hold, the settings file in a
// folder of the test's own (unless it names one), and pages recorded instead of opened.
struct Window {
    explicit Window(std::vector<std::string> args = {}, ListPass::Clock clock = {},
                    std::string settingsPath = {}) {
        KeepVersionCheckOffTheNetwork();
        ui::StartupSettings startup;
        startup.splashHold = std::chrono::milliseconds(0);
        startup.settingsPath = settingsPath.empty() ? settingsDir / "vellum.INI" : settingsPath;
        startup.openPage = [this](const std::string& url) { opened.push_back(url); };
        main = std::make_unique<ui::MainWindow>(
            std::move(args),
            [this](QWidget*) {
                auto scripted = std::make_unique<ScriptedDialogs>();
                dialogs = scripted.get();
                return scripted;
            },
            trash, std::move(clock), std::move(startup));
        main->show();
        // A window that never finishes starting fails the test's first look at it.
        (void)QTest::qWaitFor([this] { return main->startupDone(); }, 5000);
    }

    ListContext& ctx() { return main->ctx(); }
    ui::FileGridModel& model() { return main->gridModel(); }

    [[nodiscard]] QString Cell(int row, int column) {
        return model().index(row, column).data(Qt::DisplayRole).toString();
    }
    [[nodiscard]] QColor Background(int row) {
        return model().index(row, 0).data(Qt::BackgroundRole).value<QColor>();
    }
    [[nodiscard]] QColor TextColour(int row, int column) {
        return model().index(row, column).data(Qt::ForegroundRole).value<QColor>();
    }
    [[nodiscard]] std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        for (std::int32_t i = 1; i < ctx().state.RowCount; ++i)
            paths.emplace_back(ctx().table[i].path.view());
        return paths;
    }
    [[nodiscard]] QString StatusText() { return main->statusPanel().text(); }

    // Where a cell of the list is on screen, scrolled into view first.
    [[nodiscard]] QPoint CellCentre(int row, int column) {
        ui::ListGrid& grid = main->grid();
        grid.scrollTo(model().index(row, column));
        return grid.visualRect(model().index(row, column)).center();
    }
    void ClickCell(int row, int column) {
        QTest::mouseClick(main->grid().viewport(), Qt::LeftButton, {}, CellCentre(row, column));
    }
    // A double click as the window system delivers it: press, release, double click, release.
    void DoubleClickCell(int row, int column) {
        const QPoint at = CellCentre(row, column);
        QTest::mouseClick(main->grid().viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(main->grid().viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(main->grid().viewport(), Qt::LeftButton, {}, at);
    }
    void ClickCaption(int column) {
        ui::HeaderStrip& strip = main->headerStrip();
        const QRect cell = strip.visualRect(main->headerModel().index(0, column));
        QTest::mouseClick(strip.viewport(), Qt::LeftButton, {}, cell.center());
    }
    [[nodiscard]] QString Caption(int column) {
        return main->headerModel().index(0, column).data().toString();
    }
    // A menu item's caption as it reads, without the '&' of its keyboard letter.
    [[nodiscard]] static QString Read(const QAction& action) { return action.text().remove('&'); }
    // Runs the menu item with this caption as a click on it would.
    void Menu(const QString& caption) {
        for (QAction* action : main->popupMenu().actions())
            if (Read(*action) == caption) return action->trigger();
        QFAIL(qPrintable("no menu item " + caption));
    }
    // The Digests submenu's item of this kind.
    [[nodiscard]] QAction* DigestItem(DigestKind kind) {
        const QString name = QString::fromLatin1(InfoOf(kind).menu);
        for (QAction* action : main->digestsMenu().actions())
            if (Read(*action) == name) return action;
        return nullptr;
    }
    // Checks or unchecks it as a click on it would.
    void ChooseDigest(DigestKind kind) { DigestItem(kind)->trigger(); }
    // The grid column under the caption whose text starts with base; -1 when there is none.
    [[nodiscard]] int ColumnCaptioned(const QString& base) {
        for (int column = 0; column < main->headerModel().columnCount(); ++column)
            if (Caption(column).section(' ', 0, 0) == base) return column;
        return -1;
    }

    TempDir settingsDir;
    std::vector<std::string> opened;  // the pages the window asked the browser for
    FakeTrash trash;
    ScriptedDialogs* dialogs = nullptr;
    std::unique_ptr<ui::MainWindow> main;
};

// The summary line as the window composes it under the user's locale.
inline QString Grouped(std::int64_t value) {
    return QString::fromStdString(
        FormatThousands(value, QLocale::system().groupSeparator().toStdString()));
}

}  // namespace vellum::test
