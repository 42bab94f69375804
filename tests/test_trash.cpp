// Sending flagged files to the trash: the real trash in a home of the test's own, and a trash
// that refuses every file.
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "filelist/list_context.h"
#include "interchange/recycle.h"
#include "platform/trash.h"
#include "tests/support/fake_trash.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// GIO reads HOME and XDG_DATA_HOME once, when it is first used, so they are pointed at a
// folder of the test's own before any test runs. It lies on the file system of the test files,
// so each of them goes to this home trash and none to a real one.
class TrashHome {
  public:
    TrashHome() {
        setenv("HOME", dir_.MakeDir("home").c_str(), 1);
        setenv("XDG_DATA_HOME", dir_.MakeDir("data").c_str(), 1);
    }
    [[nodiscard]] std::string trash() const { return dir_ / "data/Trash"; }

  private:
    TempDir dir_;
};
const TrashHome kHome;

// The original paths that the trash's info files name.
std::vector<std::string> TrashedPaths() {
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& info : fs::directory_iterator(kHome.trash() + "/info", ec)) {
        const std::string text = test::ReadAll(info.path());
        const std::size_t at = text.find("\nPath=");
        if (at != std::string::npos)
            paths.push_back(text.substr(at + 6, text.find('\n', at + 6) - at - 6));
    }
    return paths;
}

class Recycle : public ::testing::Test {
  protected:
    void Add(const std::string& path, EntryStatus status) {
        test::Fill(ctx_, {test::Row(path, status)});
    }

    TempDir dir_;
    ListContext ctx_;
    test::CountingPass pass_{ctx_};
};

TEST_F(Recycle, MovesEachFlaggedFileOnceAndCountsTheOthers) {
    const std::string a = dir_.Write("a.txt", "a");
    const std::string kept = dir_.Write("kept.txt", "k");
    const std::string gone = dir_.Write("gone.txt", "g");
    const std::string rel = dir_.Write("rel.txt", "r");
    Add(a, EntryStatus::FLAGGED);
    Add(kept, EntryStatus::OKAY);
    Add(a, EntryStatus::FLAGGED);
    Add(gone, EntryStatus::FLAGGED);
    Add("rel.txt", EntryStatus::FLAGGED);
    fs::remove(gone);
    const fs::path cwd = fs::current_path();
    fs::current_path(dir_.path());
    SendFlaggedToTrash(ctx_, platform::RealTrash());
    fs::current_path(cwd);

    EXPECT_EQ(test::Statuses(ctx_),
              (std::vector{EntryStatus::DELETED, EntryStatus::OKAY, EntryStatus::FLAGGED,
                           EntryStatus::FLAGGED, EntryStatus::DELETED}));
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(fs::exists(rel));
    EXPECT_TRUE(fs::exists(kept));
    const std::vector<std::string> trashed = TrashedPaths();
    for (const std::string& moved : {a, rel})
        EXPECT_NE(std::ranges::find(trashed, moved), trashed.end()) << moved;
    // The first refused is the second row of a, moved already.
    EXPECT_EQ(ctx_.message.StatusMessage,
              "2 files could not be moved to the trash: the first is " + a);
    EXPECT_EQ(ctx_.message.StatusStyle, "Bold");
    EXPECT_EQ(ctx_.message.StatusColour, "Red");
    EXPECT_EQ(ctx_.state.MessageTicks, 5);
    EXPECT_EQ(pass_.count, 1);
}

TEST_F(Recycle, RefusedFilesStayFlaggedAndOnlyFilesAreOffered) {
    const std::string file = dir_.Write("f.txt", "f");
    Add(file, EntryStatus::FLAGGED);
    Add(dir_.MakeDir("folder"), EntryStatus::FLAGGED);
    Add(file, EntryStatus::MARKER);
    test::FakeTrash trash(test::FakeTrash::Answer::Refuse);
    SendFlaggedToTrash(ctx_, trash);
    EXPECT_EQ(trash.asked, std::vector<std::string>{file});
    EXPECT_EQ(test::Statuses(ctx_),
              (std::vector{EntryStatus::FLAGGED, EntryStatus::FLAGGED, EntryStatus::MARKER}));
    EXPECT_EQ(ctx_.message.StatusMessage,
              "2 files could not be moved to the trash: the first is " + file);
    EXPECT_EQ(pass_.count, 1);
}

TEST_F(Recycle, WithoutFlaggedRowsOnlyThePassRuns) {
    Add(dir_.Write("f.txt", "f"), EntryStatus::OKAY);
    test::FakeTrash trash(test::FakeTrash::Answer::Refuse);
    SendFlaggedToTrash(ctx_, trash);
    EXPECT_TRUE(trash.asked.empty());
    EXPECT_EQ(ctx_.message.StatusMessage, "");
    EXPECT_EQ(ctx_.state.MessageTicks, 0);
    EXPECT_EQ(pass_.count, 1);
}

TEST(RealTrash, AFileNoTrashTakesStaysWhereItWas) {
    // A plain file where the trash folder belongs: GIO cannot make the trash and must refuse.
    TempDir dir;
    const std::string file = dir.Write("f.txt", "f");
    const std::string trash = kHome.trash(), aside = trash + ".aside";
    std::error_code ec;
    fs::rename(trash, aside, ec);
    std::ofstream(trash).put('x');
    const bool moved = platform::RealTrash().MoveToTrash(file);
    fs::remove(trash);
    fs::rename(aside, trash, ec);
    EXPECT_FALSE(moved);
    EXPECT_TRUE(fs::exists(file));
    // With the trash back, a name with a NUL must still not trash the file it begins with.
    EXPECT_FALSE(platform::RealTrash().MoveToTrash(file + std::string("\0x", 2)));
    EXPECT_TRUE(fs::exists(file));
}

}  // namespace
}  // namespace vellum
