#include "midi/midi_message.h"

#include "midi/midi_bytes.h"

#include "values/number_rules.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

namespace {

// A field as a whole number, never cast while it may be out of range.
std::optional<double> roundedNumber(const Variant& field)
{
    const std::optional<double> n = field.toNumber();
    if (!n || std::isnan(*n))
        return std::nullopt;
    return roundHalfEven(*n);
}

} // namespace

std::uint8_t toDataByte(const Variant& field)
{
    const std::optional<double> n = roundedNumber(field);
    if (!n || *n <= 0.0)
        return 0;
    if (*n >= midi::MaxData)
        return midi::MaxData;
    return static_cast<std::uint8_t>(*n);
}

std::optional<std::uint8_t> toStatusByte(const Variant& field)
{
    const std::optional<double> n = roundedNumber(field);
    if (!n || *n < midi::FirstStatus || *n > 0xFF)
        return std::nullopt;
    return static_cast<std::uint8_t>(*n);
}

int messageLength(std::uint8_t status)
{
    using namespace midi;
    if (!isStatus(status))
        return 0;
    if (isChannelStatus(status)) {
        const int kind = kindOf(status);
        return (kind == ProgramChange || kind == ChannelPressure) ? 2 : 3;
    }
    switch (status) {
    case TimeCodeQuarterFrame:
    case SongSelect: return 2;
    case SongPosition: return 3;
    case TuneRequest:
    case Clock:
    case Start:
    case Continue:
    case Stop:
    case ActiveSensing:
    case SystemReset: return 1;
    default: // system exclusive and its end frame data of any length; 0xF4, 0xF5, 0xF9, 0xFD are undefined
        return 0;
    }
}

bool isWholeMessage(const MidiBytes& message)
{
    return isWholeMessage(message.data(), message.size());
}

bool isWholeMessage(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0 || static_cast<std::size_t>(messageLength(bytes[0])) != size)
        return false;
    return std::none_of(bytes + 1, bytes + size, [](std::uint8_t b) { return midi::isStatus(b); });
}

MidiBytes assembleMessage(const Variant& status, const Variant& data1, const Variant& data2)
{
    const std::optional<std::uint8_t> s = toStatusByte(status);
    if (!s)
        return {};
    const int length = messageLength(*s);
    MidiBytes bytes;
    if (length >= 1)
        bytes.push_back(*s);
    if (length >= 2)
        bytes.push_back(toDataByte(data1));
    if (length >= 3)
        bytes.push_back(toDataByte(data2));
    return bytes;
}

} // namespace quorvane
