#include "values/number_rules.h"

#include <cmath>
#include <limits>

namespace quorvane {

double roundHalfEven(double value)
{
    // nearbyint rounds in the current rounding mode, which the program never
    // changes from round-to-nearest-even; it is defined for every double.
    return std::nearbyint(value);
}

std::optional<double> wholeMod(double dividend, double divisor)
{
    const double d = roundHalfEven(divisor);
    if (std::isnan(d) || d == 0.0)
        return std::nullopt;
    const double n = roundHalfEven(dividend);
    if (!std::isfinite(n))
        return std::numeric_limits<double>::quiet_NaN();
    // fmod is exact for every pair of finite doubles and keeps the sign of the
    // dividend; adding 0.0 turns a remainder of -0 into 0.
    return std::fmod(n, d) + 0.0;
}

bool isEvenWhole(double value)
{
    const std::optional<double> r = wholeMod(value, 2.0);
    return r && *r == 0.0;
}

bool numericEquals(const Variant& a, const Variant& b)
{
    const std::optional<double> x = a.toNumber();
    const std::optional<double> y = b.toNumber();
    return x && y && *x == *y;
}

std::int64_t clampWait(double milliseconds)
{
    constexpr double cap = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    if (!(milliseconds > 0.0)) // also NaN
        return 0;
    if (milliseconds >= cap)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int64_t>(milliseconds);
}

std::optional<double> usableModulo(const std::optional<double>& boxNumber)
{
    if (!boxNumber)
        return std::nullopt;
    const double m = roundHalfEven(*boxNumber);
    if (std::isnan(m) || m == 0.0)
        return std::nullopt;
    return m;
}

} // namespace quorvane
