#include "db/rules/CodedValues.h"
#include "db/rules/FieldConversions.h"

#include <QTest>

using namespace kasplan;
using namespace kasplan::FieldConversions;

namespace {

const QLocale dutch(QLocale::Dutch, QLocale::Netherlands);
const QLocale english(QLocale::English, QLocale::UnitedStates);

} // namespace

Q_DECLARE_METATYPE(std::optional<int>)
Q_DECLARE_METATYPE(kasplan::FieldEntry::Kind)

class TestFieldConversions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void weekOrDayText_data();
    void weekOrDayText();
    void weekOrDayEntry_data();
    void weekOrDayEntry();
    void weekOrDayEntryRefusals_data();
    void weekOrDayEntryRefusals();
    void shownWeeksTypeBackToTheSameHalfWeek();
    void periodUnitsCaptionsAndCharacters();
    void gstageminText();
    void gstageminEntry_data();
    void gstageminEntry();
    void unitCodes_data();
    void unitCodes();
    void gebruikstype_data();
    void gebruikstype();
    void mainGroupsAndProductTypes();
};

void TestFieldConversions::weekOrDayText_data()
{
    QTest::addColumn<std::optional<int>>("days");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const std::optional<int> null;
    QTest::newRow("weeks: null") << null << 7 << dutch << "";
    QTest::newRow("weeks: 0 is empty like null") << std::optional(0) << 7 << dutch << "";
    QTest::newRow("weeks: 1 day rounds to nothing") << std::optional(1) << 7 << dutch << "";
    QTest::newRow("weeks: 2 days is half a week") << std::optional(2) << 7 << dutch << ",5";
    QTest::newRow("weeks: 3 days is half a week") << std::optional(3) << 7 << dutch << ",5";
    QTest::newRow("weeks: 14") << std::optional(14) << 7 << dutch << "2";
    QTest::newRow("weeks: 17") << std::optional(17) << 7 << dutch << "2,5";
    QTest::newRow("weeks: 18") << std::optional(18) << 7 << dutch << "2,5";
    QTest::newRow("weeks: 25") << std::optional(25) << 7 << dutch << "3,5";
    QTest::newRow("weeks: 25, point locale") << std::optional(25) << 7 << english << "3.5";
    QTest::newRow("weeks: 140 has no group separator")
        << std::optional(7000) << 7 << dutch << "1000";
    QTest::newRow("days: 12") << std::optional(12) << 1 << dutch << "12";
    QTest::newRow("days: 0 is a number") << std::optional(0) << 1 << dutch << "0";
    QTest::newRow("days: null") << null << 1 << dutch << "";
}

void TestFieldConversions::weekOrDayText()
{
    QFETCH(std::optional<int>, days);
    QFETCH(int, unit);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QCOMPARE(WeekOrDayText(days, unit, locale), text);
}

void TestFieldConversions::weekOrDayEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("isNull");
    QTest::addColumn<int>("days");
    QTest::newRow("empty") << "" << 7 << dutch << true << 0;
    QTest::newRow("blanks") << "   " << 7 << dutch << true << 0;
    QTest::newRow("blanks in days") << " " << 1 << dutch << true << 0;
    QTest::newRow("2,5 weeks") << "2,5" << 7 << dutch << false << 17;
    QTest::newRow("2 weeks") << "2" << 7 << dutch << false << 14;
    QTest::newRow("2,3 to the half above") << "2,3" << 7 << dutch << false << 17;
    QTest::newRow("2,2 to the whole below") << "2,2" << 7 << dutch << false << 14;
    QTest::newRow("0,25 quarter to even: 0") << "0,25" << 7 << dutch << false << 0;
    QTest::newRow("0,75 quarter to even: 1") << "0,75" << 7 << dutch << false << 7;
    QTest::newRow("plus sign") << "+3" << 7 << dutch << false << 21;
    QTest::newRow("surrounding blanks") << " 2,5 " << 7 << dutch << false << 17;
    QTest::newRow("point locale") << "2.5" << 7 << english << false << 17;
    QTest::newRow("days: 12") << "12" << 1 << dutch << false << 12;
    QTest::newRow("days: 2,5 drops the half") << "2,5" << 1 << dutch << false << 2;
    QTest::newRow("largest short in days") << "32767" << 1 << dutch << false << 32767;
    QTest::newRow("4681 weeks fits") << "4681" << 7 << dutch << false << 32767;
}

