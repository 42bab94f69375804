#include "net/version_check.h"

#include "net/web_host.h"
#include "program_identity.h"

namespace vellum::net {

std::string ReplyValue(std::string_view text, std::string_view key) {
    const std::string marker = "_" + std::string(key) + "_";
    const auto found = text.find(marker);
    if (found == std::string_view::npos) return {};
    const std::size_t start = found + marker.size();
    if (start >= text.size()) return {};
    const std::string_view rest = text.substr(start, text.size() - 1 - start);
    const auto end = rest.find('_');
    return end == std::string_view::npos ? std::string() : std::string(rest.substr(0, end));
}

std::string LinesWithCrLf(std::string_view body) {
    std::string text;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\r' && body[i] != '\n') continue;
        text.append(body.substr(lineStart, i - lineStart)).append("\r\n");
        if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
        lineStart = i + 1;
    }
    if (lineStart < body.size()) text.append(body.substr(lineStart)).append("\r\n");
    return text;
}

Verdict JudgeVersion(std::string_view program, std::string_view latest) {
    if (latest.empty() || program != kProgramName)
        return {LogoPicture::kGrey, "Cannot determine latest version"};
    // string_view compares bytes as unsigned values, a prefix before the longer text: version
    // texts compare as text, so 1.5 is newer than 1.420 and 1.42 older.
    const int order = latest.compare(kProgramVersion);
    if (order > 0)
        return {LogoPicture::kRed,
                "This is not the latest version. click here to upgrade to version " +
                    std::string(latest)};
    if (order < 0)
        return {LogoPicture::kGreen,
                "This is an preview version as it is newet than the current officially released "
                "version"};
    return {LogoPicture::kGreen, "This is the latest version"};
}

VersionCheckOutcome JudgeReplyBody(std::string_view body) {
    const std::string text = LinesWithCrLf(body);
    VersionCheckOutcome outcome;
    outcome.exchanged = true;
    outcome.news = ReplyValue(text, "NEWS");
    outcome.verdict = JudgeVersion(ReplyValue(text, "PROGRAM"), ReplyValue(text, "LATEST VERSION"));
    return outcome;
}

std::string PictureHint(std::string_view message) {
    return std::string(kClickHint) + ", " + std::string(message);
}

VersionCheckOutcome CheckLatestVersionAt(std::string_view url) {
    HttpClient http;
    http.Settings().userAgent = ProgramTitle();
    http.Settings().timeout = kCheckTimeout;
    // The status code is not looked at: any reply carrying the markers counts.
    if (http.SendRequest("GET", url)) return JudgeReplyBody(http.Document());
    VersionCheckOutcome failed;
    failed.verdict = {LogoPicture::kGrey, "Cannot connect to server to check version information"};
    return failed;
}

VersionCheckOutcome CheckLatestVersion(std::string_view installId) {
    return CheckLatestVersionAt(VersionCheckUrl(installId));
}

}  // namespace vellum::net
