#include "widgets/TNumInp.h"

#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QTest>
#include <QVBoxLayout>

using namespace kasplan;

Q_DECLARE_METATYPE(kasplan::TNumericType)
Q_DECLARE_METATYPE(kasplan::TDataType)

// The numeric input field through its keys, its focus and its painting,
// under the Dutch locale (decimal comma, thousands point).
class TestNumInp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void integerFieldTakesWholeNumbers();
    void valueOutsideTheRangeIsRefused();
    void leavingTheFieldParsesTheText_data();
    void leavingTheFieldParsesTheText();
    void formatsPerNumericType_data();
    void formatsPerNumericType();
    void typedCharactersMakeAWellFormedNumber_data();
    void typedCharactersMakeAWellFormedNumber();
    void backspaceKeepsTheNumberWellFormed();
    void propertiesClampToTheDataType();
    void typedReadOuts();
    void escapeUndoesAndArrowsMoveTheFocus();
    void pasteTakesANumberOnly();
    void paintsRightAlignedInTheNegativeColour();

private:
    void focusField();
    void leaveField();

    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<QWidget> m_window;
    TNumFld* m_field = nullptr;
    QLineEdit* m_before = nullptr;
    QLineEdit* m_after = nullptr;
};

void TestNumInp::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Dutch, QLocale::Netherlands));
}

