// The version check: ask the maker's server which version is the latest and judge its answer.
// The window turns the outcome into a picture, its hint and the news line.
#pragma once

#include <string>
#include <string_view>

#include "net/http.h"

namespace vellum::net {

// The window posts this (bold red, kCheckingTicks) before calling CheckLatestVersion.
inline constexpr std::string_view kCheckingMessage = "Checking for latest version";
inline constexpr int kCheckingTicks = 5;
// The news of a successful exchange is posted bold blue for this long, even when empty.
inline constexpr int kNewsTicks = 15;
// The picture's first hint, and the start of every later one.
inline constexpr std::string_view kClickHint =
    "Click here to visit web site, Right Click to check latest version";
inline constexpr Milliseconds kCheckTimeout{2000};

enum class LogoPicture {
    kGrey,   // grey: at start, and after a failed or unusable check
    kGreen,  // green: this is the latest version, or a preview of the next
    kRed,    // red: a newer version exists
};

struct Verdict {
    LogoPicture picture = LogoPicture::kGrey;
    std::string message;
};

struct VersionCheckOutcome {
    bool exchanged = false;  // the server answered; only then is the news posted
    std::string news;
    Verdict verdict;
};

// The value after the marker "_key_" up to the next "_"; the reply's last character never
// belongs to a value. Empty when the marker or the closing underscore is missing.
[[nodiscard]] std::string ReplyValue(std::string_view text, std::string_view key);

// The body split into lines (CR, LF or CR LF) and joined with CR LF after every line.
[[nodiscard]] std::string LinesWithCrLf(std::string_view body);

// program must be "Vellum" exactly; latest is compared with our version as a byte string.
[[nodiscard]] Verdict JudgeVersion(std::string_view program, std::string_view latest);

// The outcome of a reply body the server sent.
[[nodiscard]] VersionCheckOutcome JudgeReplyBody(std::string_view body);

// "<click hint>, <message>": the hint of the picture a check leaves visible.
[[nodiscard]] std::string PictureHint(std::string_view message);

// One blocking GET of url with our user agent and the 2-second limit.
[[nodiscard]] VersionCheckOutcome CheckLatestVersionAt(std::string_view url);
// CheckLatestVersionAt(VersionCheckUrl(installId)).
[[nodiscard]] VersionCheckOutcome CheckLatestVersion(std::string_view installId);

}  // namespace vellum::net
