#pragma once

#include "values/variant.h"

#include <cstdint>
#include <optional>

namespace quorvane {

// The arithmetic the formulas, the senders and the MIDI message fields do on
// the program's values. The
// values may be anything a double can hold (huge, negative, infinite, NaN
// after an overflow), so nothing here ever casts a double that may be out of
// range to an integer type.

// Rounds to a whole number with halves to even, as the program's whole-number
// conversions do. NaN and infinities stay what they are.
double roundHalfEven(double value);

// Whole-number Mod: both operands rounded to whole numbers, the remainder
// with the sign of the dividend (60 Mod 127 = 60, -5 Mod 3 = -2, 7.5 Mod 2 = 0).
// No value when the divisor rounds to 0 (or is no number); a dividend that is
// infinite or NaN gives NaN.
std::optional<double> wholeMod(double dividend, double divisor);

// The Wondrousness parity test: "x Mod 2 = 0".
bool isEvenWhole(double value);

// Numeric comparison of two values, as "StartNote = PrevStartNote" compares:
// false when either is no number (NaN never equals anything).
bool numericEquals(const Variant& a, const Variant& b);

// Milliseconds held to what a 32-bit wait can take: negative and NaN waits are
// 0, waits beyond the 32-bit range are capped at INT32_MAX.
std::int64_t clampWait(double milliseconds);

// The modulo a box gives: its number rounded to a whole number, or no value
// when it is not a number or rounds to 0 (a fold by 0 would be undefined).
std::optional<double> usableModulo(const std::optional<double>& boxNumber);

} // namespace quorvane
