#include "app/window_usage.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "filelist/command_line.h"
#include "filelist/file_table.h"
#include "program_identity.h"

namespace vellum::app {

namespace {

std::string UsageText() {
    return "usage: vellum [-crc16a|-crc16b|-crc16c] [-crc32a|-crc32b] [-noautocheck] [-fN]\n"
           "              [--] [FILE|FOLDER...]\n"
           "       vellum --help | --version\n"
           "\n"
           "Vellum calculates a CRC-16, a CRC-32, a 16-bit byte sum (xsum) and an MD5 digest\n"
           "for many files at once, and helps find, verify and dispose of identical files.\n"
           "This command opens its window and lists the FILEs given (up to fifteen arguments\n"
           "are read). With no argument, or -fN alone, the \"Add files\" dialog opens at\n"
           "start; with FOLDERs and no FILE, it opens in the last FOLDER given.\n"
           "\n"
           "  -crc16a|b|c   CRC-16 variant (default b)\n"
           "  -crc32a|b     CRC-32 variant (default b)\n"
           "  -noautocheck  do not ask the web host for the latest version at start\n"
           "  -fN           room for N files in the list at start (default 16384)\n"
           "  --            what follows is a FILE or FOLDER even if it starts with -\n"
           "  --help        print this text and exit\n"
           "  --version     print the version and exit\n"
           "\n"
           "The anonymous installation identifier, and the window's size and place, are kept\n"
           "in vellum.INI beside the program when that file exists or the program's folder is\n"
           "writable (and neither a system folder such as /usr/bin nor ~/.local/bin), otherwise\n"
           "in $XDG_CONFIG_HOME/vellum/vellum.INI (~/.config/vellum/vellum.INI);\n"
           "VELLUM_SETTINGS names another file. See vellum(1).\n";
}

// Qt takes these from the command line itself (with one dash or two); those in the first list
// take the next argument as their value, and some are also written "-style=fusion".
constexpr std::array<std::string_view, 17> kQtOptionsWithValue = {"platform",
                                                                  "platformpluginpath",
                                                                  "platformtheme",
                                                                  "plugin",
                                                                  "qwindowgeometry",
                                                                  "geometry",
                                                                  "qwindowtitle",
                                                                  "title",
                                                                  "qwindowicon",
                                                                  "icon",
                                                                  "session",
                                                                  "style",
                                                                  "stylesheet",
                                                                  "display",
                                                                  "name",
                                                                  "visual",
                                                                  "qmljsdebugger"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse",     "widgetcount", "sync",
                                                      "testability", "nograb",      "dograb"};

// The option's name without its dashes and any "=value".
std::string_view QtName(std::string_view arg) {
    arg.remove_prefix(arg.starts_with("--") ? 2 : 1);
    return arg.substr(0, arg.find('='));
}

bool Among(std::string_view name, auto& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsOurs(const std::string& arg) {
    ListState ignored;
    return ApplySwitch(ignored, arg) || IsFOption(arg);
}

bool LooksLikeOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-';
}

}  // namespace

std::optional<EarlyAnswer> AnswerEarly(const std::vector<std::string>& args,
                                       const PathExists& exists) {
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--") break;
        if (arg == "--help") return EarlyAnswer{UsageText()};
        if (arg == "--version")
            return EarlyAnswer{std::string("vellum ") + std::string(kProgramVersion) + "\n"};
        if (!LooksLikeOption(arg) || IsOurs(arg)) continue;
        const std::string_view name = QtName(arg);
        if (Among(name, kQtOptionsWithValue)) {
            if (arg.find('=') == std::string::npos) ++k;  // its value
            continue;
        }
        if (Among(name, kQtFlags) || exists(arg)) continue;
        return EarlyAnswer{"vellum: unknown option '" + arg + "'\n" + UsageText(), true, 2};
    }
    return std::nullopt;
}

}  // namespace vellum::app
