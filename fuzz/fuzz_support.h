#pragma once

// Turns fuzzer bytes into the values the program passes around: doubles of
// every class, and Variants of every kind, including numeric text as it
// comes out of a box. FUZZ_CHECK aborts, so that libFuzzer keeps the input.

#include "values/variant.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#define FUZZ_CHECK(condition) ((condition) ? void(0) : quorvane::fuzz::fail(#condition, __FILE__, __LINE__))

namespace quorvane::fuzz {

[[noreturn]] inline void fail(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: broken: %s\n", file, line, condition);
    std::abort();
}

inline double anyDouble(FuzzedDataProvider& in)
{
    using limits = std::numeric_limits<double>;
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0: { // any bit pattern: NaN payloads, subnormals, both zeros
        const auto bits = in.ConsumeIntegral<std::uint64_t>();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    case 1: { // near the MIDI ranges, on and between the halves where rounding turns
        const int whole = in.ConsumeIntegralInRange(-300, 300);
        return whole + in.ConsumeIntegralInRange(-4, 4) / 8.0;
    }
    case 2: {
        static const double edges[] = {0.0,
                                       -0.0,
                                       limits::infinity(),
                                       -limits::infinity(),
                                       limits::quiet_NaN(),
                                       limits::max(),
                                       -limits::max(),
                                       limits::min(),
                                       limits::denorm_min(),
                                       limits::epsilon(),
                                       32767.5,
                                       -32768.5,
                                       2147483647.5,
                                       9223372036854775808.0,
                                       -9223372036854775808.0,
                                       static_cast<double>(std::numeric_limits<float>::max()),
                                       1e300,
                                       -1e-300};
        return edges[in.ConsumeIntegralInRange<std::size_t>(0, std::size(edges) - 1)];
    }
    default: return in.ConsumeFloatingPoint<double>();
    }
}

inline Variant anyVariant(FuzzedDataProvider& in)
{
    switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0: return Variant();
    case 1: return Variant(in.ConsumeIntegral<int>());
    case 2: return Variant(anyDouble(in));
    case 3: { // a single may hold any float bit pattern as well
        const auto bits = in.ConsumeIntegral<std::uint32_t>();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return Variant::single(value);
    }
    case 4: return Variant(in.ConsumeBool());
    case 5: // what a box shows for a number, read back as text
        return Variant(numberToText(anyDouble(in), in.ConsumeBool()));
    default: return Variant(QString::fromUtf8(in.ConsumeRandomLengthString(24)));
    }
}

} // namespace quorvane::fuzz
