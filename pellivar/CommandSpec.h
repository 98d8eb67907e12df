#pragma once

#include <string>

namespace pellivar {

// How one processor value is addressed: a command prefix, the value's text
// form and a channel. Every command and reply names the channel with one
// character after the prefix:
//   channel 0-9    '0'-'9'
//   channel 10-19  the code channel + 90 ('d'-'m')
//   otherwise      the channel's low byte (99 'c', 100 'd', 101 'e')
// Set:   prefix "s" channel-char value   (fc, 0, 50 -> "fcs050")
// Query: prefix "?" channel-char         (fc, 3     -> "fc?3")
// Reply: prefix channel-char value       ("fc350")
class CommandSpec {
public:
    // The value's text form: a decimal number, or one character.
    static constexpr const char* kDecimal = "%d";
    static constexpr const char* kCharacter = "%c";

    CommandSpec() = default;
    CommandSpec(std::string prefix, std::string format, int channel);

    // Re-binds to another channel and prefix (controls moving to a source).
    void Assign(int channel, std::string prefix, std::string format = kDecimal);

    const std::string& Prefix() const { return prefix_; }
    const std::string& Format() const { return format_; }
    int Channel() const { return channel_; }
    void SetChannel(int channel) { channel_ = channel; }

    char ChannelChar() const { return ChannelChar(channel_); }
    static char ChannelChar(int channel);

    // The subscription key: the prefix alone for channel -1, else prefix and
    // channel character. Empty when there is no prefix: such a value neither
    // sends nor subscribes.
    std::string ReplyKey() const;
    std::string BuildSet(int value) const;
    std::string BuildQuery() const;

    // When the character after the prefix is this channel's, reads the rest
    // of the line in the value format into `value` and returns true; else
    // leaves `value` alone. The prefix itself is not compared again (the
    // subscription match did that).
    bool Parse(const std::string& line, int& value) const;

private:
    bool IsCharacterFormat() const { return format_ == kCharacter; }

    std::string prefix_;
    std::string format_ = kDecimal;
    int channel_ = -1;
};

}  // namespace pellivar
