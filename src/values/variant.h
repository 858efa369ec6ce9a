#pragma once

#include <QString>
#include <optional>

namespace quorvane {

// Parses the decimal text a musician types into a box: optional blanks, sign,
// digits with an optional point, optional exponent. Anything else, and any
// value that does not fit a double (overflow, "nan", "inf"), is not a number.
std::optional<double> textToNumber(const QString& text);

// The plain decimal form the boxes show: 60 shows "60", thirty and a half
// "30.5". Single-precision values keep 7 significant digits, others 15, and
// very large or small magnitudes use the E form ("1.701412E+38").
QString numberToText(double value, bool singlePrecision = false);

// A value as the program holds it: nothing, a number (whole or real, single
// or double precision), a Boolean or a text. Text turns into a number when it
// is used as one.
class Variant;

// The value as a 16-bit integer, rounded halves to even; nothing when it is no
// number or lies outside -32768..32767 (device numbers, action codes).
std::optional<int> toInteger16(const Variant& value);

class Variant {
public:
    enum class Kind { Empty, Number, Single, Boolean, Text };

    Variant() = default;
    Variant(int value) : kind_(Kind::Number), number_(value) { }
    Variant(double value) : kind_(Kind::Number), number_(value) { }
    Variant(bool value) : kind_(Kind::Boolean), number_(value ? -1.0 : 0.0) { }
    Variant(const QString& text) : kind_(Kind::Text), text_(text) { }
    Variant(const char* text) : Variant(QString::fromUtf8(text)) { }
    static Variant single(float value);

    Kind kind() const { return kind_; }
    bool isEmpty() const { return kind_ == Kind::Empty; }
    bool isText() const { return kind_ == Kind::Text; }

    // Empty reads as 0, True as -1; a text that is not a number has no value.
    std::optional<double> toNumber() const;
    double numberOr(double fallback) const { return toNumber().value_or(fallback); }

    // Display text: numbers in their plain decimal form, texts as they are.
    QString toText() const;

private:
    Kind kind_ = Kind::Empty;
    double number_ = 0.0;
    QString text_;
};

} // namespace quorvane
