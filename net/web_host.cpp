#include "net/web_host.h"

#include <algorithm>
#include <cstdlib>

#include "program_identity.h"

namespace vellum::net {

namespace {

constexpr std::size_t kLongestHost = 255 + 6;  // a DNS name and ":65535"

bool IsHostByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_' || c == ':' || c == '[' || c == ']';
}

bool IsUnreserved(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string PercentEscaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        if (IsUnreserved(c)) {
            out += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        out += '%';
        out += kHex[byte >> 4];
        out += kHex[byte & 0x0F];
    }
    return out;
}

std::string SiteUrl(std::string_view path) {
    return "http://" + WebHost() + std::string(path);
}

}  // namespace

std::string WebHostFrom(const char* override) {
    const std::string_view wanted = override != nullptr ? override : "";
    const bool usable = !wanted.empty() && wanted.size() <= kLongestHost &&
                        std::all_of(wanted.begin(), wanted.end(), IsHostByte);
    return usable ? std::string(wanted) : std::string(kDefaultWebHost);
}

std::string WebHost() {
    return WebHostFrom(std::getenv("VELLUM_WEB_HOST"));
}

std::string VersionCheckUrl(std::string_view installId) {
    std::string url = SiteUrl("/vellum/version.php");
    if (!installId.empty()) url += "?uniqueid=" + PercentEscaped(installId);
    return url;
}

std::string HomePageUrl() {
    return SiteUrl("/");
}

std::string ProductPageUrl() {
    return SiteUrl("/vellum.php");
}

}  // namespace vellum::net
