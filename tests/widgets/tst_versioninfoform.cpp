#include "widgets/TVersionInfoForm.h"

#include "core/AppGlobals.h"
#include "core/Version.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

using namespace kasplan;

// Receives the addresses the program asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;
    Q_INVOKABLE void open(const QUrl& url) { opened.append(url); }
};

class TestVersionInfoForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void showsTheCompiledInStrings();
    void missingStringsLeaveLabelsEmpty();
    void linkOpensTheHomePage();
    void okCloses();
};

void TestVersionInfoForm::cleanup()
{
    setProgramVersion(VersionResource::compiledIn());
    AppGlobals::Reset();
}

void TestVersionInfoForm::showsTheCompiledInStrings()
{
    TVersionInfoForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Versie Informatie"));
    QCOMPARE(form.FileVersionLabel->text(), QStringLiteral("4.0.1.8"));
    QCOMPARE(form.ProductVersionLabel->text(), QStringLiteral("4.0"));
    QCOMPARE(form.CompanyNameLabel->text(), QStringLiteral("Zandhof Services"));
    QVERIFY(!form.FileDescriptionLabel->text().isEmpty());
    QVERIFY(!form.LegalCopyrightLabel->text().isEmpty());
    QCOMPARE(form.CommentsLabel->text(), QString());
    QVERIFY(form.Label7->text().contains(QStringLiteral("https://www.zandhof-services.nl")));
    QCOMPARE(form.Label7->toolTip(),
             QStringLiteral("Klik om naar de ZandhofServices homepage te gaan"));
}

void TestVersionInfoForm::missingStringsLeaveLabelsEmpty()
{
    // A program file without version information.
    setProgramVersion(VersionResource::empty());
    AppGlobals::SetAppFileVersion(QString());
    TVersionInfoForm form;
    for (QLabel* label :
         {form.CompanyNameLabel, form.FileDescriptionLabel, form.FileVersionLabel,
          form.LegalCopyrightLabel, form.ProductVersionLabel, form.CommentsLabel, form.Label7})
        QCOMPARE(label->text(), QString());
}

void TestVersionInfoForm::linkOpensTheHomePage()
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    TVersionInfoForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // Click on the start of the link text.
    QTest::mouseClick(form.Label7, Qt::LeftButton, {}, QPoint(4, form.Label7->height() / 2));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QCOMPARE(catcher.opened,
             QList<QUrl>({QUrl(QStringLiteral("https://www.zandhof-services.nl"))}));
}

void TestVersionInfoForm::okCloses()
{
    TVersionInfoForm form;
    form.show();
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(!form.isVisible());
}

QTEST_MAIN(TestVersionInfoForm)
#include "tst_versioninfoform.moc"
