#include "widgets/MessageBoxPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kasplan;

namespace {

struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
};

// Once the box is up, notes what it shows and answers it: with a click on
// `answer`, or with Escape when `answer` is NoButton.
void answerNextBox(SeenBox& seen, QMessageBox::StandardButton answer)
{
    QTimer::singleShot(0, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.buttons = box->standardButtons();
        seen.defaultButton = box->standardButton(box->defaultButton());
        if (answer == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(answer)->click();
    });
}

} // namespace

class TestMessageBoxPrompts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QApplication::setApplicationName(QStringLiteral("Kasplan")); }
    void answers_data();
    void answers();
};

void TestMessageBoxPrompts::answers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<int>("click"); // QMessageBox::StandardButton, NoButton = Escape
    QTest::addColumn<int>("icon");
    QTest::addColumn<int>("shownButtons");
    QTest::addColumn<int>("shownDefault");
    QTest::addColumn<int>("answer");

    QTest::newRow("error box: one OK")
        << int(UserPrompts::Kind::Error) << int(UserPrompts::Ok) << int(UserPrompts::Ok)
        << int(QMessageBox::Ok) << int(QMessageBox::Critical) << int(QMessageBox::Ok)
        << int(QMessageBox::Ok) << int(UserPrompts::Ok);
    QTest::newRow("Yes/No answered No")
        << int(UserPrompts::Kind::Confirmation) << int(UserPrompts::Yes | UserPrompts::No)
        << int(UserPrompts::Yes) << int(QMessageBox::No) << int(QMessageBox::Question)
        << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::Yes) << int(UserPrompts::No);
    QTest::newRow("OK/Cancel escaped")
        << int(UserPrompts::Kind::Warning) << int(UserPrompts::Ok | UserPrompts::Cancel)
        << int(UserPrompts::Ok) << int(QMessageBox::NoButton) << int(QMessageBox::Warning)
        << int(QMessageBox::Ok | QMessageBox::Cancel) << int(QMessageBox::Ok)
        << int(UserPrompts::Cancel);
    QTest::newRow("Yes/No escaped is No, default No")
        << int(UserPrompts::Kind::Confirmation) << int(UserPrompts::Yes | UserPrompts::No)
        << int(UserPrompts::No) << int(QMessageBox::NoButton) << int(QMessageBox::Question)
        << int(QMessageBox::Yes | QMessageBox::No) << int(QMessageBox::No) << int(UserPrompts::No);
}

void TestMessageBoxPrompts::answers()
{
    QFETCH(int, kind);
    QFETCH(int, buttons);
    QFETCH(int, defaultButton);
    QFETCH(int, click);
    QFETCH(int, icon);
    QFETCH(int, shownButtons);
    QFETCH(int, shownDefault);
    QFETCH(int, answer);

    MessageBoxPrompts prompts;
    SeenBox seen;
    answerNextBox(seen, QMessageBox::StandardButton(click));
    const auto result = prompts.message(UserPrompts::Kind(kind),
                                        QStringLiteral("Eerste regel\r\ntweede regel\rderde"),
                                        buttons, UserPrompts::Button(defaultButton));
    QCOMPARE(int(result), answer);
    QCOMPARE(seen.title, QStringLiteral("Kasplan"));
    QCOMPARE(seen.text, QStringLiteral("Eerste regel\ntweede regel\nderde"));
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(int(seen.buttons), shownButtons);
    QCOMPARE(int(seen.defaultButton), shownDefault);
}

QTEST_MAIN(TestMessageBoxPrompts)
#include "tst_messageboxprompts.moc"
