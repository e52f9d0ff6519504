#include "widgets/TProgressBox.h"

#include "core/Rounding.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace kasplan;

class TestProgressBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundingHalvesToEven_data();
    void roundingHalvesToEven();
    void smallStepsAddUp();
    void setProgressRoundsAndLimits();
    void eventsAreHandledOnlyWhenTheUserCanAct_data();
    void eventsAreHandledOnlyWhenTheUserCanAct();
    void cancelMakesTheNextStepAnswerTrue();
    void showingAgainClearsCancelAndTakesThePosition();
    void pauseHoldsTheUpdateUntilContinue();
    void cancelEndsAPause();
    void keys();
};

void TestProgressBox::roundingHalvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("0.5") << 0.5 << 0;
    QTest::newRow("1.5") << 1.5 << 2;
    QTest::newRow("2.5") << 2.5 << 2;
    QTest::newRow("2.5000001") << 2.5000001 << 3;
    QTest::newRow("-0.5") << -0.5 << 0;
    QTest::newRow("-1.5") << -1.5 << -2;
    QTest::newRow("33.333") << 100.0 / 3 << 33;
    QTest::newRow("66.667") << 200.0 / 3 << 67;
    QTest::newRow("beyond the range") << 1e300 << 100;
    QTest::newRow("below the range") << -1e300 << -100;
    QTest::newRow("not a number") << std::nan("") << -100;
}

void TestProgressBox::roundingHalvesToEven()
{
    QFETCH(double, value);
    QFETCH(int, expected);
    QCOMPARE(roundHalfEven(value, -100, 100), expected);
}

void TestProgressBox::smallStepsAddUp()
{
    TProgressBox box;
    box.ProgressBar->setValue(0);
    box.show();
    QList<int> shown;
    for (int i = 0; i < 10; ++i) {
        QVERIFY(!box.StepProgress(0.4));
        shown.append(box.ProgressBar->value());
    }
    QCOMPARE(shown, QList<int>({0, 1, 1, 2, 2, 2, 3, 3, 4, 4}));
}

void TestProgressBox::setProgressRoundsAndLimits()
{
    TProgressBox box;
    QCOMPARE(box.ProgressBar->value(), 100); // as designed
    box.CancelBtn->hide();
    box.SetProgress(66.5);
    QCOMPARE(box.ProgressBar->value(), 66);
    box.SetProgress(250);
    QCOMPARE(box.ProgressBar->value(), 100);
    box.SetProgress(-3);
    QCOMPARE(box.ProgressBar->value(), 0);
}

void TestProgressBox::eventsAreHandledOnlyWhenTheUserCanAct_data()
{
    QTest::addColumn<bool>("cancelShown");
    QTest::addColumn<bool>("pauseShown");
    QTest::addColumn<bool>("handled");
    QTest::newRow("nothing to press (upgrade)") << false << false << false;
    QTest::newRow("Cancel shown") << true << false << true;
    QTest::newRow("pause buttons shown") << false << true << true;
}

void TestProgressBox::eventsAreHandledOnlyWhenTheUserCanAct()
{
    QFETCH(bool, cancelShown);
    QFETCH(bool, pauseShown);
    QFETCH(bool, handled);
    TProgressBox box;
    box.CancelBtn->setVisible(cancelShown);
    box.PauseBtn->setVisible(pauseShown);
    box.PlayBtn->setVisible(pauseShown);
    box.show();
    QCoreApplication::processEvents();

    bool ran = false;
    QMetaObject::invokeMethod(
        this, [&ran] { ran = true; }, Qt::QueuedConnection);
    box.SetProgress(10);
    QCOMPARE(ran, handled);
    box.StepProgress(1);
    QCOMPARE(ran, handled);
    QCoreApplication::processEvents();
    QVERIFY(ran);
}

void TestProgressBox::cancelMakesTheNextStepAnswerTrue()
{
    TProgressBox box;
    box.ProgressBar->setValue(0);
    box.show();
    QVERIFY(!box.StepProgress(1));
    QTest::mouseClick(box.CancelBtn, Qt::LeftButton);
    QVERIFY(box.StepProgress(1));
    QVERIFY(box.SetProgress(50));

    // A press that waits in the event queue is handled by the update itself.
    TProgressBox other;
    other.show();
    QMetaObject::invokeMethod(other.CancelBtn, &QPushButton::click, Qt::QueuedConnection);
    QVERIFY(other.StepProgress(1));
}

void TestProgressBox::showingAgainClearsCancelAndTakesThePosition()
{
    TProgressBox box;
    box.show();
    QTest::mouseClick(box.CancelBtn, Qt::LeftButton);
    QVERIFY(box.SetProgress(30));
    box.hide();
    box.ProgressBar->setValue(20);
    box.show();
    QVERIFY(!box.StepProgress(0.5)); // 20.5 -> 20
    QCOMPARE(box.ProgressBar->value(), 20);
    QVERIFY(!box.StepProgress(0.5)); // 21
    QCOMPARE(box.ProgressBar->value(), 21);
}

void TestProgressBox::pauseHoldsTheUpdateUntilContinue()
{
    TProgressBox box;
    box.PauseBtn->show();
    box.PlayBtn->show();
    box.show();
    QVERIFY(box.PlayBtn->isChecked());
    QTest::mouseClick(box.PauseBtn, Qt::LeftButton);
    QVERIFY(box.PauseBtn->isChecked());
    QVERIFY(!box.PlayBtn->isChecked());

    bool continued = false;
    QTimer::singleShot(100, &box, [&] {
        continued = true;
        QTest::mouseClick(box.PlayBtn, Qt::LeftButton);
    });
    QVERIFY(!box.SetProgress(40)); // returns only after Continue
    QVERIFY(continued);
    QVERIFY(box.PlayBtn->isChecked());
    QCOMPARE(box.ProgressBar->value(), 40);
}

void TestProgressBox::cancelEndsAPause()
{
    TProgressBox box;
    box.PauseBtn->show();
    box.PlayBtn->show();
    box.show();
    box.PauseBtn->setChecked(true);
    QTimer::singleShot(50, box.CancelBtn,
                       [&box] { QTest::mouseClick(box.CancelBtn, Qt::LeftButton); });
    QVERIFY(box.StepProgress(1));
    QVERIFY(box.PlayBtn->isChecked());
}

void TestProgressBox::keys()
{
    TProgressBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowActive(&box));

    // Enter toggles the pause only while both pause buttons are shown.
    QTest::keyClick(&box, Qt::Key_Return);
    QVERIFY(box.PlayBtn->isChecked());
    box.PauseBtn->show();
    box.PlayBtn->show();
    QTest::keyClick(&box, Qt::Key_Return);
    QVERIFY(box.PauseBtn->isChecked());
    QTest::keyClick(&box, Qt::Key_Enter);
    QVERIFY(box.PlayBtn->isChecked());

    // Escape presses the Cancel button while it is shown, and does not close the box.
    box.CancelBtn->hide();
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(!box.SetProgress(1));
    box.CancelBtn->show();
    QTest::keyClick(&box, Qt::Key_Escape);
    QVERIFY(box.SetProgress(1));
    QVERIFY(box.isVisible());
}

QTEST_MAIN(TestProgressBox)
#include "tst_progressbox.moc"
