// The arithmetic of the formulas over every double: rounding, whole-number
// Mod, the parity test, waits and comparisons, checked against plain
// 64-bit integer arithmetic wherever the values are small enough for it.

#include "fuzz_support.h"
#include "values/number_rules.h"

#include <cmath>
#include <cstdint>

using namespace quorvane;

namespace {

constexpr double exactLimit = 9007199254740992.0; // 2^53: every whole double below is exact in int64

bool isWhole(double x)
{
    return std::floor(x) == x;
}

void checkRounding(double x)
{
    const double r = roundHalfEven(x);
    if (!std::isfinite(x)) {
        FUZZ_CHECK(std::isnan(x) ? std::isnan(r) : r == x);
        return;
    }
    FUZZ_CHECK(isWhole(r) && std::fabs(r - x) <= 0.5);
    if (std::fabs(r - x) == 0.5)
        FUZZ_CHECK(std::fmod(r, 2.0) == 0.0);
}

void checkMod(double dividend, double divisor)
{
    const std::optional<double> r = wholeMod(dividend, divisor);
    const double n = roundHalfEven(dividend);
    const double d = roundHalfEven(divisor);
    if (std::isnan(d) || d == 0.0) {
        FUZZ_CHECK(!r);
        return;
    }
    FUZZ_CHECK(r.has_value());
    if (!std::isfinite(n)) {
        FUZZ_CHECK(std::isnan(*r));
        return;
    }
    FUZZ_CHECK(isWhole(*r) && std::fabs(*r) < std::fabs(d));
    FUZZ_CHECK(*r == 0.0 ? !std::signbit(*r) : std::signbit(*r) == std::signbit(n));
    if (std::fabs(n) < exactLimit && std::fabs(d) < exactLimit) {
        // C++ % truncates toward zero: the remainder takes the dividend's sign.
        const auto expected = static_cast<std::int64_t>(n) % static_cast<std::int64_t>(d);
        FUZZ_CHECK(static_cast<double>(expected) == *r);
    }
}

void checkParity(double x)
{
    const double n = roundHalfEven(x);
    bool even;
    if (!std::isfinite(n))
        even = false;
    else if (std::fabs(n) >= exactLimit)
        even = true; // doubles this large are all multiples of 2
    else
        even = static_cast<std::int64_t>(n) % 2 == 0;
    FUZZ_CHECK(isEvenWhole(x) == even);
}

void checkWait(double milliseconds)
{
    const std::int64_t wait = clampWait(milliseconds);
    FUZZ_CHECK(wait >= 0 && wait <= INT32_MAX);
    if (milliseconds >= 0.0 && milliseconds <= INT32_MAX)
        FUZZ_CHECK(std::fabs(static_cast<double>(wait) - milliseconds) < 1.0);
}

void checkModulo(double box)
{
    const std::optional<double> m = usableModulo(box);
    const double rounded = roundHalfEven(box);
    FUZZ_CHECK(m.has_value() == !(std::isnan(rounded) || rounded == 0.0));
    if (m)
        FUZZ_CHECK(*m == rounded);
    FUZZ_CHECK(!usableModulo(std::nullopt));
}

void checkEquality(const Variant& a, const Variant& b)
{
    FUZZ_CHECK(numericEquals(a, b) == numericEquals(b, a));
    const std::optional<double> x = a.toNumber();
    FUZZ_CHECK(numericEquals(a, a) == (x && !std::isnan(*x)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const double a = fuzz::anyDouble(in);
    const double b = fuzz::anyDouble(in);
    checkRounding(a);
    checkMod(a, b);
    checkParity(a);
    checkWait(a);
    checkModulo(b);
    checkEquality(fuzz::anyVariant(in), fuzz::anyVariant(in));
    return 0;
}
