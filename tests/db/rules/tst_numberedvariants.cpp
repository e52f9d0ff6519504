#include "db/rules/NumberedVariants.h"

#include <QSet>
#include <QTest>

using namespace kasplan;

class TestNumberedVariants : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void next_data();
    void next();
    void firstUnused_data();
    void firstUnused();
};

void TestNumberedVariants::next_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("expected");

    const QString none;
    const QString letters30 = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcd");
    QTest::newRow("NL") << "NL" << 30 << none << "NL1";
    QTest::newRow("NL1") << "NL1" << 30 << none << "NL2";
    QTest::newRow("NL9") << "NL9" << 30 << none << "NL10";
    QTest::newRow("leading zeros go") << "Kas07" << 30 << none << "Kas8";
    QTest::newRow("only zeros") << "000" << 30 << none << "1";
    QTest::newRow("empty") << "" << 30 << none << "1";
    QTest::newRow("digits only") << "99" << 30 << none << "100";
    QTest::newRow("digits inside stay") << "B2B" << 30 << none << "B2B1";
    QTest::newRow("30 letters cut") << letters30 << 30 << none << letters30.left(29) + "1";
    QTest::newRow("30 with a number growing")
        << letters30.left(29) + "9" << 30 << none << letters30.left(28) + "10";
    // The cut leaves "12" before the new number: it would be read as 121.
    QTest::newRow("cut leaves digits") << QString(27, QLatin1Char('X')) + "12Y" << 30 << none
                                       << QString(27, QLatin1Char('X')) + "1";
    QTest::newRow("longer than any integer")
        << "NL99999999999999999999999" << 30 << none << "NL100000000000000000000000";
    QTest::newRow("separator before a first number") << "NL" << 30 << "-"
                                                     << "NL-1";
    QTest::newRow("no second separator") << "NL-1" << 30 << "-"
                                         << "NL-2";
    QTest::newRow("separator, cut") << "ABCDEF" << 5 << "-"
                                    << "ABC-1";
    QTest::newRow("empty, no separator") << "" << 30 << "-"
                                         << "1";
    // Half a character pair is never left behind by the cut.
    QTest::newRow("surrogate pair at the cut")
        << QStringLiteral("ABC\U0001F337") << 5 << none << "ABC1";
}

void TestNumberedVariants::next()
{
    QFETCH(QString, text);
    QFETCH(int, limit);
    QFETCH(QString, separator);
    QFETCH(QString, expected);
    QCOMPARE(NumberedVariants::Next(text, limit, separator), expected);
}

void TestNumberedVariants::firstUnused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("used");
    QTest::addColumn<QString>("expected");
    QTest::newRow("NL with NL and NL1") << "NL" << QStringList{"NL", "NL1"} << "NL2";
    QTest::newRow("a gap is not filled backwards") << "NL1" << QStringList{"NL1", "NL2"} << "NL3";
    QTest::newRow("nothing else used") << "Kas07" << QStringList{"Kas07"} << "Kas8";
    QTest::newRow("empty with 1 to 3") << "" << QStringList{"", "1", "2", "3"} << "4";
    QTest::newRow("case counts") << "NL" << QStringList{"NL", "nl1"} << "NL1";
}

void TestNumberedVariants::firstUnused()
{
    QFETCH(QString, text);
    QFETCH(QStringList, used);
    QFETCH(QString, expected);
    const QSet<QString> inUse(used.begin(), used.end());
    QCOMPARE(NumberedVariants::FirstUnused(text, 30,
                                           [&](const QString& s) { return inUse.contains(s); }),
             expected);
}

QTEST_GUILESS_MAIN(TestNumberedVariants)
#include "tst_numberedvariants.moc"
