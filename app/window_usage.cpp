#include "app/window_usage.h"

#include <algorithm>

#include "program_identity.h"

namespace vellum::app {

namespace {

std::string UsageText() {
    return "usage: vellum [-crc16a|-crc16b|-crc16c] [-crc32a|-crc32b] [-noautocheck] [-fN]\n"
           "              [FILE...]\n"
           "       vellum --help | --version\n"
           "\n"
           "Opens Vellum's window, lists the FILEs (up to fifteen) and calculates their CRC-16,\n"
           "CRC-32, xsum and MD5. With no FILE the \"Add files\" dialog opens at start.\n"
           "\n"
           "  -crc16a|b|c   CRC-16 variant (default b)\n"
           "  -crc32a|b     CRC-32 variant (default b)\n"
           "  -noautocheck  do not ask the web host for the latest version at start\n"
           "  -fN           room for N files in the list at start (default 16384)\n"
           "  --help        print this text and exit\n"
           "  --version     print the version and exit\n"
           "\n"
           "The anonymous installation identifier is kept in vellum.INI beside the program when\n"
           "that file exists or the program's folder is writable (and neither a system folder\n"
           "such as /usr/bin nor ~/.local/bin), otherwise in\n"
           "$XDG_CONFIG_HOME/vellum/vellum.INI (~/.config/vellum/vellum.INI);\n"
           "VELLUM_SETTINGS names another file. See vellum(1).\n";
}

bool Has(const std::vector<std::string>& args, const char* word) {
    return std::find(args.begin(), args.end(), word) != args.end();
}

}  // namespace

std::optional<std::string> EarlyAnswer(const std::vector<std::string>& args) {
    if (Has(args, "--help")) return UsageText();
    if (Has(args, "--version")) return std::string("vellum ") + std::string(kProgramVersion) + "\n";
    return std::nullopt;
}

}  // namespace vellum::app
