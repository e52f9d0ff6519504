// The input controls side by side on the records the view tests share, to
// look at. Not a test: run it under xvfb-run; it saves two pictures and quits.
//
//   controls_demo form.png dropdown.png
//
// The first shows the form with the index combo boxes, the edits, the
// free-text combo boxes, the status, the memo, the numeric fields and the
// editable size grid; the second the whole screen with the size grid's
// "Zift" list dropped down.

#include "db/TDMod.h"
#include "db/engine/TableView.h"
#include "db/rules/CodedValues.h"
#include "widgets/TNumInp.h"
#include "widgets/bound/TDBComboBox.h"
#include "widgets/bound/TDBEdit.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBIndexComboBox.h"
#include "widgets/bound/TDBMemo.h"
#include "widgets/bound/TDBText.h"

#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTest>

using namespace kasplan;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QStringList pictures = app.arguments().mid(1);
    if (pictures.size() != 2)
        return 2;
    ScopedScriptedPrompts prompts;
    test::TestDatabase database;
    database.addSampleRecords();
    TDMod dmod(database.session());
    dmod.CultivarWindowExistsHook = [] { return true; };
    dmod.CanDelEditStdRecsHook = [] { return true; };
    dmod.BindViews(QLatin1String(test::TestDatabase::Alias));
    dmod.OpenTables();
    dmod.SetPeriodUnits();
    dmod.tbCdata()->locate({"Cultivar", "Source"}, {"Apeldoorn", "NL"});
    dmod.tbCdata()->edit();
    dmod.tbCdata()->fieldByName(QStringLiteral("Klasse"))->setValue(QStringLiteral("I Japan"));
    dmod.tbCdata()
        ->fieldByName(QStringLiteral("Remarks"))
        ->setValue(QStringLiteral("Vroeg broeien.\r\nGoed op water."));
    dmod.tbCdata()->post();
    dmod.tbCsizes()->edit();
    dmod.tbCsizes()->fieldByName(QStringLiteral("Dk_p1"))->setValue(87);
    dmod.tbCsizes()->post();

    QWidget form;
    form.setWindowTitle(QStringLiteral("Invoer"));
    auto* columns = new QHBoxLayout(&form);
    auto* fields = new QFormLayout;
    columns->addLayout(fields);
    db::DataSource* cdata = dmod.dsCdata();
    fields->addRow(QStringLiteral("Cultivar naam"), new TDBEdit(cdata, QStringLiteral("Cultivar")));
    fields->addRow(QStringLiteral("Herkomst"), new TDBEdit(cdata, QStringLiteral("Source")));
    fields->addRow(
        QStringLiteral("Hoofdgroep"),
        new TDBIndexComboBox(cdata, QStringLiteral("Hoofdgroep"), CodedValues::HoofdgroepItems()));
    fields->addRow(QStringLiteral("ProductType"),
                   new TDBIndexComboBox(cdata, QStringLiteral("ProductType"),
                                        CodedValues::ProductTypeItems()));
    fields->addRow(QStringLiteral("Klasse"),
                   new TDBComboBox(cdata, QStringLiteral("Klasse"),
                                   {"ALG", "ST", "I", "I Japan", "II", "T", "Telgoed", "SEL", "S",
                                    "SE", "EE", "E"}));
    fields->addRow(QStringLiteral("Land van herkomst"),
                   new TDBComboBox(cdata, QStringLiteral("Country_of_Origin"),
                                   {"B", "DK", "D", "E", "F", "NL", "S", "UK", "USA"}));
    auto* status = new TDBText(cdata, QStringLiteral("Status"));
    QPalette blue = status->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    status->setPalette(blue);
    fields->addRow(QStringLiteral("Status"), status);
    auto* remarks = new TDBMemo(cdata, QStringLiteral("Remarks"));
    remarks->setFixedHeight(60);
    fields->addRow(QStringLiteral("Opmerkingen"), remarks);
    auto* percentage = new TNumFld;
    percentage->setDatatype(TDataType::dtInteger);
    percentage->setMax(100);
    percentage->setValue(5);
    fields->addRow(QStringLiteral("Max. aanpassing %"), percentage);
    auto* money = new TNumInp;
    money->setDatatype(TDataType::dtDouble);
    money->setValidate(false);
    money->setNumericType(TNumericType::ntCurrency);
    money->setValue(-1234.5);
    money->setFixedWidth(130);
    fields->addRow(QStringLiteral("Kostprijs"), money);

    auto* sizes = new TDBGrid(
        dmod.dsCsizes(), {{.field = "SizeLU", .title = "Zift", .width = 60, .dropDownRows = 14},
                          {.field = "Status", .width = 80, .readOnly = true},
                          {.field = "Dk_p1", .title = dmod.KoudeCaption(), .width = 80}});
    sizes->setEditable(true);
    sizes->setMinimumWidth(250);
    columns->addWidget(sizes);

    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    QTest::qWait(200);
    form.grab().save(pictures[0]);

    sizes->setFocus();
    sizes->setCurrentIndex(sizes->model()->index(0, 0));
    QTest::keyClick(sizes, Qt::Key_F2);
    auto* list = qobject_cast<QComboBox*>(sizes->indexWidget(sizes->currentIndex()));
    if (!list)
        return 1;
    list->showPopup();
    QTest::qWait(300);
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = form.frameGeometry().adjusted(-10, -10, 10, 200);
    screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(pictures[1]);
    return 0;
}