void TestNumInp::init()
{
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(m_window.get());
    m_before = new QLineEdit;
    m_field = new TNumFld;
    m_after = new QLineEdit;
    layout->addWidget(m_before);
    layout->addWidget(m_field);
    layout->addWidget(m_after);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestNumInp::cleanup()
{
    m_window.reset();
    m_prompts.reset();
}

void TestNumInp::focusField()
{
    m_before->setFocus();
    QTRY_VERIFY(m_before->hasFocus());
    QTest::keyClick(m_before, Qt::Key_Tab);
    QTRY_VERIFY(m_field->hasFocus());
}

void TestNumInp::leaveField()
{
    QTest::keyClick(m_field, Qt::Key_Tab);
}

void TestNumInp::integerFieldTakesWholeNumbers()
{
    QCOMPARE(TNumFld().width(), 85);
    m_field->setDatatype(TDataType::dtInteger);
    m_field->setMax(100);
    m_field->setDecimals(0);
    QCOMPARE(m_field->text(), QStringLiteral("0"));
    focusField();
    // Typing replaces the selected "0"; the decimal comma and "E" are refused.
    QTest::keyClicks(m_field, QStringLiteral("1,E2e"));
    QCOMPARE(m_field->text(), QStringLiteral("12"));
    leaveField();
    QTRY_VERIFY(m_after->hasFocus());
    QCOMPARE(double(m_field->Value()), 12.0);

    // An exact half goes to the even neighbour and is stored so.
    m_field->setValue(12.5);
    QCOMPARE(m_field->text(), QStringLiteral("12"));
    QCOMPARE(double(m_field->Value()), 12.0);
    m_field->setValue(13.5);
    QCOMPARE(m_field->text(), QStringLiteral("14"));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestNumInp::valueOutsideTheRangeIsRefused()
{
    m_field->setDatatype(TDataType::dtInteger);
    m_field->setMax(100);
    m_field->setValue(40);
    m_field->setValue(150);
    QCOMPARE((*m_prompts)->texts(), QStringList{"Value must be between 0 and 100"});
    QCOMPARE((*m_prompts)->shown().first().kind, UserPrompts::Kind::Error);
    QCOMPARE((*m_prompts)->shown().first().buttons, int(UserPrompts::Ok));
    QCOMPARE(double(m_field->Value()), 40.0);
    QCOMPARE(m_field->text(), QStringLiteral("40"));

    // Typed, the same number keeps the focus in the field, its text selected.
    (*m_prompts)->clear();
    focusField();
    QTest::keyClicks(m_field, QStringLiteral("150"));
    leaveField();
    QCOMPARE((*m_prompts)->texts(), QStringList{"Value must be between 0 and 100"});
    QTRY_VERIFY(m_field->hasFocus());
    QCOMPARE(m_field->selectedText(), QStringLiteral("150"));
    QCOMPARE(double(m_field->Value()), 40.0);
    // Without the check any number is taken.
    m_field->setValidate(false);
    QCOMPARE(double(m_field->Value()), 150.0);
}

void TestNumInp::leavingTheFieldParsesTheText_data()
{
    QTest::addColumn<TNumericType>("numericType");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("message");
    const QString none;
    QTest::newRow("currency in parentheses")
        << TNumericType::ntCurrency << "(1.234,50 EUR)" << -1234.5 << none;
    QTest::newRow("currency with a minus sign")
        << TNumericType::ntCurrency << "€ -1.234,50" << -1234.5 << none;
    QTest::newRow("thousands points dropped")
        << TNumericType::ntNumber << "1.234,5" << 1234.5 << none;
    QTest::newRow("exponent") << TNumericType::ntGeneral << "1,5E3" << 1500.0 << none;
    QTest::newRow("empty is 0") << TNumericType::ntGeneral << "" << 0.0 << none;
    QTest::newRow("1-2 is no number")
        << TNumericType::ntGeneral << "1-2" << 7.0 << "'1-2' is no valid numeric input.";
    QTest::newRow("no E in a currency") << TNumericType::ntCurrency << "1E3" << 13.0 << none;
}

void TestNumInp::leavingTheFieldParsesTheText()
{
    QFETCH(TNumericType, numericType);
    QFETCH(QString, text);
    QFETCH(double, value);
    QFETCH(QString, message);
    m_field->setDatatype(TDataType::dtDouble);
    m_field->setValidate(false);
    m_field->setNumericType(numericType);
    m_field->setValue(7);
    focusField();
    m_field->setText(text);
    leaveField();
    if (message.isEmpty()) {
        QTRY_VERIFY(m_after->hasFocus());
        QVERIFY((*m_prompts)->shown().isEmpty());
    } else {
        QCOMPARE((*m_prompts)->texts(), QStringList{message});
        QTRY_VERIFY(m_field->hasFocus());
        QCOMPARE(m_field->selectedText(), text);
    }
    QCOMPARE(double(m_field->Value()), value);
}

void TestNumInp::formatsPerNumericType_data()
{
    QTest::addColumn<TNumericType>("numericType");
    QTest::addColumn<int>("digits");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("general") << TNumericType::ntGeneral << 12 << 1234.5 << "1234,5";
    QTest::newRow("general, small") << TNumericType::ntGeneral << 12 << 0.00001 << "0,00001";
    QTest::newRow("general, smaller") << TNumericType::ntGeneral << 12 << 0.000001 << "1E-06";
    QTest::newRow("general, too many digits")
        << TNumericType::ntGeneral << 4 << 123456.0 << "1,235E+05";
    QTest::newRow("exponent") << TNumericType::ntExponent << 4 << 1234.56 << "1,235E+03";
    QTest::newRow("fixed") << TNumericType::ntFixed << 12 << 1234.5 << "1234,50";
    QTest::newRow("number") << TNumericType::ntNumber << 12 << -1234567.126 << "-1.234.567,13";
    QTest::newRow("currency") << TNumericType::ntCurrency << 12 << -1234.5
                              << QLocale().toCurrencyString(-1234.5, QLocale().currencySymbol(), 2);
}

void TestNumInp::formatsPerNumericType()
{
    QFETCH(TNumericType, numericType);
    QFETCH(int, digits);
    QFETCH(double, value);
    QFETCH(QString, text);
    m_field->setDatatype(TDataType::dtDouble);
    m_field->setValidate(false);
    m_field->setDigits(digits);
    m_field->setNumericType(numericType);
    // Choosing the same type again keeps it.
    m_field->setNumericType(numericType);
    QCOMPARE(m_field->NumericType(), numericType);
    m_field->setValue(value);
    QCOMPARE(m_field->text(), text);
    QCOMPARE(m_field->MaxTextLength(),
             numericType == TNumericType::ntExponent ? digits + 2 + 3 : digits);
}

void TestNumInp::typedCharactersMakeAWellFormedNumber_data()
{
    QTest::addColumn<TDataType>("dataType");
    QTest::addColumn<TNumericType>("numericType");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("text");
    const auto general = TNumericType::ntGeneral;
    const auto fixed = TNumericType::ntFixed;
    const auto dbl = TDataType::dtDouble;
    QTest::newRow("e becomes E") << dbl << general << 12 << "1e5"
                                 << "1E5";
    QTest::newRow("signs of the exponent") << dbl << general << 12 << "1E+-5"
                                           << "1E+5";
    QTest::newRow("minus only in front") << dbl << general << 12 << "-1-2"
                                         << "-12";
    QTest::newRow("one decimal comma") << dbl << general << 12 << "1,2,3"
                                       << "1,23";
    QTest::newRow("E behind a digit only") << dbl << general << 12 << "E1,E5E"
                                           << "1,5E";
    QTest::newRow("no comma in the exponent") << dbl << general << 12 << "1E5,"
                                              << "1E5";
    QTest::newRow("plus only behind E") << dbl << general << 12 << "+1+"
                                        << "1";
    QTest::newRow("letters never") << dbl << general << 12 << "1a2 b"
                                   << "12";
    QTest::newRow("maximum length") << dbl << general << 4 << "123456"
                                    << "1234";
    QTest::newRow("fixed, two decimals") << dbl << fixed << 12 << "12,345"
                                         << "12,34";
    QTest::newRow("fixed, a full whole part goes on in the decimals")
        << dbl << fixed << 5 << "12345"
        << "123,4";
    QTest::newRow("fixed, minus in front only") << dbl << fixed << 12 << "1-2"
                                                << "12";
    QTest::newRow("fixed, no E") << dbl << fixed << 12 << "1E2"
                                 << "12";
    QTest::newRow("integer, no comma") << TDataType::dtInteger << general << 12 << "1,2"
                                       << "12";
}

void TestNumInp::typedCharactersMakeAWellFormedNumber()
{
    QFETCH(TDataType, dataType);
    QFETCH(TNumericType, numericType);
    QFETCH(int, digits);
    QFETCH(QString, keys);
    QFETCH(QString, text);
    m_field->setDatatype(dataType);
    m_field->setValidate(false);
    m_field->setDigits(digits);
    m_field->setNumericType(numericType);
    focusField();
    QTest::keyClick(m_field, Qt::Key_Backspace);
    QCOMPARE(m_field->text(), QString());
    QTest::keyClicks(m_field, keys);
    QCOMPARE(m_field->text(), text);
}

void TestNumInp::backspaceKeepsTheNumberWellFormed()
{
    m_field->setDatatype(TDataType::dtDouble);
    m_field->setValidate(false);
    focusField();
    m_field->setText(QStringLiteral("1E-5"));
    // Behind the E, with its sign following: the E stays.
    m_field->setCursorPosition(2);
    QTest::keyClick(m_field, Qt::Key_Backspace);
    QCOMPARE(m_field->text(), QStringLiteral("1E-5"));
    // Nothing is typed in front of that sign either.
    QTest::keyClick(m_field, Qt::Key_7);
    QCOMPARE(m_field->text(), QStringLiteral("1E-5"));

    // Fixed, 4 digits with 2 decimals: taking the comma away would make the
    // whole part too long.
    m_field->setNumericType(TNumericType::ntFixed);
    m_field->setDigits(4);
    m_field->setText(QStringLiteral("12,34"));
    m_field->setCursorPosition(3);
    QTest::keyClick(m_field, Qt::Key_Backspace);
    QCOMPARE(m_field->text(), QStringLiteral("12,34"));
    m_field->setText(QStringLiteral("1,2"));
    m_field->setCursorPosition(2);
    QTest::keyClick(m_field, Qt::Key_Backspace);
    QCOMPARE(m_field->text(), QStringLiteral("12"));
    // A selection that reaches the comma takes the decimals with it.
    m_field->setText(QStringLiteral("12,34"));
    m_field->setSelection(1, 2);
    QTest::keyClick(m_field, Qt::Key_5);
    QCOMPARE(m_field->text(), QStringLiteral("15"));
}

void TestNumInp::propertiesClampToTheDataType()
{
    m_field->setMax(1000);
    m_field->setMin(-5);
    m_field->setValue(-3.25);
    QCOMPARE(m_field->text(), QStringLiteral("-3,25"));
    m_field->setDatatype(TDataType::dtByte);
    QCOMPARE(double(m_field->Min()), 0.0);
    QCOMPARE(double(m_field->Max()), 255.0);
    QCOMPARE(double(m_field->Value()), 0.0);
    QCOMPARE(m_field->Decimals(), 0);
    QCOMPARE(m_field->NumericType(), TNumericType::ntGeneral);
    m_field->setNumericType(TNumericType::ntCurrency);
    QCOMPARE(m_field->NumericType(), TNumericType::ntGeneral);
    m_field->setDecimals(3);
    QCOMPARE(m_field->Decimals(), 0);

    // A bound outside the type's range becomes its end; the lower bound
    // never passes the upper one, and the value follows them.
    m_field->setMax(-10);
    QCOMPARE(double(m_field->Max()), 255.0);
    m_field->setMax(100);
    m_field->setMin(200);
    QCOMPARE(double(m_field->Min()), 100.0);
    QCOMPARE(double(m_field->Value()), 100.0);
    m_field->setMin(10);
    m_field->setMax(5);
    QCOMPARE(double(m_field->Max()), 10.0);
    QCOMPARE(double(m_field->Value()), 10.0);

    // Switching the check on moves a value outside the range to Min.
    m_field->setValidate(false);
    m_field->setValue(50);
    m_field->setValidate(true);
    QCOMPARE(double(m_field->Value()), 10.0);
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestNumInp::typedReadOuts()
{
    m_field->setDatatype(TDataType::dtDouble);
    m_field->setValidate(false);
    const struct
    {
        double value;
        int asByte, asShortint, asSmallInt, asWord, asInteger;
    } cases[] = {
        {300.5, 0, 0, 300, 300, 300},
        {-1.5, 0, -2, -2, 0, -2},
        {127.5, 128, 0, 128, 128, 128},
        {70000, 0, 0, 0, 0, 70000},
    };
    for (const auto& c : cases) {
        m_field->setValue(c.value);
        QCOMPARE(int(m_field->AsByte()), c.asByte);
        QCOMPARE(int(m_field->AsShortint()), c.asShortint);
        QCOMPARE(int(m_field->AsSmallInt()), c.asSmallInt);
        QCOMPARE(int(m_field->AsWord()), c.asWord);
        QCOMPARE(int(m_field->AsInteger()), c.asInteger);
        QCOMPARE(m_field->AsDouble(), c.value);
    }
    m_field->setValue(1e300);
    QCOMPARE(m_field->AsSingle(), 0.0f);
    QCOMPARE(m_field->AsDouble(), 1e300);
}

void TestNumInp::escapeUndoesAndArrowsMoveTheFocus()
{
    m_field->setDatatype(TDataType::dtInteger);
    m_field->setMax(100);
    m_field->setValue(12);
    focusField();
    QTest::keyClick(m_field, Qt::Key_5);
    QCOMPARE(m_field->text(), QStringLiteral("5"));
    QTest::keyClick(m_field, Qt::Key_Escape);
    QCOMPARE(m_field->text(), QStringLiteral("12"));
    QCOMPARE(m_field->selectedText(), QStringLiteral("12"));

    QTest::keyClick(m_field, Qt::Key_Down);
    QTRY_VERIFY(m_after->hasFocus());
    m_field->setFocus();
    QTRY_VERIFY(m_field->hasFocus());
    QTest::keyClick(m_field, Qt::Key_Up);
    QTRY_VERIFY(m_before->hasFocus());
    m_field->setFocus();
    QTRY_VERIFY(m_field->hasFocus());
    // Enter moves on only when asked to.
    QTest::keyClick(m_field, Qt::Key_Return);
    QVERIFY(m_field->hasFocus());
    m_field->setTabOnEnterKey(true);
    QTest::keyClick(m_field, Qt::Key_Return);
    QTRY_VERIFY(m_after->hasFocus());
    QCOMPARE(double(m_field->Value()), 12.0);
}

void TestNumInp::pasteTakesANumberOnly()
{
    m_field->setDatatype(TDataType::dtInteger);
    m_field->setMax(100);
    m_field->setValue(12);
    focusField();
    const struct
    {
        QString clipboard;
        QString text;
        double value;
        QStringList messages;
    } cases[] = {
        {QStringLiteral("42"), QStringLiteral("42"), 42, {}},
        {QStringLiteral("vier"), QStringLiteral("42"), 42, {}},
        {QStringLiteral("150"), QStringLiteral("150"), 42, {"Value must be between 0 and 100"}},
    };
    for (const auto& c : cases) {
        (*m_prompts)->clear();
        QApplication::clipboard()->setText(c.clipboard);
        m_field->selectAll();
        QTest::keyClick(m_field, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_field->text(), c.text);
        QCOMPARE((*m_prompts)->texts(), c.messages);
    }
    QCOMPARE(double(m_field->AsInteger()), 42.0);
}

void TestNumInp::paintsRightAlignedInTheNegativeColour()
{
    m_field->setDatatype(TDataType::dtDouble);
    m_field->setValidate(false);
    m_field->setNegativeColor(QColor(255, 0, 0));
    QFont big = m_field->font();
    big.setPixelSize(28);
    m_field->setFont(big);
    m_field->setFixedSize(200, 40);
    // Pixels of the text: the columns where the pure negative colour, or
    // anything dark, is drawn.
    const auto inkColumns = [this](bool red) {
        const QImage image = m_field->grab().toImage();
        int first = image.width();
        int last = -1;
        for (int y = 2; y < image.height() - 2; ++y) {
            for (int x = 2; x < image.width() - 2; ++x) {
                const QColor c = image.pixelColor(x, y);
                const bool ink =
                    red ? (c.red() > 200 && c.green() < 60 && c.blue() < 60) : c.lightness() < 100;
                if (ink) {
                    first = std::min(first, x);
                    last = std::max(last, x);
                }
            }
        }
        return std::make_pair(first, last);
    };
    m_field->setValue(-5);
    const auto [redFirst, redLast] = inkColumns(true);
    QVERIFY2(redLast > 0, "no text in the negative colour");
    // Right-aligned: the text ends near the right edge.
    QVERIFY(redFirst > m_field->width() / 2);
    QVERIFY(redLast > m_field->width() - 20);

    m_field->setValue(0);
    QCOMPARE(inkColumns(true).second, -1);
    QVERIFY(inkColumns(false).second > m_field->width() - 20);
    m_field->setAlignment(Qt::AlignHCenter);
    const auto [first, last] = inkColumns(false);
    QVERIFY(first > m_field->width() / 3);
    QVERIFY(last < 2 * m_field->width() / 3);
    m_window->grab().save(QStringLiteral("/tmp/ctl/numinp.png"));
}

QTEST_MAIN(TestNumInp)
#include "tst_numinp.moc"
