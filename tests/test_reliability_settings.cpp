// The settings file in every state a user's machine can leave it in: missing with its folder,
// a FIFO, a folder, a link to a device, immutable, not ours to write, corrupt, or 50 MB of
// something else. The identifier is always had; a failed store says "Unable to write to %s";
// no case hangs, and whatever the file held stays.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "net/install_id.h"
#include "net/web_host.h"
#include "platform/ini.h"
#include "tests/reliability/harness.h"

namespace vellum {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using namespace std::chrono_literals;

// LoadInstallId in a child with a time limit, so that a settings file that blocks fails the
// test instead of stopping it: "made|id|writeError".
test::ChildOutcome LoadInChild(const std::string& settings, bool asNobody = false) {
    return test::InChild(
        [&] {
            if (asNobody) test::BecomeNobody();
            const net::InstallIdOutcome o = net::LoadInstallId(settings);
            return std::string(o.made ? "made" : "read") + "|" + o.id + "|" + o.writeError;
        },
        10s);
}

std::string WriteErrorOf(const test::ChildOutcome& child) {
    return child.output.substr(child.output.rfind('|') + 1);
}

// "chattr +i" where the file system and our rights allow it.
bool MakeImmutable(const std::string& path, bool on) {
    const std::string command = std::string("chattr ") + (on ? "+i " : "-i ") + path;
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(SettingsFile, NothingThatStandsAtItsPathHangsOrIsChanged) {
    TempDir dir;
    const std::string missing = dir / "no/such/folder/Vellum.INI";
    const std::string fifo = dir / "fifo.INI";
    mkfifo(fifo.c_str(), 0644);
    const std::string folder = dir.MakeDir("folder.INI");
    const std::string device = dir / "device.INI";
    fs::create_symlink("/dev/zero", device);
    const std::string huge = dir / "huge.INI";
    {
        std::ofstream out(huge, std::ios::binary);
        const std::string block(1 << 20, 'z');
        for (int k = 0; k < 50; ++k) out << block;
    }
    const std::string immutable = dir.Write("immutable.INI", "[Other]\nkept=1\n");
    const bool canLock = MakeImmutable(immutable, true);

    std::vector<std::string> cases = {missing, fifo, folder, device, huge};
    if (canLock) cases.push_back(immutable);
    double worst = 0;
    for (const std::string& settings : cases) {
        SCOPED_TRACE(settings);
        const test::ChildOutcome child = LoadInChild(settings);
        EXPECT_FALSE(child.hung);
        EXPECT_EQ(child.output.substr(0, 5), "made|");
        EXPECT_EQ(WriteErrorOf(child), "Unable to write to " + settings);
        worst = std::max(worst, child.seconds);
    }
    EXPECT_LT(worst, 3.0);
    test::Figure("must-not-hang, 3 s: settings file that is a FIFO, folder, device or 50 MB",
                 worst * 1000, "ms");
    EXPECT_FALSE(fs::exists(dir / "no"));
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_directory(folder) && fs::is_empty(folder));
    EXPECT_EQ(fs::read_symlink(device), "/dev/zero");
    EXPECT_EQ(fs::file_size(huge), 50u << 20);
    if (canLock) {
        MakeImmutable(immutable, false);
        EXPECT_EQ(test::ReadAll(immutable), "[Other]\nkept=1\n");
    }
    // Nothing was left beside them: no temporary copies.
    std::size_t entries = 0;
    for (const auto& entry : fs::directory_iterator(dir.path())) entries += entry.exists() ? 1 : 0;
    EXPECT_EQ(entries, 5u);

    const long growth = test::PeakGrowthKiB([&] { (void)platform::IniRead(huge, "a", "b"); });
    EXPECT_LT(growth, 64 * 1024);
    test::Figure("peak memory growth: 50 MB settings file", growth / 1024.0, "MiB");
}

TEST(SettingsFile, NotOursToWriteIsReportedAndLeftAsItWas) {
    if (!test::CanBecomeNobody()) GTEST_SKIP() << "needs root to drop to nobody";
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::others_exec);
    const std::string text = "[Other]\r\nkey=value\r\n";
    // Root's file in root's folder; and nobody's own file in a folder nobody may change.
    const std::string rootFile = dir.Write("root/Vellum.INI", text);
    const std::string ownFile = dir.Write("fixed/Vellum.INI", text);
    ASSERT_EQ(chown(ownFile.c_str(), test::kNobody, test::kNobody), 0);
    for (const std::string& settings : {rootFile, ownFile}) {
        SCOPED_TRACE(settings);
        const test::ChildOutcome child = LoadInChild(settings, true);
        EXPECT_FALSE(child.hung);
        EXPECT_EQ(WriteErrorOf(child), "Unable to write to " + settings);
        EXPECT_EQ(test::ReadAll(settings), text);
    }
}

TEST(SettingsFile, ACorruptFileGetsItsKeyAndKeepsEveryByteItHad) {
    TempDir dir;
    const std::string binary = [] {
        std::string bytes;
        for (int k = 0; k < 4096; ++k) bytes += static_cast<char>((k * 37) % 256);
        return bytes;
    }();
    const std::string cases[] = {
        binary,
        std::string("\0\0\0[Software\\Tarnwick\\Vellum\0]\0", 31),
        "[Software\\Tarnwick\\Vellum",                       // the header never closes
        "[Software\\Tarnwick\\Vellum]\nUniqueSerialNumber",  // the key without "="
        "no line break at all " + std::string(100000, 'x'),
        "\r\r\r[Other]\rkey=1\r",  // CR-only lines
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 30));
        const std::string settings = dir.Write("Vellum.INI", text);
        const net::InstallIdOutcome first = net::LoadInstallId(settings);
        EXPECT_TRUE(first.made);
        EXPECT_EQ(first.writeError, "");
        const std::string after = test::ReadAll(settings);
        EXPECT_EQ(after.substr(0, text.size()), text);
        const net::InstallIdOutcome second = net::LoadInstallId(settings);
        EXPECT_FALSE(second.made);
        EXPECT_EQ(second.id, first.id);
    }
}

TEST(SettingsFile, AStoredValueThatIsNoIdentifierIsSentEscaped) {
    TempDir dir;
    const std::string settings = dir.Write(
        "Vellum.INI", "[Software\\Tarnwick\\Vellum]\nUniqueSerialNumber=\x01 & <id>?#\x7f\xff\n");
    const net::InstallIdOutcome o = net::LoadInstallId(settings);
    EXPECT_FALSE(o.made);
    EXPECT_EQ(o.id, "\x01 & <id>?#\x7f\xff");
    const std::string url = net::VersionCheckUrl(o.id);
    const std::string query = url.substr(url.find("?uniqueid=") + 10);
    EXPECT_EQ(query, "%01%20%26%20%3Cid%3E%3F%23%7F%FF");
}

}  // namespace
}  // namespace vellum
