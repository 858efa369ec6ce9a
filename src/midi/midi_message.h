#pragma once

#include "values/variant.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvane {

using MidiBytes = std::vector<std::uint8_t>;

// A data field as a MIDI data byte: rounded to a whole number (halves to
// even), then held to 0..127. Values that are no number at all count as 0.
std::uint8_t toDataByte(const Variant& field);

// A status field as a status byte; anything outside 0x80..0xFF is no status.
std::optional<std::uint8_t> toStatusByte(const Variant& field);

// How many bytes the message that starts with this status has; 0 for a status
// that cannot stand alone as a short message (system exclusive, undefined).
int messageLength(std::uint8_t status);

// The short message made of the three fields, or nothing when the status is
// not one that can be sent. Data bytes are always below 0x80.
MidiBytes assembleMessage(const Variant& status, const Variant& data1, const Variant& data2);

// Whether bytes from a device are one whole message the program can take: a
// status byte followed by exactly the data bytes it needs. System exclusive,
// stray data bytes and cut-off messages are not.
bool isWholeMessage(const MidiBytes& message);
// The same for bytes in place; real-time safe.
bool isWholeMessage(const std::uint8_t* bytes, std::size_t size);

} // namespace quorvane
