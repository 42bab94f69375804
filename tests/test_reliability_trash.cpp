// The trash command against the real trash, in every shape a trash can be found in: full of
// names like ours, missing, with an info folder nobody may write, impossible, or set up by a
// relative path. Each case runs in a child with a home of its own, since GIO reads HOME and
// XDG_DATA_HOME only once per process. After each: the file is at its path or in the trash with
// its info file, nothing is lost, no info file is orphaned, the current folder is untouched.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "filelist/adding.h"
#include "filelist/list_commands.h"
#include "filelist/list_context.h"
#include "interchange/recycle.h"
#include "pass/list_pass.h"
#include "platform/trash.h"
#include "tests/reliability/harness.h"
#include "tests/reliability/pass_list.h"
#include "tests/reliability/trash_check.h"

namespace vellum::test {
namespace {

namespace fs = std::filesystem;
using S = EntryStatus;

struct TrashCase {
    std::string data;                  // XDG_DATA_HOME as set in the child
    bool asNobody = false;             // run the command as nobody
    std::vector<std::string> flagged;  // paths of the flagged rows, in order
};

struct TrashOutcome {
    std::string statuses;  // one digit per row
    std::string message;
    bool hung = false;
};

// Runs the trash command over flagged rows in a child whose home, data folder and current
// folder are the case's own.
TrashOutcome RunTrash(const TempDir& dir, const TrashCase& c) {
    const std::string home = dir / "home", cwd = dir / "cwd";
    const test::ChildOutcome child = test::InChild(
        [&] {
            if (c.asNobody) test::BecomeNobody();
            setenv("HOME", home.c_str(), 1);
            setenv("XDG_DATA_HOME", c.data.c_str(), 1);
            if (chdir(cwd.c_str()) != 0) return std::string("no cwd");
            ListContext ctx;
            test::CountingPass pass(ctx);
            for (const std::string& path : c.flagged)
                (void)AppendRow(ctx, test::Row(path, S::FLAGGED));
            SendFlaggedToTrash(ctx, platform::RealTrash());
            return test::StatusDigits(ctx) + "\n" + ctx.message.StatusMessage;
        },
        20s);
    const std::size_t newline = child.output.find('\n');
    if (newline == std::string::npos) return {child.output, "", child.hung};
    return {child.output.substr(0, newline), child.output.substr(newline + 1), child.hung};
}

class TrashCases : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_.MakeDir("home");
        dir_.MakeDir("cwd");
    }
    // The file is where it was with its bytes, or in the trash at trash with an info file
    // that names where it was; nothing else is in the current folder.
    void ExpectKept(const std::string& path, const std::string& bytes, const std::string& trash) {
        SCOPED_TRACE(path);
        if (fs::exists(path)) {
            EXPECT_EQ(test::ReadAll(path), bytes);
        } else {
            const test::TrashContents contents = test::ReadTrash(trash);
            bool found = false;
            for (const auto& [name, original] : contents.originals)
                found =
                    found || (original == path && test::ReadAll(trash + "/files/" + name) == bytes);
            EXPECT_TRUE(found) << "lost: neither at its path nor in the trash";
        }
        EXPECT_TRUE(fs::is_empty(dir_ / "cwd"));
    }
    void ExpectNoOrphans(const std::string& trash) {
        const test::TrashContents contents = test::ReadTrash(trash);
        EXPECT_EQ(contents.orphanInfos, 0);
        EXPECT_EQ(contents.orphanFiles, 0);
    }
    TempDir dir_;
};

constexpr char kDeleted = '0' + static_cast<int>(S::DELETED);
constexpr char kFlagged = '0' + static_cast<int>(S::FLAGGED);

TEST_F(TrashCases, NamesAlreadyInTheTrashAndAMissingTrashFolder) {
    // The data folder does not exist yet: the trash is made on the way.
    const std::string data = dir_ / "data/not/made/yet", trash = data + "/Trash";
    std::vector<std::string> files;
    for (const char* folder : {"a", "b", "c"})
        files.push_back(dir_.Write(std::string(folder) + "/same name.txt", folder));
    const TrashOutcome first = RunTrash(dir_, {data, false, {files[0], files[1]}});
    const TrashOutcome second = RunTrash(dir_, {data, false, {files[2]}});
    EXPECT_FALSE(first.hung || second.hung);
    EXPECT_EQ(first.statuses, std::string(2, kDeleted));
    EXPECT_EQ(second.statuses, std::string(1, kDeleted));
    EXPECT_EQ(first.message + second.message, "");
    EXPECT_EQ(test::ReadTrash(trash).originals.size(), 3u);
    ExpectNoOrphans(trash);
    for (std::size_t k = 0; k < files.size(); ++k)
        ExpectKept(files[k], std::string(1, static_cast<char>('a' + k)), trash);
}

