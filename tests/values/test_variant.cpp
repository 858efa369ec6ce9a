#include "values/variant.h"

#include <QtTest>

using namespace quorvane;

class VariantTest : public QObject {
    Q_OBJECT
private slots:
    void textToNumberAcceptsDecimalsOnly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "60" << true << 60.0;
        QTest::newRow("blanks and sign") << "  -12 " << true << -12.0;
        QTest::newRow("real") << "30.5" << true << 30.5;
        QTest::newRow("leading point") << ".5" << true << 0.5;
        QTest::newRow("trailing point") << "5." << true << 5.0;
        QTest::newRow("exponent") << "1E3" << true << 1000.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("letters") << "abc" << false << 0.0;
        QTest::newRow("trailing letters") << "12a" << false << 0.0;
        QTest::newRow("hex") << "0x10" << false << 0.0;
        QTest::newRow("nan") << "nan" << false << 0.0;
        QTest::newRow("inf") << "inf" << false << 0.0;
        QTest::newRow("overflow") << "1e999" << false << 0.0;
        QTest::newRow("lone sign") << "-" << false << 0.0;
        QTest::newRow("bare exponent") << "1e" << false << 0.0;
    }

    void textToNumberAcceptsDecimalsOnly()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const std::optional<double> n = textToNumber(text);
        QCOMPARE(n.has_value(), valid);
        if (valid)
            QCOMPARE(*n, value);
    }

    void displayTextIsPlainDecimal()
    {
        QCOMPARE(Variant(60).toText(), QStringLiteral("60"));
        QCOMPARE(Variant(30.5).toText(), QStringLiteral("30.5"));
        QCOMPARE(Variant(-0.0).toText(), QStringLiteral("0"));
        QCOMPARE(Variant(123456789012.0).toText(), QStringLiteral("123456789012"));
        QCOMPARE(Variant(1e20).toText(), QStringLiteral("1E+20"));
        QCOMPARE(Variant::single(1.0f / 3.0f).toText(), QStringLiteral("0.3333333"));
        QCOMPARE(Variant::single(3.4e38f).toText(), QStringLiteral("3.4E+38"));
        QCOMPARE(Variant().toText(), QString());
        QCOMPARE(Variant("abc").toText(), QStringLiteral("abc"));
        QCOMPARE(Variant().numberOr(5), 0.0);
        QCOMPARE(Variant("x").numberOr(5), 5.0);
    }

    void integer16ConversionNeverOverflows()
    {
        QCOMPARE(toInteger16(Variant(-1)).value(), -1);
        QCOMPARE(toInteger16(Variant("7")).value(), 7);
        QCOMPARE(toInteger16(Variant(2.5)).value(), 2);
        QVERIFY(!toInteger16(Variant(40000)));
        QVERIFY(!toInteger16(Variant(1e300)));
        QVERIFY(!toInteger16(Variant(std::nan(""))));
        QVERIFY(!toInteger16(Variant("seven")));
    }
};

QTEST_GUILESS_MAIN(VariantTest)
#include "test_variant.moc"
