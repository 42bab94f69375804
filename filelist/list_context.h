// The program-wide list: the table, the list state, the sort state and the posted message,
// together with the services the commands use (files, the host, the list pass).
#pragma once

#include "filelist/file_table.h"
#include "filelist/list_host.h"
#include "filelist/path_index.h"
#include "filelist/sorting.h"
#include "filelist/status_line.h"
#include "platform/files.h"

namespace vellum {

struct ListContext {
    // Sized for the default limit at once, so that a context is always ready for rows.
    ListContext();
    ListContext(const ListContext&) = delete;
    ListContext& operator=(const ListContext&) = delete;

    NullHost nullHost;
    FileTable table;
    ListState state;
    SortState sort;
    PostedMessage message;
    StatusLine line;  // the status line as last composed
    PathIndex paths;  // live only while an add command runs
    // What a pass calculates of every file it reads: in the window the four values and the
    // digests shown; on the command line only what is printed or compared. A row imported
    // from a list is calculated for the values it holds as well.
    ValueSet calculate;
    // How the add takes a new file's size: by opening it, so that a file that cannot be opened
    // is told at once; or, for the duplicate search, which opens every file that may have a
    // copy and asks of the others whether they could be read, by looking it up
    // (LookedUpSizesOfFiles).
    bool sizesByLookUp = false;

    platform::FileSystem* fs = &platform::RealFileSystem();
    ListHost* host = &nullHost;
    PassRunner* pass = nullptr;

    // Every command ends with one; it does nothing until a pass runner is attached.
    void RunPass() {
        if (pass != nullptr) pass->RunPass();
    }
};

// Sets the table's length to MaxFiles + 1 (SizeFileTable); the window adds the limit hint.
void SizeFileTable(ListContext& ctx);
// Doubles MaxFiles and sizes the table again.
void GrowFileTable(ListContext& ctx);
// Appends a row by the table's rule: grows the table when the next free row is its last one,
// refuses when the configured maximum is below 1. Returns the new row's index, or 0.
[[nodiscard]] std::int32_t AppendRow(ListContext& ctx, const FileEntry& entry);
// Every file row's band becomes OLD.
void MarkRowsOld(ListContext& ctx);
// Empties every file row and runs a pass; the window asks for confirmation first.
void Clear(ListContext& ctx);
// The "-f" value: below 0 is taken as 0.
void SetMaxFiles(ListContext& ctx, std::int64_t value);

}  // namespace vellum
