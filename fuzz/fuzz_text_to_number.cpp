// Any bytes, read as the text of a box, through the number conversions; and
// any double through the display text and back, as a result box shown and
// then read again by the formulas. The process takes the desktop's locale,
// as the program's QCoreApplication does, so a run under LC_ALL=de_DE.UTF-8
// checks a desktop whose decimal separator is a comma.

#include "fuzz_support.h"

#include <QLocale>
#include <clocale>
#include <cmath>
#include <limits>

using namespace quorvane;

namespace {

bool closeTo(double back, double value, double relative)
{
    return std::fabs(back - value) <= relative * std::fabs(value);
}

void checkDisplay(double value)
{
    FUZZ_CHECK(!numberToText(value).isEmpty());
    if (!std::isfinite(value))
        return;
    // 15 significant digits are within 5e-15 of the value.
    const std::optional<double> back = textToNumber(numberToText(value));
    FUZZ_CHECK(back && closeTo(*back, value, 1e-14));

    if (std::fabs(value) > std::numeric_limits<float>::max())
        return;
    // A single shows 7 digits, within 5e-7 of it.
    const double single = static_cast<float>(value);
    const std::optional<double> singleBack = textToNumber(numberToText(single, true));
    FUZZ_CHECK(singleBack && closeTo(*singleBack, single, 1e-6));
}

void checkText(const QString& text)
{
    const std::optional<double> n = textToNumber(text);
    const std::optional<double> asVariant = Variant(text).toNumber();
    FUZZ_CHECK(n.has_value() == asVariant.has_value());
    // Blanks around a number in a box do not change it.
    const std::optional<double> padded = textToNumber(QStringLiteral(" \t") + text + QLatin1Char(' '));
    FUZZ_CHECK(n.has_value() == padded.has_value());

    const std::optional<int> whole = toInteger16(Variant(text));
    if (!n) {
        FUZZ_CHECK(!whole);
        return;
    }
    FUZZ_CHECK(*n == *asVariant && *n == *padded);
    FUZZ_CHECK(std::isfinite(*n));
    // Qt's reader of the C locale, a second opinion wherever it accepts the text too.
    bool ok = false;
    const double reference = QLocale::c().toDouble(text.trimmed(), &ok);
    FUZZ_CHECK(!ok || *n == reference);
    // Only plain decimals count: no hexadecimal, "nan", "inf" or other letters.
    for (QChar c : text.trimmed())
        FUZZ_CHECK(QStringLiteral("0123456789+-.eE").contains(c));
    if (*n >= -32768.0 && *n <= 32767.0)
        FUZZ_CHECK(whole && std::fabs(*whole - *n) <= 0.5);
    else if (std::fabs(*n) > 32768.5)
        FUZZ_CHECK(!whole);
    checkDisplay(*n);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::setlocale(LC_ALL, "");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const char* chars = reinterpret_cast<const char*>(data);
    const int length = static_cast<int>(size);
    checkText(QString::fromUtf8(chars, length));
    checkText(QString::fromLatin1(chars, length));

    double value;
    if (size >= sizeof value) {
        std::memcpy(&value, data, sizeof value);
        checkDisplay(value);
    }
    return 0;
}
