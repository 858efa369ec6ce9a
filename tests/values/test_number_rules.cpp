#include "values/number_rules.h"

#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using namespace quorvane;

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
const double notANumber = std::numeric_limits<double>::quiet_NaN();

} // namespace

class NumberRulesTest : public QObject {
    Q_OBJECT
private slots:
    void wholeModRoundsOperandsAndKeepsTheDividendsSign_data()
    {
        QTest::addColumn<double>("dividend");
        QTest::addColumn<double>("divisor");
        QTest::addColumn<double>("expected");
        QTest::newRow("60 Mod 127") << 60.0 << 127.0 << 60.0;
        QTest::newRow("160 Mod 127") << 160.0 << 127.0 << 33.0;
        QTest::newRow("190 Mod 127") << 190.0 << 127.0 << 63.0;
        QTest::newRow("127 Mod 127") << 127.0 << 127.0 << 0.0;
        QTest::newRow("-5 Mod 3") << -5.0 << 3.0 << -2.0;
        QTest::newRow("5 Mod -3") << 5.0 << -3.0 << 2.0;
        QTest::newRow("-6 Mod 3 is 0, not -0") << -6.0 << 3.0 << 0.0;
        QTest::newRow("7.5 rounds to 8") << 7.5 << 2.0 << 0.0;
        QTest::newRow("6.5 rounds to 6") << 6.5 << 4.0 << 2.0;
        QTest::newRow("5.5 rounds to 6") << 5.5 << 4.0 << 2.0;
        QTest::newRow("divisor 2.5 rounds to 2") << 7.0 << 2.5 << 1.0;
        QTest::newRow("divisor 3.5 rounds to 4") << 7.0 << 3.5 << 3.0;
        QTest::newRow("huge divisor") << 60.0 << 1e300 << 60.0;
        QTest::newRow("2^53 + 2 Mod 127") << 9007199254740994.0 << 127.0 << std::fmod(9007199254740994.0, 127.0);
        QTest::newRow("1e308 Mod 127") << 1e308 << 127.0 << std::fmod(1e308, 127.0);
        QTest::newRow("-1e308 Mod 127") << -1e308 << 127.0 << std::fmod(-1e308, 127.0);
        QTest::newRow("max Mod 30000") << std::numeric_limits<double>::max() << 30000.0
                                       << std::fmod(std::numeric_limits<double>::max(), 30000.0);
        QTest::newRow("denormal dividend") << std::numeric_limits<double>::denorm_min() << 127.0 << 0.0;
    }

    void wholeModRoundsOperandsAndKeepsTheDividendsSign()
    {
        QFETCH(double, dividend);
        QFETCH(double, divisor);
        QFETCH(double, expected);
        const std::optional<double> r = wholeMod(dividend, divisor);
        QVERIFY(r.has_value());
        QCOMPARE(*r, expected);
        QVERIFY(!std::signbit(*r) || *r != 0.0);
        QCOMPARE(std::nearbyint(*r), *r); // always whole
    }

    void wholeModByZeroHasNoValue()
    {
        QVERIFY(!wholeMod(60, 0));
        QVERIFY(!wholeMod(60, 0.4));
        QVERIFY(!wholeMod(60, -0.5)); // rounds to -0
        QVERIFY(!wholeMod(60, notANumber));
        QVERIFY(wholeMod(60, 0.6).has_value()); // rounds to 1
        QCOMPARE(*wholeMod(60, 0.6), 0.0);
    }

    void wholeModOfAnOverflowIsNaN()
    {
        QVERIFY(std::isnan(*wholeMod(inf, 127)));
        QVERIFY(std::isnan(*wholeMod(-inf, 127)));
        QVERIFY(std::isnan(*wholeMod(notANumber, 2)));
        QCOMPARE(*wholeMod(60, inf), 60.0);
    }

    void parityFollowsTheRoundedValue()
    {
        QVERIFY(isEvenWhole(60));
        QVERIFY(!isEvenWhole(15));
        QVERIFY(isEvenWhole(0));
        QVERIFY(!isEvenWhole(-3));
        QVERIFY(isEvenWhole(-4));
        QVERIFY(isEvenWhole(60.5));  // 60
        QVERIFY(isEvenWhole(59.5));  // 60
        QVERIFY(!isEvenWhole(60.6)); // 61
        QVERIFY(isEvenWhole(1e300));
        QVERIFY(!isEvenWhole(inf));
        QVERIFY(!isEvenWhole(notANumber));
    }