void TestFieldConversions::weekOrDayEntry()
{
    QFETCH(QString, text);
    QFETCH(int, unit);
    QFETCH(QLocale, locale);
    QFETCH(bool, isNull);
    QFETCH(int, days);
    const FieldEntry entry = WeekOrDayEntry(text, unit, locale);
    QCOMPARE(entry.kind, isNull ? FieldEntry::Kind::Null : FieldEntry::Kind::Value);
    if (!isNull)
        QCOMPARE(entry.value, days);
}

void TestFieldConversions::weekOrDayEntryRefusals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("unit");
    QTest::addColumn<FieldEntry::Kind>("why");
    const auto nan = FieldEntry::Kind::NotANumber;
    const auto range = FieldEntry::Kind::OutOfRange;
    QTest::newRow("not a number") << "twee" << 7 << nan;
    QTest::newRow("number with a word") << "2 weken" << 7 << nan;
    // In a Dutch locale "." groups thousands; "2.5" must not become 25 weeks.
    QTest::newRow("group separator") << "2.5" << 7 << nan;
    QTest::newRow("too many weeks") << "4682" << 7 << range;
    QTest::newRow("too many days") << "32768" << 1 << range;
    QTest::newRow("too few days") << "-32769" << 1 << range;
    QTest::newRow("far too many") << "1e300" << 7 << range;
}

void TestFieldConversions::weekOrDayEntryRefusals()
{
    QFETCH(QString, text);
    QFETCH(int, unit);
    QFETCH(FieldEntry::Kind, why);
    const FieldEntry entry = WeekOrDayEntry(text, unit, dutch);
    QCOMPARE(entry.kind, why);
    QVERIFY(entry.refused());
}

void TestFieldConversions::shownWeeksTypeBackToTheSameHalfWeek()
{
    // Opening an edit on a shown value and leaving it unchanged must not move
    // the value by more than the half-week rounding of the display.
    for (int days = 0; days <= 400; ++days) {
        const QString shown = WeekOrDayText(days, 7, dutch);
        const FieldEntry entry = WeekOrDayEntry(shown, 7, dutch);
        if (shown.isEmpty()) {
            QCOMPARE(entry.kind, FieldEntry::Kind::Null);
            continue;
        }
        QCOMPARE(entry.kind, FieldEntry::Kind::Value);
        QVERIFY2(std::abs(entry.value - days) <= 2, qPrintable(shown));
        QCOMPARE(WeekOrDayText(entry.value, 7, dutch), shown);
    }
}

void TestFieldConversions::periodUnitsCaptionsAndCharacters()
{
    QCOMPARE(CodedValues::UnitWord(1), QStringLiteral("Dagen"));
    QCOMPARE(CodedValues::UnitWord(7), QStringLiteral("Weken"));
    QCOMPARE(CodedValues::UnitWord(3), QStringLiteral("Weken"));
    QCOMPARE(TussenTCaption(7), QStringLiteral("Weken 20oC na G"));
    QCOMPARE(TussenTCaption(1), QStringLiteral("Dagen 20oC na G"));
    QCOMPARE(KoudeCaption(7), QStringLiteral("Weken Koude:"));
    QCOMPARE(KoudeCaption(1), QStringLiteral("Dagen Koude:"));
    QCOMPARE(PeriodEntryCharacters(7, dutch), QStringLiteral("+0123456789,"));
    QCOMPARE(PeriodEntryCharacters(7, english), QStringLiteral("+0123456789."));
    QCOMPARE(PeriodEntryCharacters(1, dutch), QStringLiteral("+0123456789"));
}

void TestFieldConversions::gstageminText()
{
    QCOMPARE(GstageminText(QDate()), QString());
    QCOMPARE(GstageminText(QDate(2025, 3, 5)), QStringLiteral("05/03"));
    QCOMPARE(GstageminText(QDate(2024, 12, 31)), QStringLiteral("31/12"));
    // What is shown can be typed back and gives the same day and month.
    QCOMPARE(GstageminEntry(GstageminText(QDate(2020, 11, 7)), 2026), QDate(2026, 11, 7));
}

