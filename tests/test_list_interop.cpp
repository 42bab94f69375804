// Lists both ways with the tools themselves: what md5sum, the sha*sum tools and b2sum write,
// with and without --tag, reads back to the names and digests they mean, and the lines Vellum
// writes are theirs byte for byte and pass their --check --strict.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "interchange/export_line.h"
#include "interchange/list_reader.h"
#include "tests/support/digest_of.h"
#include "tests/support/memory_file.h"
#include "tests/support/run.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

struct Tool {
    const char* program;
    const char* list;                // the name its lists go by
    std::optional<DigestKind> kind;  // nothing for MD5
};
constexpr Tool kTools[] = {
    {"md5sum", "MD5SUMS", std::nullopt},
    {"sha1sum", "SHA1SUMS", DigestKind::Sha1},
    {"sha224sum", "SHA224SUMS", DigestKind::Sha224},
    {"sha256sum", "SHA256SUMS", DigestKind::Sha256},
    {"sha384sum", "SHA384SUMS", DigestKind::Sha384},
    {"sha512sum", "SHA512SUMS", DigestKind::Sha512},
    {"b2sum", "B2SUMS", DigestKind::Blake2b},
};

// Names with blanks at either end, each byte the escaped form is for, a Ctrl-Z, bytes that
// are no UTF-8, and the characters of the lines' own syntax.
const std::vector<std::string> kNames = {
    "plain",     " lead and trail ", "back\\slash", "new\nline", "cr\rret",
    "ctrl\x1Az", "high\xff\xfe\x80", "par)en (x)",  "*star",     "#hash",
    "a = b",     "DEADBEEF",
};

std::string ContentOf(const std::string& name) {
    return "content of " + name;
}

std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

FileEntry RowOf(const std::string& path, const Tool& tool, const std::string& content) {
    FileEntry row;
    row.path.assign(path);
    row.held = 0;
    if (tool.kind) {
        row.digests.set(*tool.kind, test::DigestOf(*tool.kind, Bytes(content)));
    } else {
        row.md5 = DigestOfText(content);
        row.held = kHeldMd5;
    }
    return row;
}

test::ProgramRun RunTool(const test::TempDir& dir, std::vector<std::string> argv) {
    test::RunRequest request;
    request.argv = std::move(argv);
    request.argv[0] = "/usr/bin/" + request.argv[0];
    request.cwd = dir.path();
    return test::RunBounded(request);
}

class ToolLists : public testing::Test {
  protected:
    void SetUp() override {
        for (const std::string& name : kNames) dir_.Write(name, ContentOf(name));
    }
    test::TempDir dir_;
};

TEST_F(ToolLists, TheirListsReadBackToTheNamesAndDigestsTheyMean) {
    for (const Tool& tool : kTools) {
        for (const bool tag : {false, true}) {
            SCOPED_TRACE(std::string(tool.program) + (tag ? " --tag" : ""));
            std::vector<std::string> argv = {tool.program};
            if (tag) argv.push_back("--tag");
            argv.insert(argv.end(), kNames.begin(), kNames.end());
            const test::ProgramRun run = RunTool(dir_, argv);
            ASSERT_EQ(run.exitCode, 0) << run.err;
            test::MemoryFile file(run.out);
            ListLineReader reader(file, test::MemoryFile::kFd, RulesFor(dir_ / tool.list, 1));
            ListLine line;
            for (const std::string& name : kNames) {
                ASSERT_TRUE(reader.Next(line)) << name;
                ASSERT_EQ(line.kind, ListLineKind::Row) << name;
                const FileEntry want = RowOf(dir_ / name, tool, ContentOf(name));
                EXPECT_EQ(line.row.path.view(), want.path.view());
                EXPECT_EQ(line.row.held, want.held) << name;
                EXPECT_TRUE(HeldValuesEqual(line.row, want)) << name;
                EXPECT_EQ(line.row.digests.mask(), want.digests.mask()) << name;
            }
            EXPECT_FALSE(reader.Next(line));
        }
    }
}

TEST_F(ToolLists, OurLinesAreTheirsAndPassTheirStrictCheck) {
    for (const Tool& tool : kTools) {
        for (const bool tag : {false, true}) {
            SCOPED_TRACE(std::string(tool.program) + (tag ? " --tag" : ""));
            const ExportLayout layout{tag ? ExportLayout::Shape::Tags : ExportLayout::Shape::Sums,
                                      tool.kind};
            std::string ours;
            for (const std::string& name : kNames)
                ours += ExportLine(RowOf(name, tool, ContentOf(name)), layout);
            std::vector<std::string> argv = {tool.program};
            if (tag) argv.push_back("--tag");
            argv.insert(argv.end(), kNames.begin(), kNames.end());
            EXPECT_EQ(RunTool(dir_, argv).out, ours);
            dir_.Write("ours", ours);
            const test::ProgramRun check = RunTool(dir_, {tool.program, "-c", "--strict", "ours"});
            EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        }
    }
}

}  // namespace
}  // namespace vellum
