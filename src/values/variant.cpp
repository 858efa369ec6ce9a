#include "values/variant.h"

#include "values/number_rules.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace quorvane {

namespace {

// Boxes hold numbers with a decimal point whatever language the desktop
// speaks, but QCoreApplication hands the C library the desktop's locale
// ("30,5" on a German one). The conversions borrow the C locale for the
// calling thread while they run.
class DecimalPoint {
public:
    DecimalPoint() : previous_(uselocale(cLocale())) { }
    ~DecimalPoint() { uselocale(previous_); }
    DecimalPoint(const DecimalPoint&) = delete;
    DecimalPoint& operator=(const DecimalPoint&) = delete;

private:
    static locale_t cLocale()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t());
        return c;
    }
    locale_t previous_;
};

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Checks the shape before strtod sees it, so hexadecimal, "nan", "inf" and
// locale-dependent forms never count as numbers.
bool hasDecimalShape(const QString& s)
{
    int i = 0;
    const int n = s.size();
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < n && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < n && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            ++i;
        int expDigits = 0;
        while (i < n && isDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == n;
}

} // namespace

std::optional<double> textToNumber(const QString& text)
{
    const QString s = text.trimmed();
    if (!hasDecimalShape(s))
        return std::nullopt;
    const QByteArray bytes = s.toLatin1();
    const DecimalPoint decimalPoint;
    const double value = std::strtod(bytes.constData(), nullptr);
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

QString numberToText(double value, bool singlePrecision)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (value == 0.0)
        return QStringLiteral("0"); // also folds -0 into "0"
    const int digits = singlePrecision ? 7 : 15;
    char buffer[64];
    const DecimalPoint decimalPoint;
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    // The very largest doubles round up past the double range at 15 digits;
    // all 17 keep the shown text readable as a number again.
    if (std::isinf(std::strtod(buffer, nullptr)))
        std::snprintf(buffer, sizeof buffer, "%.17G", value);
    return QString::fromLatin1(buffer);
}

std::optional<int> toInteger16(const Variant& value)
{
    const std::optional<double> n = value.toNumber();
    if (!n)
        return std::nullopt;
    const double rounded = roundHalfEven(*n);
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        return std::nullopt;
    return static_cast<int>(rounded);
}

Variant Variant::single(float value)
{
    Variant v(static_cast<double>(value));
    v.kind_ = Kind::Single;
    return v;
}

std::optional<double> Variant::toNumber() const
{
    switch (kind_) {
    case Kind::Empty: return 0.0;
    case Kind::Text: return textToNumber(text_);
    default: return number_;
    }
}

QString Variant::toText() const
{
    switch (kind_) {
    case Kind::Empty: return QString();
    case Kind::Text: return text_;
    case Kind::Boolean: return number_ != 0.0 ? QStringLiteral("True") : QStringLiteral("False");
    case Kind::Single: return numberToText(number_, true);
    default: return numberToText(number_, false);
    }
}

} // namespace quorvane