TEST_F(TrashCases, WhenNoTrashCanTakeTheFileItStaysFlaggedAndIsReported) {
    const std::string file = dir_.Write("kept/file.txt", "stays");
    const std::string asFile = dir_ / "trash-is-a-file";
    dir_.Write("trash-is-a-file/Trash", "a file where the trash folder belongs");
    for (const std::string& data : {asFile, std::string("relative/data")}) {
        SCOPED_TRACE(data);
        const TrashOutcome outcome = RunTrash(dir_, {data, false, {file}});
        EXPECT_FALSE(outcome.hung);
        EXPECT_EQ(outcome.statuses, std::string(1, kFlagged));
        EXPECT_EQ(outcome.message, "1 file could not be moved to the trash: " + file);
        ExpectKept(file, "stays", data);
    }
}

TEST_F(TrashCases, AnUnwritableInfoFolderOrSourceFolderLeavesNothingHalfDone) {
    if (!test::CanBecomeNobody()) GTEST_SKIP() << "needs root to drop to nobody";
    fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::others_exec);
    const std::string data = dir_.MakeDir("data"), trash = data + "/Trash";
    dir_.MakeDir("data/Trash/info");
    dir_.MakeDir("data/Trash/files");
    const std::string free = dir_.Write("free/mine.txt", "nobody's own");
    const std::string fixed = dir_.Write("fixed/mine.txt", "in a folder nobody may change");
    for (const std::string& path : {dir_ / "home", dir_ / "cwd", data, trash, trash + "/info",
                                    trash + "/files", dir_ / "free", free, dir_ / "fixed", fixed})
        ASSERT_EQ(chown(path.c_str(), test::kNobody, test::kNobody), 0) << path;

    chmod((trash + "/info").c_str(), 0555);
    const TrashOutcome noInfo = RunTrash(dir_, {data, true, {free}});
    EXPECT_EQ(noInfo.statuses, std::string(1, kFlagged));
    EXPECT_EQ(noInfo.message, "1 file could not be moved to the trash: " + free);
    ExpectKept(free, "nobody's own", trash);
    ExpectNoOrphans(trash);

    // The info file can be written, but the file cannot leave its folder: the info goes again.
    chmod((trash + "/info").c_str(), 0755);
    chmod((dir_ / "fixed").c_str(), 0555);
    const TrashOutcome stuck = RunTrash(dir_, {data, true, {fixed, free}});
    EXPECT_EQ(stuck.statuses, (std::string{kFlagged, kDeleted}));
    ExpectKept(fixed, "in a folder nobody may change", trash);
    ExpectKept(free, "nobody's own", trash);
    ExpectNoOrphans(trash);
    EXPECT_EQ(test::ReadTrash(trash).originals.size(), 1u);
}

TEST_F(TrashCases, OneFileUnderManyNamesIsNeverTrashedAsItsOwnCopy) {
    const std::string file = dir_.Write("d/file.txt", "the only copy");
    const std::string hard = dir_ / "d/hard link.txt", soft = dir_ / "d/soft link.txt";
    ASSERT_EQ(link(file.c_str(), hard.c_str()), 0);
    ASSERT_EQ(symlink(file.c_str(), soft.c_str()), 0);
    const std::vector<std::string> names = {file, file, dir_ / "d/./file.txt", dir_ / "d//file.txt",
                                            hard, soft};
    const std::string data = dir_ / "data", trash = data + "/Trash";
    const test::ChildOutcome child = test::InChild(
        [&] {
            setenv("HOME", (dir_ / "home").c_str(), 1);
            setenv("XDG_DATA_HOME", data.c_str(), 1);
            test::PassList list;
            for (const std::string& name : names) list.Add(name);
            list.ctx.RunPass();
            FlagIdenticals(list.ctx);
            SendFlaggedToTrash(list.ctx, platform::RealTrash());
            return test::StatusDigits(list.ctx);
        },
        20s);
    EXPECT_EQ(child.output, std::string(names.size(), '0' + static_cast<int>(S::OKAY)));
    EXPECT_EQ(test::ReadAll(file), "the only copy");
    EXPECT_TRUE(fs::is_symlink(soft));
    EXPECT_TRUE(test::ReadTrash(trash).originals.empty());
}

}  // namespace
}  // namespace vellum::test