void TestFieldConversions::gstageminEntry_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("year");
    QTest::addColumn<QDate>("date"); // invalid: the field becomes null
    QTest::newRow("15/3") << "15/3" << 2025 << QDate(2025, 3, 15);
    QTest::newRow("leading zeros") << "01/02" << 2025 << QDate(2025, 2, 1);
    QTest::newRow("31/2 non-leap year") << "31/2" << 2025 << QDate(2025, 2, 28);
    QTest::newRow("31/2 leap year") << "31/2" << 2024 << QDate(2024, 2, 29);
    QTest::newRow("31/4") << "31/4" << 2025 << QDate(2025, 4, 30);
    QTest::newRow("65535/1 limited to the month") << "65535/1" << 2025 << QDate(2025, 1, 31);
    QTest::newRow("no slash") << "15-3" << 2025 << QDate();
    QTest::newRow("day 0") << "0/5" << 2025 << QDate();
    QTest::newRow("negative day") << "-1/5" << 2025 << QDate();
    QTest::newRow("day above 65535") << "65536/1" << 2025 << QDate();
    QTest::newRow("month 0") << "5/0" << 2025 << QDate();
    QTest::newRow("month 13") << "5/13" << 2025 << QDate();
    QTest::newRow("year after the month") << "5/3/2025" << 2025 << QDate();
    QTest::newRow("words") << "vijf/maart" << 2025 << QDate();
    QTest::newRow("empty") << "" << 2025 << QDate();
    QTest::newRow("nothing before the slash") << "/3" << 2025 << QDate();
}

void TestFieldConversions::gstageminEntry()
{
    QFETCH(QString, text);
    QFETCH(int, year);
    QFETCH(QDate, date);
    const std::optional<QDate> entered = GstageminEntry(text, year);
    QCOMPARE(entered.has_value(), date.isValid());
    if (entered)
        QCOMPARE(*entered, date);
}

void TestFieldConversions::unitCodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("stuks with a blank") << "stuks " << 1;
    QTest::newRow("Stuks") << "Stuks" << 1;
    QTest::newRow("aantal") << " AANTAL" << 1;
    QTest::newRow("Kg") << "Kg" << 0;
    QTest::newRow("another word") << "liter" << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestFieldConversions::unitCodes()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(CodedValues::UnitCode(text), code);
    QCOMPARE(CodedValues::UnitCode(CodedValues::UnitText(code)), code);
}

void TestFieldConversions::gebruikstype_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("overig in small letters") << "overig" << 3;
    QTest::newRow("Plantgoed") << "Plantgoed" << 1;
    QTest::newRow("ongeraapt with blanks") << " ONGERAAPT " << 2;
    QTest::newRow("Leverbaar") << "Leverbaar" << 0;
    QTest::newRow("unknown word") << "compost" << 0;
}

void TestFieldConversions::gebruikstype()
{
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(CodedValues::GebruikstypeCode(text), code);
}

void TestFieldConversions::mainGroupsAndProductTypes()
{
    using namespace CodedValues;
    QCOMPARE(UnitText(0), QStringLiteral("Kg"));
    QCOMPARE(UnitText(1), QStringLiteral("Stuks"));
    QCOMPARE(UnitText(5), QStringLiteral("????"));
    QCOMPARE(UnitText(-1), QStringLiteral("????"));
    QCOMPARE(GebruikstypeText(2), QStringLiteral("Ongeraapt"));
    QCOMPARE(GebruikstypeText(3), QStringLiteral("Overig"));
    QCOMPARE(GebruikstypeText(-1), QStringLiteral("????"));
    QCOMPARE(GebruikstypeText(4), QStringLiteral("????"));

    QCOMPARE(HoofdgroepItems().size(), 11);
    QCOMPARE(HoofdgroepText(7), QStringLiteral("Hyacinthen HY"));
    QCOMPARE(HoofdgroepAfkText(7), QStringLiteral("HY"));
    QCOMPARE(HoofdgroepText(0), QStringLiteral("(algemeen)"));
    QCOMPARE(HoofdgroepAfkText(0), QString());
    QCOMPARE(HoofdgroepText(5), QStringLiteral("Vaste Planten VP"));
    QCOMPARE(HoofdgroepAfkText(5), QStringLiteral("VP"));
    QCOMPARE(HoofdgroepAfkText(10), QStringLiteral("BIJ"));
    QCOMPARE(HoofdgroepText(11), QString());
    QCOMPARE(HoofdgroepAfkText(11), QString());
    QCOMPARE(HoofdgroepAfkText(-1), QString());

    QCOMPARE(ProductTypeItems(),
             QStringList({"(algemeen)", "Tulpen", "Irissen", "Planten", "Rozen"}));
    QCOMPARE(ProductTypeText(2), QStringLiteral("Irissen"));
    QCOMPARE(ProductTypeText(5), QString());
}

QTEST_APPLESS_MAIN(TestFieldConversions)
#include "tst_fieldconversions.moc"
