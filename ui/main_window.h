// MainWindow, the main window: the file list with its header strip, the binary view, the bottom bar
// with the Halt/Resume button and the status line, and the list's pop-up menu. It owns the
// program's list and its pass, turns every click into a call of the core, and draws what the
// core says; it keeps no list logic of its own.
#pragma once

#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "filelist/adding.h"
#include "filelist/list_context.h"
#include "pass/list_pass.h"
#include "ui/about_box.h"
#include "ui/column_map.h"
#include "ui/dialogs.h"
#include "ui/splash_window.h"
#include "ui/window_host.h"

class QFontMetrics;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace vellum::platform {
class Trash;
}

namespace vellum::ui {

class FileGridModel;
class HeaderStripModel;
class HeaderStrip;
class HexView;
class ListGrid;
class SplitterBar;
class AboutBox;
class ValuesDialog;
class AddProgressWindow;
class WebPanel;

inline constexpr int kMainWidth = 985;
inline constexpr int kMainHeight = 662;
inline constexpr int kLowerPanelDesignHeight = 264;
inline constexpr int kBottomBarHeight = 25;
inline constexpr int kPanelBorder = 4;
// What the window's width leaves the path column after the fixed columns.
inline constexpr int kPathColumnMargin = 45;
inline constexpr int kDesignColumnWidths[kColumnCount] = {354, 65, 38, 60, 38, 212, 64};
// The path column's least width, beside long digests or in a narrow window: the list scrolls
// sideways instead.
inline constexpr int kPathColumnMinimum = 200;

// The widths of the grids' columns: the design widths, each value column widened where the
// desktop's font is wider than the one they were drawn for, so that no checksum loses a digit
// and no caption its sort mark. A further digest's column is designed as md5's is, for its own
// number of digits.
[[nodiscard]] std::vector<int> FittedColumnWidths(const QFontMetrics& metrics,
                                                  const ColumnMap& columns = ColumnMap());

// What start-up takes from outside the window. The program runs with these defaults; tests
// shorten the splash, keep the settings file in a folder of their own and record the pages.
struct StartupSettings {
    std::chrono::milliseconds splashHold = kSplashHold;
    std::string settingsPath;  // where the installation identifier lives; empty: the usual place
    PageOpener openPage = OpenInBrowser;
};

class MainWindow final : public QWidget {
    Q_OBJECT

  public:
    // The window's dialogs are made once it exists, so that they can be centred on it.
    using DialogsFactory = std::function<std::unique_ptr<Dialogs>(QWidget* window)>;

