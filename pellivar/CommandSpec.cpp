#include "pellivar/CommandSpec.h"

#include <cctype>
#include <charconv>

namespace pellivar {

CommandSpec::CommandSpec(std::string prefix, std::string format, int channel)
    : prefix_(std::move(prefix)), format_(std::move(format)), channel_(channel) {}

void CommandSpec::Assign(int channel, std::string prefix, std::string format) {
    channel_ = channel;
    prefix_ = std::move(prefix);
    format_ = std::move(format);
}

char CommandSpec::ChannelChar(int channel) {
    if (channel >= 0 && channel <= 9) return static_cast<char>('0' + channel);
    if (channel >= 10 && channel <= 19) return static_cast<char>(channel + 90);
    return static_cast<char>(static_cast<unsigned char>(channel & 0xFF));
}

std::string CommandSpec::ReplyKey() const {
    if (prefix_.empty()) return {};
    if (channel_ == -1) return prefix_;
    return prefix_ + ChannelChar();
}

// The value text is built here, never by handing a stored format to printf:
// only the two forms the processor knows exist.
std::string CommandSpec::BuildSet(int value) const {
    if (prefix_.empty()) return {};
    std::string text = prefix_ + 's' + ChannelChar();
    if (IsCharacterFormat()) text.push_back(static_cast<char>(value));
    else text += std::to_string(value);
    return text;
}

std::string CommandSpec::BuildQuery() const {
    if (prefix_.empty()) return {};
    return prefix_ + '?' + ChannelChar();
}

// scanf("%d") semantics: leading white space, an optional sign, digits; text
// after the digits is ignored. No digits, or a number too large for an int,
// leaves the value unchanged.
bool CommandSpec::Parse(const std::string& line, int& value) const {
    const std::size_t at = prefix_.size();
    if (line.size() <= at || line[at] != ChannelChar()) return false;
    std::size_t i = at + 1;
    if (IsCharacterFormat()) {
        if (i >= line.size()) return false;
        value = static_cast<unsigned char>(line[i]);
        return true;
    }
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    if (i < line.size() && line[i] == '+') ++i;
    int parsed = 0;
    const auto [end, ec] = std::from_chars(line.data() + i, line.data() + line.size(), parsed);
    if (ec != std::errc()) return false;
    (void)end;
    value = parsed;
    return true;
}

}  // namespace pellivar
