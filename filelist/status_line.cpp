#include "filelist/status_line.h"

#include <cstdio>
#include <string>

#include "filelist/list_context.h"

namespace vellum {

void PostStatusMessage(ListContext& ctx, std::string_view message, std::string_view style,
                       std::string_view colour, std::int32_t ticks) {
    ctx.message.StatusMessage = message;
    ctx.message.StatusStyle = style;
    ctx.message.StatusColour = colour;
    ctx.state.MessageTicks = ticks;
    ctx.host->StatusPosted(message);
}

void PostStatusMessage(ListContext& ctx, std::string_view message, std::int32_t ticks) {
    ctx.message.StatusMessage = message;
    ctx.state.MessageTicks = ticks;
    ctx.host->StatusPosted(message);
}

void PostFailed(ListContext& ctx, std::string_view path) {
    PostStatusMessage(ctx, std::string(path) + " failed", "Bold", "Red", 5);
}

std::string FormatThousands(std::int64_t value, std::string_view separator) {
    // Digits of the magnitude, taken unsigned so that the smallest int64 has one too.
    const bool negative = value < 0;
    std::uint64_t magnitude =
        negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    const std::string digits = std::to_string(magnitude);
    std::string out = negative ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += separator;
        out += digits[i];
    }
    return out;
}

namespace {

std::string SummaryText(const ListContext& ctx, std::string_view sep) {
    const ListState& s = ctx.state;
    const std::int32_t files = s.RowCount - 1;
    std::string text = "Listing " + std::to_string(files) + " files, ";
    if (s.Processing) {
        text += "processing...";
    } else {
        text += "total " + FormatThousands(s.TotalBytes, sep) + " bytes, " +
                std::to_string(s.FlaggedCount) + " flagged " +
                FormatThousands(s.FlaggedBytes, sep) + " bytes";
    }
    if (s.RowCount >= s.MaxFiles) text += ". FILE LIMIT REACHED";
    return text;
}

}  // namespace

const StatusLine& ComposeStatusLine(ListContext& ctx, std::string_view thousandsSeparator) {
    StatusLine& line = ctx.line;
    if (ctx.state.MessageTicks > 0) {
        // A message sets only what it names; the rest of the panel's look stays as it was.
        if (ctx.message.StatusStyle == "Bold") line.bold = true;
        if (ctx.message.StatusColour == "Red") line.colour = StatusColour::Red;
        if (ctx.message.StatusColour == "Blue") line.colour = StatusColour::Blue;
        line.text = ctx.message.StatusMessage;
    } else {
        line.bold = false;
        line.colour = StatusColour::Default;
        line.text = SummaryText(ctx, thousandsSeparator);
    }
    return line;
}

bool CountDownMessage(ListContext& ctx) {
    if (ctx.state.MessageTicks <= 0) return false;
    --ctx.state.MessageTicks;
    return ctx.state.MessageTicks == 0;
}

}  // namespace vellum