    MainWindow(std::vector<std::string> args, const DialogsFactory& makeDialogs,
               platform::Trash& trash, ListPass::Clock clock = {}, StartupSettings startup = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // What the list pass asks of the window, through WindowHost.
    void RepaintGrid(std::int32_t rowCount);
    void RowsAboutToMove();
    void RowsMoved();
    void ShowStatus();
    void FitRows(std::int32_t rowCount);
    void RepaintHeaderAndHexView();
    void ShowErrorBox(const std::string& text);

    // Start-up and fitting.
    void FinishStartup();
    [[nodiscard]] bool startupDone() const { return startupDone_; }
    void FitPathColumn();
    void SyncHeaderColumns();

    // The grids' events.
    void CellSelected(int row, int column);
    void CellDoubleClicked();
    void RightButtonPressed(QPoint globalPos);

    // The list from the keyboard (main_window_keys.cpp): each key does what its mouse twin does.
    // A key that moves the selection selects the row as a click on it does (never a click on
    // the Status cell); Enter opens the selected row's values; the Menu key opens the pop-up
    // menu where the right button would, beside the selected row; Copy puts the selected row on
    // the clipboard as one line of the comma-separated list file.
    void ListKeyPressed(int key);
    void OpenSelectedRow();
    void MenuKeyPressed();
    void CopySelectedRow();
    void HeaderCellClicked(int column, int row);

    // The pop-up menu's items that ask something first; the others call the core directly.
    void ConfirmAndClear();
    void ChooseAndAddFolder();
    void ChooseAndFindDuplicates();
    void ChooseAndFlagOutside();
    void ReplaceFlaggedWithLinks();
    void ChooseAndExportFlagged();
    void ChooseAndImportList();
    void ShowAbout();

    // The further digests (main_window_digests.cpp). A digest checked in the Digests submenu is
    // calculated for every row and shown as a column; the choice is kept in the settings file.
    void DigestMenuClick(DigestKind kind, bool checked);
    // The columns, the submenu's checks and the settings file follow ctx.calculate.digests,
    // whoever changed it (the submenu, or an import of a list that holds digests).
    void FollowShownDigests();
    // The selected row checked against a digest the user has, typed or pasted (Ctrl+V on the
    // list); the status line tells which algorithm matched.
    void AskAndCheckDigest();
    void PasteDigest();
    void CheckSelectedAgainst(const std::string& text);

    void HaltButtonClicked();
    void ToggleHexView();
    void MessageTick();
    // The web panel and its pictures: a left click on a picture or the bare panel opens the
    // product page, the right button pressed on a picture checks for the latest version.
    void WebPanelClicked();
    void WebPictureRightClick();
    void OpenProductPage();
    // One blocking check; its verdict picks the picture and the picture's hint.
    void CheckLatestVersion();

    // Reading the window, for the tests.
    [[nodiscard]] ListContext& ctx() { return ctx_; }
    [[nodiscard]] ListPass& pass() { return pass_; }
    [[nodiscard]] FileGridModel& gridModel() const { return *gridModel_; }
    [[nodiscard]] HeaderStripModel& headerModel() const { return *headerModel_; }
    [[nodiscard]] ListGrid& grid() const { return *listGrid_; }
    [[nodiscard]] HeaderStrip& headerStrip() const { return *headerStrip_; }
    [[nodiscard]] HexView& hexView() const { return *hexView_; }
    [[nodiscard]] QLabel& statusPanel() const { return *statusLine_; }
    [[nodiscard]] QLabel& versionBox() const { return *versionBox_; }
    [[nodiscard]] QLabel& limitPicture() const { return *limitPicture_; }
    [[nodiscard]] QPushButton& haltButton() const { return *haltButton_; }
    [[nodiscard]] QFrame& bottomPanel() const { return *lowerPanel_; }
    [[nodiscard]] SplitterBar& splitter() const { return *splitter_; }
    [[nodiscard]] QMenu& popupMenu() const { return *popupMenu_; }
    [[nodiscard]] QMenu& digestsMenu() const { return *digestsMenu_; }
    [[nodiscard]] ValuesDialog& valuesDialog() const { return *valuesDialog_; }
    [[nodiscard]] WebPanel& webPanel() const { return *webPanel_; }
    [[nodiscard]] AboutBox& aboutBox() const { return *aboutBox_; }
    [[nodiscard]] const std::string& installId() const { return installId_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void SetUp();
    // The splash is up from here until the hidden windows are made and its time is over.
    [[nodiscard]] std::unique_ptr<SplashWindow> ShowSplash();
    // The installation identifier, then (unless -noautocheck) the version check.
    void StartupIdentityAndCheck();

    // Building the controls (main_window_layout.cpp).
    void BuildControls();
    [[nodiscard]] QFrame* BuildListPanel();
    [[nodiscard]] QFrame* BuildLowerPanel();
    [[nodiscard]] QFrame* BuildBottomBar();
    void BuildPopupMenu();
    void BuildDigestsMenu(const QString& caption);
    void ConnectEvents();
    void ConnectSidewaysScrolling();
    void ConnectKeys();
    // The values dialog for a file row, or a marker toggled in the Status column.
    void OpenRow(int row, int column);
    // The controls sized for their texts in the window's font.
    void FitToFont();
    // The list's columns as wide as FittedColumnWidths makes them; the path column follows at
    // the next FitPathColumn.
    void ApplyColumnWidths();
    [[nodiscard]] const ColumnMap& Columns() const;
    // The digests kept in the settings file, before the first pass.
    void LoadShownDigests();

    // Where the window opens (main_window_place.cpp): where it was left, kept in the settings
    // file, when that place still fits a screen; else at its designed size, or as much of it as
    // the screen holds. The binary view keeps its designed share of a lower window.
    void PlaceOnScreen();
    [[nodiscard]] bool PlaceAsLeft();
    void GiveWayTo(int height);
    void KeepPlace();
    // The status line's text whole in its tooltip, when the bar is too narrow for it.
    void ShowStatusWhole();

    void SetLowerPanelHeight(int height);
    void SplitterDragged(int dy);
    void RefreshLimitHint();
    [[nodiscard]] ChooseFiles FileChooser();

    ListContext ctx_;
    WindowHost host_;
    ListPass pass_;
    std::unique_ptr<Dialogs> dialogs_;
    platform::Trash& trash_;
    std::vector<std::string> args_;  // the parameter list
    StartupSettings startup_;
    std::string installId_;         // empty until start-up has read or made it
    DigestMask storedDigests_ = 0;  // as the settings file holds them
    bool startupDone_ = false;
    int dragStartHeight_ = 0;

    FileGridModel* gridModel_ = nullptr;
    HeaderStripModel* headerModel_ = nullptr;
    QFrame* listPanel_ = nullptr;
    HeaderStrip* headerStrip_ = nullptr;
    ListGrid* listGrid_ = nullptr;
    SplitterBar* splitter_ = nullptr;
    QFrame* lowerPanel_ = nullptr;
    HexView* hexView_ = nullptr;
    QFrame* bottomBar_ = nullptr;
    QFrame* versionPanel_ = nullptr;
    QLabel* limitPicture_ = nullptr;
    QLabel* versionBox_ = nullptr;
    QFrame* haltPanel_ = nullptr;
    QPushButton* haltButton_ = nullptr;
    QLabel* statusLine_ = nullptr;
    WebPanel* webPanel_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QMenu* digestsMenu_ = nullptr;
    QTimer* startTimer_ = nullptr;
    QTimer* messageTimer_ = nullptr;
    AboutBox* aboutBox_ = nullptr;
    ValuesDialog* valuesDialog_ = nullptr;
    AddProgressWindow* addProgress_ = nullptr;
};

}  // namespace vellum::ui
