#include "filelist/command_line.h"

#include <charconv>
#include <cstdint>

#include "filelist/list_context.h"

namespace vellum {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[k]) != lower(b[k])) return false;
    }
    return true;
}

// A signed decimal number in the 32-bit range, nothing else around it.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
    std::int32_t value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last) return std::nullopt;
    return value;
}

}  // namespace

bool ApplySwitch(ListState& state, std::string_view arg) {
    struct Switch {
        std::string_view name;
        void (*apply)(ListState&);
    };
    static constexpr Switch kSwitches[] = {
        {"-crc16a", [](ListState& s) { s.Crc16Variant = 0; }},
        {"-crc16b", [](ListState& s) { s.Crc16Variant = 1; }},
        {"-crc16c", [](ListState& s) { s.Crc16Variant = 2; }},
        {"-crc32a", [](ListState& s) { s.Crc32Variant = 0; }},
        {"-crc32b", [](ListState& s) { s.Crc32Variant = 1; }},
        {"-noautocheck", [](ListState& s) { s.NoAutoCheck = true; }},
    };
    for (const Switch& sw : kSwitches) {
        if (EqualsIgnoringCase(arg, sw.name)) {
            sw.apply(state);
            return true;
        }
    }
    return false;
}

bool IsFOption(std::string_view arg) {
    return arg.size() >= 2 && arg[0] == '-' && (arg[1] == 'f' || arg[1] == 'F');
}

std::optional<std::string> SweepOptions(ListContext& ctx, const std::vector<std::string>& args) {
    for (const std::string& arg : args) ApplySwitch(ctx.state, arg);
    std::optional<std::string> error;
    for (const std::string& arg : args) {
        if (!IsFOption(arg)) continue;
        const std::string_view number = std::string_view(arg).substr(2);
        const auto value = ParseInteger(number);
        if (!value) {
            // The first bad number ends the sweep; the limit stays as it stood before it.
            error.emplace("'");
            error->append(number).append("' is not a valid integer value");
            break;
        }
        SetMaxFiles(ctx, *value);
    }
    SizeFileTable(ctx);
    return error;
}

std::vector<std::string> StartupPaths(const std::vector<std::string>& args) {
    std::vector<std::string> paths;
    for (std::size_t k = 0; k < args.size() && k < 15; ++k) {
        if (k == 0 && IsFOption(args[k])) continue;
        paths.push_back(args[k]);
    }
    return paths;
}

}  // namespace vellum
