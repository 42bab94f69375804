// Putting files into the list: one file (AddFile), the paths a file dialog returns, the
// recursive folder walk, and the start-up path list. A file already listed is never added
// twice by the dialogs or the walk: its row is set to RECHECK, so the next pass recalculates it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vellum {

struct ListContext;

struct AddCounters {
    std::int32_t AddedCount = 0;    // handed to AddFile, whether or not it succeeded
    std::int32_t FolderCount = 0;   // folders met
    std::int32_t SkippedCount = 0;  // already listed: set to RECHECK instead
};

// The progress window of the add commands, seen from the core.
class AddProgress {
  public:
    virtual ~AddProgress() = default;
    virtual void Show() {}
    // Add folder starts its "Adding files" label at 0; the other two keep their last text.
    virtual void ResetAddedLabel() {}
    // Write the counters into the window and repaint it at once.
    virtual void Update(const AddCounters& counters) { (void)counters; }
    virtual void Hide() {}
};

// The file dialog of Add files: the chosen paths in the dialog's order, or nothing on cancel.
// The argument is the folder to start in, empty for the dialog's own choice.
using ChooseFiles = std::function<std::optional<std::vector<std::string>>(const std::string&)>;

// Adds one file as a new WAITING row with its size; posts "%s failed" when it cannot be opened.
// The caller has seen that path is a regular file (a folder listing or its attributes).
bool AddFile(ListContext& ctx, const std::string& path);
// The first row whose path equals path byte for byte, or 0.
[[nodiscard]] std::int32_t FindPath(const ListContext& ctx, std::string_view path);

// Keeps the path index live for the lifetime of the scope: the add commands open one.
class AddingScope {
  public:
    explicit AddingScope(ListContext& ctx);
    ~AddingScope();
    AddingScope(const AddingScope&) = delete;
    AddingScope& operator=(const AddingScope&) = delete;

  private:
    ListContext& ctx_;
    bool owner_;
};

// What one path handed to an add command leads to.
enum class AddOutcome { Added, Failed, Rechecked, Folder };
// Adds a path that a dialog (or the command line) chose: a listed path is set to RECHECK, a
// folder or missing path adds nothing, a FIFO, socket or device fails with "%s failed"
// without being opened, and a regular file goes to AddFile.
AddOutcome AddChosenPath(ListContext& ctx, const std::string& path);

// The adding loop of Add files over the paths the dialog returned, with its own counters.
void AddChosenPaths(ListContext& ctx, const std::vector<std::string>& paths, AddProgress& progress);
// Add files without its sort and pass: no first key, every band OLD, one event pump, then the
// dialog and its paths.
void ChooseAndAddFiles(ListContext& ctx, const std::string& folder, const ChooseFiles& choose,
                       AddProgress& progress);
// The whole Add files command.
void AddFiles(ListContext& ctx, const ChooseFiles& choose, AddProgress& progress);

// The recursive walk of Add folder: matching files of a folder first, then its subfolders.
void ScanFolder(ListContext& ctx, const std::string& folder, const std::string& mask,
                AddCounters& counters, AddProgress& progress);
// Add folder without its pass; an empty mask means "*.*".
void AddFolderRows(ListContext& ctx, const std::string& folder, const std::string& mask,
                   AddProgress& progress);
// The whole Add folder command after its chooser closed with OK.
void AddFolder(ListContext& ctx, const std::string& folder, const std::string& mask,
               AddProgress& progress);

// Files and folders dropped on the list: the files as Add files adds them, then each folder
// walked as Add folder walks it with the mask "*.*", then one pass.
void AddDropped(ListContext& ctx, const std::vector<std::string>& paths, AddProgress& progress);

// The start-up path list: every path that is not a folder becomes a WAITING row as it stands
// (not opened, no duplicate check). With an empty list and no paths the Add files dialog opens;
// when the paths named only folders (and option words), it opens in the last folder named.
void AddStartupPaths(ListContext& ctx, const std::vector<std::string>& paths,
                     const ChooseFiles& choose, AddProgress& progress);

}  // namespace vellum
