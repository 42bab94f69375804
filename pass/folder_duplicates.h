// Find Duplicates in Folder: the folder walked as Add folder walks it, and of the files the walk
// added only those kept that have an identical copy among them, calculated and sorted by md5
// and then by path, so that the copies stand together for "Flag Adjacent Identicals Except
// First". Rows listed before are left where they are; a file already listed is set to RECHECK,
// as Add folder does.
#pragma once

#include <string>

#include "pass/duplicate_search.h"

namespace vellum {

struct ListContext;
class ListPass;
class AddProgress;

// The whole command after its chooser closed with OK; an empty mask means "*.*". The search
// shows its progress and stops on Halt as a pass does. Ends with a pass.
SearchOutcome FindDuplicatesInFolder(ListContext& ctx, ListPass& pass, const std::string& folder,
                                     const std::string& mask, AddProgress& progress);

}  // namespace vellum