    void textBecomesANumberOnFirstUse()
    {
        QCOMPARE(*Variant(" 60 ").toNumber(), 60.0);
        QCOMPARE(*Variant("1e2").toNumber(), 100.0);
        QCOMPARE(*Variant().toNumber(), 0.0);
        QVERIFY(!Variant("sixty").toNumber());
    }

    void comparisonsAreNumeric()
    {
        QVERIFY(numericEquals(Variant("60"), Variant(60)));
        QVERIFY(numericEquals(Variant::single(63.0f), Variant(63.0)));
        QVERIFY(numericEquals(Variant(), Variant(0)));
        QVERIFY(!numericEquals(Variant(notANumber), Variant(notANumber)));
        QVERIFY(!numericEquals(Variant("abc"), Variant(0)));
        QVERIFY(!numericEquals(Variant(30.5), Variant(30)));
    }

    void displayTextIsPlainDecimal()
    {
        QCOMPARE(Variant(120.0 / 2.0).toText(), QStringLiteral("60"));
        QCOMPARE(Variant(61.0 / 2.0).toText(), QStringLiteral("30.5"));
        QCOMPARE(Variant(*wholeMod(160, 127)).toText(), QStringLiteral("33"));
        QCOMPARE(Variant(*wholeMod(-6, 3)).toText(), QStringLiteral("0"));
        QCOMPARE(Variant::single(std::floor(127.75f)).toText(), QStringLiteral("127"));
    }

    void waitsAreHeldToThe32BitRange_data()
    {
        QTest::addColumn<double>("ms");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("60") << 60.0 << qint64(60);
        QTest::newRow("0") << 0.0 << qint64(0);
        QTest::newRow("-1") << -1.0 << qint64(0);
        QTest::newRow("-1e300") << -1e300 << qint64(0);
        QTest::newRow("-inf") << -inf << qint64(0);
        QTest::newRow("NaN") << notANumber << qint64(0);
        QTest::newRow("INT32_MAX") << 2147483647.0 << qint64(2147483647);
        QTest::newRow("INT32_MAX + 1") << 2147483648.0 << qint64(2147483647);
        QTest::newRow("1e300") << 1e300 << qint64(2147483647);
        QTest::newRow("inf") << inf << qint64(2147483647);
    }

    void waitsAreHeldToThe32BitRange()
    {
        QFETCH(double, ms);
        QFETCH(qint64, expected);
        QCOMPARE(qint64(clampWait(ms)), expected);
    }

    void usableModuloIsAWholeNumberOtherThanZero()
    {
        QCOMPARE(*usableModulo(127.0), 127.0);
        QCOMPARE(*usableModulo(126.5), 126.0);
        QCOMPARE(*usableModulo(-5.0), -5.0);
        QCOMPARE(*usableModulo(0.6), 1.0);
        QVERIFY(!usableModulo(0.0));
        QVERIFY(!usableModulo(0.4));
        QVERIFY(!usableModulo(std::nullopt));
    }

    // Every bit pattern a double can have, NaNs and denormals included: the
    // rules answer and keep their invariants (run under UBSan to see that
    // none of it is undefined).
    void holdForEveryDouble()
    {
        std::mt19937_64 bits(20260108);
        auto anyDouble = [&bits] {
            const std::uint64_t b = bits();
            double d;
            std::memcpy(&d, &b, sizeof d);
            return d;
        };
        for (int k = 0; k < 200000; ++k) {
            const double a = anyDouble();
            const double m = (k % 3 == 0) ? anyDouble() : double((k % 300) - 150);
            const std::optional<double> r = wholeMod(a, m);
            const double rm = std::nearbyint(m);
            if (std::isnan(rm) || rm == 0.0) {
                QVERIFY(!r);
            } else if (!std::isfinite(a)) {
                QVERIFY(r && std::isnan(*r));
            } else {
                QVERIFY(r && std::isfinite(*r));
                QVERIFY(std::fabs(*r) < std::fabs(rm));
                QVERIFY(*r == 0.0 || std::signbit(*r) == std::signbit(a));
                QVERIFY(!std::signbit(*r) || *r != 0.0);
            }
            const std::int64_t w = clampWait(a);
            QVERIFY(w >= 0 && w <= 2147483647);
            isEvenWhole(a);
            QVERIFY(!Variant(a).toText().isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(NumberRulesTest)
#include "test_number_rules.moc"
