#include "midi/midi_message.h"

#include "midi/midi_bytes.h"

#include "values/number_rules.h"

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
    if (status < midi::FirstStatus)
        return 0;
    if (status < midi::SystemMessage) {
        const int kind = status & midi::StatusKindMask;
        return (kind == midi::ProgramChange || kind == midi::ChannelPressure) ? 2 : 3;
    }
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position pointer
        return 3;
    case 0xF6: // tune request
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF: // real time
        return 1;
    default: // 0xF0/0xF7 frame system exclusive data; 0xF4, 0xF5, 0xF9, 0xFD are undefined
        return 0;
    }
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
