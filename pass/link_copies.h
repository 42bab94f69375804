// Replace Flagged with Links to Kept Copy: every flagged copy whose run of identical neighbours
// holds a kept copy (its first row that is in place and not flagged) becomes a link to that
// file, so that its space comes back while its path still opens the same bytes. Either the
// kernel's range dedupe shares the kept file's blocks with the copy, which stays a file of its
// own with its own permissions and times; or, where that cannot be had and the user agreed, the
// copy's name is put on the kept file itself as a hard link. Nothing is replaced whose bytes
// differ from the kept file's at that moment, and no moment leaves the path missing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vellum {

struct ListContext;
class ListPass;

enum class LinkWay : std::uint8_t {
    Dedupe,  // the file system shares the blocks (FIDEDUPERANGE); the names stay files apart
    Hard,    // the copy's name becomes a hard link to the kept file
};

struct LinkTally {
    std::int32_t replaced = 0;  // now a link to the kept copy (or already one)
    std::int32_t left = 0;      // flagged rows left as they were
    std::int64_t freed = 0;     // bytes no longer held twice
};

struct LinkRequest {
    LinkWay way = LinkWay::Dedupe;
    // With Dedupe, asked with how many copies sit on a file system that cannot share blocks:
    // whether those become hard links instead. Unset: they are left.
    std::function<bool(std::int32_t copies)> hardLinksInstead;
    // Groups the digits of the bytes freed in the message, as the status line groups its own.
    std::string thousandsSeparator = ",";
};

// The whole command: the flagged rows replaced become OKAY with their values; the others stay
// FLAGGED. The window is refreshed between files and Halt stops it (the rows not reached are
// left). Posts the tally and ends with a pass.
LinkTally ReplaceFlaggedWithLinks(ListContext& ctx, ListPass& pass, const LinkRequest& request);

// What the status line says of a tally.
[[nodiscard]] std::string LinkTallyText(const LinkTally& tally, std::string_view separator);

// The question put before hard links are made for copies that could not share blocks.
[[nodiscard]] std::string HardLinkQuestion(std::int32_t copies);

}  // namespace vellum
