// The status line: the posted message with its style, colour and ticks, and the composition
// of the line (the list summary, "processing...", or the message that is due).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vellum {

struct ListContext;

// The posted message. The three texts keep their last values: a poster that sets only the
// message and the ticks gets the style and colour the previous poster left.
struct PostedMessage {
    std::string StatusMessage;
    std::string StatusStyle;   // "Bold" makes the message bold
    std::string StatusColour;  // "Red" or "Blue"
};

enum class StatusColour : std::uint8_t { Default, Red, Blue };

// What the panel draws. Bold and colour carry over from one composition to the next, as the
// panel's font does: a message that names no style keeps the one before it.
struct StatusLine {
    std::string text;
    bool bold = false;
    StatusColour colour = StatusColour::Default;
};

// Sets message, style, colour and ticks together, then tells the host.
void PostStatusMessage(ListContext& ctx, std::string_view message, std::string_view style,
                       std::string_view colour, std::int32_t ticks);
// Sets only the message and the ticks: style and colour stay as the last poster left them.
void PostStatusMessage(ListContext& ctx, std::string_view message, std::int32_t ticks);
// "%s failed" with the path, bold red, five seconds.
void PostFailed(ListContext& ctx, std::string_view path);

// Composes the line (ComposeStatusLine) into ctx.line and returns it. The separator groups the byte
// totals in threes ("," gives 1,234,567).
const StatusLine& ComposeStatusLine(ListContext& ctx, std::string_view thousandsSeparator);

// One tick of the one-second timer; true when the message just expired and the line must be
// composed again.
[[nodiscard]] bool CountDownMessage(ListContext& ctx);

// A whole number with its digits grouped in threes: "%0.0n".
[[nodiscard]] std::string FormatThousands(std::int64_t value, std::string_view separator);

}  // namespace vellum
