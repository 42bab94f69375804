// Checking a listed file against a pasted digest: the kind follows from the length, the pass
// calculates what is not shown, and the row reads UNCHANGED only when the digest is the file's.
#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "filelist/list_context.h"
#include "interchange/digest_check.h"
#include "pass/list_pass.h"
#include "tests/support/digest_of.h"
#include "tests/support/rows.h"
#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

std::string HexOf(DigestKind kind, const std::string& content) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(content.data());
    return LowerHex(test::DigestOf(kind, std::span(data, content.size())).view());
}

TEST(DigestCheck, TheRowReadsUnchangedOnlyWhenThePastedDigestIsTheFiles) {
    test::TempDir dir;
    const std::string content = "published content\n";
    const std::string path = dir.Write("release.iso", content);
    const std::string sha512 = HexOf(DigestKind::Sha512, content);
    struct Case {
        std::string what;
        std::string pasted;
        std::optional<std::string> matched;  // nothing: the row reads CHANGED
    };
    const Case cases[] = {
        {"SHA-256, with blanks around", "  " + HexOf(DigestKind::Sha256, content) + "\n",
         "SHA-256"},
        {"SHA-1 in upper case",
         [&] {
             std::string hex = HexOf(DigestKind::Sha1, content);
             for (char& c : hex) c = static_cast<char>(std::toupper(c));
             return hex;
         }(),
         "SHA-1"},
        {"128 digits of SHA-512", sha512, "SHA-512"},
        {"128 digits of BLAKE2b", HexOf(DigestKind::Blake2b, content), "BLAKE2b-512"},
        {"MD5", DigestToHex(DigestOfText(content)), "MD5"},
        {"another file's SHA-384", HexOf(DigestKind::Sha384, "other"), std::nullopt},
        {"one digit changed", std::string(sha512).replace(127, 1, sha512[127] == '0' ? "1" : "0"),
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ListContext ctx;
        ListPass pass(ctx);
        (void)AppendRow(ctx, test::Row(path, EntryStatus::WAITING));
        ctx.RunPass();
        const auto digest = ReadPublishedDigest(c.pasted);
        ASSERT_TRUE(digest.has_value());
        ExpectDigest(ctx.table[1], *digest);
        ctx.RunPass();
        EXPECT_EQ(MatchedAlgorithm(ctx.table[1], *digest), c.matched);
        EXPECT_EQ(ctx.table[1].band, c.matched ? EntryBand::UNCHANGED : EntryBand::CHANGED);
        EXPECT_EQ(ctx.table[1].status, EntryStatus::OKAY);
        // The row has its four values again, whatever it was checked against.
        EXPECT_EQ(ctx.table[1].md5, DigestOfText(content));
        EXPECT_EQ(ctx.table[1].held, kHeldAll);
    }
}

TEST(DigestCheck, TextThatIsNoDigestIsRefused) {
    for (const std::string& text :
         std::vector<std::string>{"", "xyz", std::string(63, 'a'), std::string(64, 'g'),
                                  std::string(31, '0') + " 0", std::string(130, 'a')})
        EXPECT_FALSE(ReadPublishedDigest(text).has_value()) << text;
}

}  // namespace
}  // namespace vellum
