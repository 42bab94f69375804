// The maker's web host and the addresses on it: the version check and the two web pages.
// The host is chosen when the program is built; VELLUM_WEB_HOST in the environment overrides it.
#pragma once

#include <string>
#include <string_view>

namespace vellum::net {

// override (host, or host:port) when it is set and looks like one, else the built-in host.
// Anything else (a path, a blank, a quote) is ignored rather than spliced into a URL.
[[nodiscard]] std::string WebHostFrom(const char* override);
// WebHostFrom(getenv("VELLUM_WEB_HOST")).
[[nodiscard]] std::string WebHost();

// "http://HOST/vellum/version.php", with "?uniqueid=ID" when installId is not empty. An id
// holds only digits and a-f; anything else in it is percent-escaped.
[[nodiscard]] std::string VersionCheckUrl(std::string_view installId);
// "http://HOST/"
[[nodiscard]] std::string HomePageUrl();
// "http://HOST/vellum.php"
[[nodiscard]] std::string ProductPageUrl();

}  // namespace vellum::net
