#include "core/Clock.h"
#include "cultivars/CdataForcingPage.h"
#include "cultivars/CdataGeneralPage.h"
#include "cultivars/ForcingPeriodsBox.h"
#include "cultivars/PressButton.h"
#include "cultivars/TCSelectDlg.h"
#include "cultivars/TCdataForm.h"
#include "db/TDMod.h"
#include "db/engine/DataSource.h"
#include "db/engine/TableView.h"
#include "reports/preview/TFormPreview.h"
#include "widgets/bound/TDBEdit.h"
#include "widgets/bound/TDBGrid.h"
#include "widgets/bound/TDBNavigator.h"

#include "support/OtherCopy.h"
#include "support/ScriptedPrompts.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QSysInfo>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace kasplan;
using State = kasplan::db::DataSet::State;

namespace {

struct Key
{
    int key; // a Qt::Key; letters as their character
    int afterMs;
};

const char* const kCultivars[][3] = {
    // name, source, main group
    {"Abba", "NL", "1"},   {"abc", "NL", "1"},   {"Apeldoorn", "NL", "1"},
    {"Blenda", "NL", "3"}, {"Zebra", "US", "0"},
};

struct SizeId
{
    const char* cultivar;
    const char* source;
    const char* size;
};

const SizeId kSizes[] = {
    {"Apeldoorn", "NL", "11/12"},
    {"Apeldoorn", "NL", "12/+"},
    {"Blenda", "NL", "12/+"},
    {"Zebra", "US", "10/11"},
};

const QString kConfirmCopyAll = QStringLiteral(
    "Weet u zeker dat u van alle cultivar-records de Grondbroei-\r\ngegevens naar de "
    "Water/Ijs-broeigegevens wilt kopieeren?\r\n(Hierbij gaan al uw huidige "
    "Water/Ijs-broeigegevens verloren!)\r\nDruk op Ok om door te gaan of op Annuleer/Cancel om "
    "af te breken");

// The other copy runs on this computer.
const QString kLockTail = QStringLiteral("is gelocked en wordt bewerkt door gebruiker: anna "
                                         "(computer %1)\r\n"
                                         "Cultivar- en voorraadgegevens kunnen niet worden "
                                         "aangepast.")
                              .arg(QSysInfo::machineHostName());

} // namespace

Q_DECLARE_METATYPE(QList<Key>)

// The cultivar data window on a small database of its own, with the data
// module's real views and scripted prompts.
class TestCdataForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void createdAsDesigned();
    void mainGroupFiltersTheListAndTheCount_data();
    void mainGroupFiltersTheListAndTheCount();
    void activationReappliesTheMainGroup();
    void typeAhead_data();
    void typeAhead();
    void deleteAndInsertKeys();
    void copySoilToWaterIce_data();
    void copySoilToWaterIce();
    void typedValuesGoThroughTheRules_data();
    void typedValuesGoThroughTheRules();
    void lockedRecordsOfAnotherUser();
    void closeQueryKeepsWhatCannotBeSaved();
    void printEndsOnTheFirstCultivar();
    void clipboardGetsTheCultivarListFromEitherGrid();
    void copyButtonsRunTheCopyDialogs();
    void sizeTheCultivarHasIsRefused();

private:
    void showWindow();
    void type(const QList<Key>& keys);
    QString current() const
    {
        return m_dmod->tbCdata()->fieldByName(QStringLiteral("Cultivar"))->asString();
    }
    void goTo(const QString& cultivar, const QString& source);
    // The stored water and ice values agree with the soil values.
    bool copied(const SizeId& id);
    int storedDk_p1_w(const SizeId& id);
    QStringList listed() const;

    std::unique_ptr<test::TestDatabase> m_db;
    std::unique_ptr<ScopedScriptedPrompts> m_prompts;
    std::unique_ptr<TDMod> m_dmod;
    std::unique_ptr<TCdataForm> m_form;
    FixedClock* m_clock = nullptr;
    int m_newCultivarDialogs = 0;
};

void TestCdataForm::init()
{
    m_db = std::make_unique<test::TestDatabase>();
    QVERIFY(m_db->isValid());
    for (const auto& c : kCultivars)
        m_db->add(QStringLiteral("Cdata"),
                  {{QStringLiteral("Cultivar"), QLatin1String(c[0])},
                   {QStringLiteral("Source"), QLatin1String(c[1])},
                   {QStringLiteral("Hoofdgroep"), QByteArray(c[2]).toInt()},
                   {QStringLiteral("Status"), QStringLiteral("DLV/LBO")}});
    int n = 0;
    for (const SizeId& s : kSizes) {
        ++n;
        QVariantMap values{{QStringLiteral("Cultivar"), QLatin1String(s.cultivar)},
                           {QStringLiteral("Source"), QLatin1String(s.source)},
                           {QStringLiteral("Size"), QLatin1String(s.size)},
                           {QStringLiteral("Status"), QStringLiteral("DLV/LBO")},
                           {QStringLiteral("DnaG20"), 14},
                           {QStringLiteral("DnaG20_w"), 1},
                           {QStringLiteral("Dk_p1_w"), 14},
                           {QStringLiteral("Dk_p_ice"), 1}};
        for (int p = 1; p <= 4; ++p) {
            values.insert(QStringLiteral("Dk_p%1").arg(p), 70 + 7 * p + n);
            values.insert(QStringLiteral("Kd_p%1").arg(p), 20 + p + n);
        }
        m_db->add(QStringLiteral("Csizes"), values);
    }
    for (const char* s : {"10/11", "11/12", "12/+"})
        m_db->add(QStringLiteral("Sizes"), {{QStringLiteral("Size"), QLatin1String(s)}});

    auto clock = std::make_unique<FixedClock>(QDateTime(QDate(2025, 1, 10), QTime(10, 0)));
    m_clock = clock.get();
    Clock::install(std::move(clock));
    m_prompts = std::make_unique<ScopedScriptedPrompts>();
    m_dmod = std::make_unique<TDMod>(m_db->session());
    m_newCultivarDialogs = 0;
    m_dmod->NewCultivarDialogHook = [this] {
        ++m_newCultivarDialogs;
        return false;
    };
    m_dmod->BindViews(QLatin1String(test::TestDatabase::Alias));
    m_dmod->OpenTables();
    m_dmod->SetPeriodUnits();
    m_form = std::make_unique<TCdataForm>(*m_dmod);
    m_dmod->CultivarWindowExistsHook = [this] { return m_form != nullptr; };
    m_dmod->CultivarWindowVisibleHook = [this] { return m_form && m_form->isVisible(); };
}

void TestCdataForm::cleanup()
{
    m_form.reset();
    m_dmod.reset();
    m_prompts.reset();
    Clock::install(nullptr);
    m_db.reset();
}

void TestCdataForm::showWindow()
{
    m_form->show();
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestCdataForm::type(const QList<Key>& keys)
{
    for (const Key& k : keys) {
        m_clock->set(m_clock->now().addMSecs(k.afterMs));
        if (k.key >= 'a' && k.key <= 'z')
            QTest::keyClick(m_form->DBGrid1, char(k.key));
        else if (k.key >= 'A' && k.key <= 'Z')
            QTest::keyClick(m_form->DBGrid1, char(k.key), Qt::ShiftModifier);
        else
            QTest::keyClick(m_form->DBGrid1, Qt::Key(k.key));
    }
}

void TestCdataForm::goTo(const QString& cultivar, const QString& source)
{
    QVERIFY(m_dmod->tbCdata()->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                                      {cultivar, source}));
}

bool TestCdataForm::copied(const SizeId& id)
{
    auto view = m_db->view(QStringLiteral("Csizes"));
    view->open();
    if (!view->locate(
            {QStringLiteral("Cultivar"), QStringLiteral("Source"), QStringLiteral("Size")},
            {QLatin1String(id.cultivar), QLatin1String(id.source), QLatin1String(id.size)}))
        return false;
    const auto value = [&](const QString& f) { return view->fieldByName(f)->value(); };
    bool same = value(QStringLiteral("Dk_p_ice")) == value(QStringLiteral("Dk_p4")) &&
                value(QStringLiteral("Kd_p_ice")) == value(QStringLiteral("Kd_p4")) &&
                value(QStringLiteral("DnaG20_w")) == value(QStringLiteral("DnaG20"));
    for (int p = 1; p <= 4; ++p)
        same = same &&
               value(QStringLiteral("Dk_p%1_w").arg(p)) == value(QStringLiteral("Dk_p%1").arg(p)) &&
               value(QStringLiteral("Kd_p%1_w").arg(p)) == value(QStringLiteral("Kd_p%1").arg(p));
    return same;
}

int TestCdataForm::storedDk_p1_w(const SizeId& id)
{
    auto view = m_db->view(QStringLiteral("Csizes"));
    view->open();
    if (!view->locate(
            {QStringLiteral("Cultivar"), QStringLiteral("Source"), QStringLiteral("Size")},
            {QLatin1String(id.cultivar), QLatin1String(id.source), QLatin1String(id.size)}))
        return -1;
    return view->fieldByName(QStringLiteral("Dk_p1_w"))->asInteger();
}

QStringList TestCdataForm::listed() const
{
    QStringList names;
    const QAbstractItemModel* model = m_form->DBGrid1->model();
    for (int r = 0; r < model->rowCount(); ++r)
        names << model->index(r, 0).data().toString();
    return names;
}

void TestCdataForm::createdAsDesigned()
{
    TCdataForm& w = *m_form;
    showWindow();
    QCOMPARE(w.windowTitle(), QStringLiteral("Cultivar Gegevens"));
    QCOMPARE(w.size(), QSize(686, 438));
    QCOMPARE(w.minimumSize(), QSize(565, 383));
    QVERIFY(w.HelpBtn->isHidden());
    QVERIFY(w.AlleenVoorraadCBox->isHidden());
    QStringList groups;
    for (int i = 0; i < w.HoofdgroepComboBox->count(); ++i)
        groups << w.HoofdgroepComboBox->itemText(i);
    QCOMPARE(groups, (QStringList{"Alle", "Tulpen TU", "Iris IR", "Gladiolen GL", "Dahlia DA",
                                  "Vaste Planten VP", "Narcissen NA", "Hyacinthen HY", "Lelies LE",
                                  "Krokussen KR", "Bijgoed BIJ"}));
    QCOMPARE(w.HoofdgroepComboBox->currentIndex(), 0);
    QStringList columns;
    for (int c = 0; c < w.DBGrid1->model()->columnCount(); ++c)
        columns << w.DBGrid1->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(columns, (QStringList{"Cultivar", "Herkomst", "Hoofdgroep", "Artikelcode bollen",
                                   "CertifNr", "Artikelcode bloemen", "Producttype bloemen"}));
    QCOMPARE(w.DBGrid1->columnWidth(0), 110);
    QCOMPARE(w.BroeidataSizesDBGrid->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Zift"));
    // The main group shows as its text.
    QCOMPARE(w.DBGrid1->model()->index(0, 2).data().toString(), QStringLiteral("Tulpen TU"));
    QCOMPARE(w.DBNavigator->InsertButton->toolTip(), QStringLiteral("Voeg cultivar toe"));
    QCOMPARE(w.DBNavigator1->DeleteButton->toolTip(), QStringLiteral("Verwijder zift"));
    QCOMPARE(w.CopyButton->toolTip(), QStringLiteral("Maak copie van cultivar"));
    QVERIFY(w.CopyButton->font().bold());
    QCOMPARE(w.PageControl1->width(), 421);
    QCOMPARE(w.PageControl1->tabText(0), QStringLiteral("Algemeen"));
    QCOMPARE(w.PageControl1->tabText(1), QStringLiteral("Broeigegevens"));
    QTabBar* methods = w.BroeigegevensSheet->MethodTabSet;
    QCOMPARE(methods->count(), 3);
    QCOMPARE(methods->tabText(2), QStringLiteral("IJs"));
    QCOMPARE(methods->tabToolTip(2), QStringLiteral("IJstulpen"));
    QCOMPARE(w.Splitter1->sizes().value(1), 192);
    // Each method page shows its own fields.
    methods->setCurrentIndex(2);
    QCOMPARE(w.BroeigegevensSheet->MethodPages->currentWidget(), w.BroeigegevensSheet->IJsBox);
    QCOMPARE(w.BroeigegevensSheet->IJsBox->ColdEdits.size(), 1);
    // The unit labels follow the data module's captions.
    for (QLabel* label : {w.WorD20naGLabel, w.WorD20naGLabel_w, w.WorD20naGLabel_ice})
        QCOMPARE(label->text(), QStringLiteral("Weken 20oC na G"));
    m_dmod->setKperiodunit(1);
    m_dmod->SetPeriodUnits();
    for (QLabel* label : {w.WorDkoudeLabel, w.WorDkoudeLabel_w, w.WorDkoudeLabel_ice})
        QCOMPARE(label->text(), QStringLiteral("Dagen Koude:"));
    QCOMPARE(w.WorD20naGLabel_ice->text(), QStringLiteral("Weken 20oC na G"));
}

void TestCdataForm::mainGroupFiltersTheListAndTheCount_data()
{
    QTest::addColumn<int>("item");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("Tulpen TU") << 1 << QStringList{"Abba", "abc", "Apeldoorn"};
    QTest::newRow("Gladiolen GL") << 3 << QStringList{"Blenda"};
    QTest::newRow("Dahlia DA: none") << 4 << QStringList{};
    // "(algemeen)" is listed only under "Alle".
    QTest::newRow("Alle") << 0 << QStringList{"Abba", "abc", "Apeldoorn", "Blenda", "Zebra"};
}

void TestCdataForm::mainGroupFiltersTheListAndTheCount()
{
    QFETCH(int, item);
    QFETCH(QStringList, names);
    showWindow();
    QCOMPARE(m_form->Panel2->text(), QStringLiteral("Totaal 5 Cultivars"));
    // Through another group first, so that each row is a change.
    m_form->HoofdgroepComboBox->setCurrentIndex(item == 3 ? 1 : 3);
    m_form->HoofdgroepComboBox->setCurrentIndex(item);
    QCOMPARE(listed(), names);
    QCOMPARE(m_form->Panel2->text(), QStringLiteral("Totaal %1 Cultivars").arg(names.size()));
    QVERIFY((*m_prompts)->shown().isEmpty());
}

void TestCdataForm::activationReappliesTheMainGroup()
{
    showWindow();
    m_form->HoofdgroepComboBox->setCurrentIndex(1);
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 3);

    // The selection dialog resets the filter when it closes.
    TCSelectDlg selection(*m_dmod);
    selection.open();
    QVERIFY(QTest::qWaitForWindowActive(&selection));
    selection.accept();
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 5);

    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    QCOMPARE(listed(), (QStringList{"Abba", "abc", "Apeldoorn"}));
    QCOMPARE(m_form->Panel2->text(), QStringLiteral("Totaal 3 Cultivars"));
}

void TestCdataForm::typeAhead_data()
{
    QTest::addColumn<QList<Key>>("keys");
    QTest::addColumn<QString>("cultivar");

    QTest::newRow("a and b quickly") << QList<Key>{{'a', 0}, {'b', 300}} << "Abba";
    QTest::newRow("capitals find small letters")
        << QList<Key>{{'A', 0}, {'B', 300}, {'C', 300}} << "abc";
    QTest::newRow("at the end of the window") << QList<Key>{{'a', 0}, {'p', 1296}} << "Apeldoorn";
    QTest::newRow("a pause starts anew") << QList<Key>{{'a', 0}, {'b', 1297}} << "Blenda";
    QTest::newRow("no match keeps the record") << QList<Key>{{'z', 0}, {'q', 100}} << "Zebra";
    // Backspace and Escape are typed like any other character: "a\bb"
    // names nothing, so the record "a" found stays.
    QTest::newRow("backspace is a character")
        << QList<Key>{{'a', 0}, {Qt::Key_Backspace, 100}, {'b', 100}} << "Abba";
    QTest::newRow("escape as well")
        << QList<Key>{{'a', 0}, {Qt::Key_Escape, 100}, {'b', 100}} << "Abba";
}

void TestCdataForm::typeAhead()
{
    QFETCH(QList<Key>, keys);
    QFETCH(QString, cultivar);
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    showWindow();
    m_form->DBGrid1->setFocus();
    type(keys);
    QCOMPARE(current(), cultivar);
    QCOMPARE(m_form->DBGrid1->currentIndex().row(), m_dmod->tbCdata()->currentIndex());
}

void TestCdataForm::deleteAndInsertKeys()
{
    showWindow();
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    TDBGrid* cultivars = m_form->DBGrid1;
    cultivars->setFocus();

    // The data module asks first; Cancel deletes nothing.
    (*m_prompts)->queueAnswer(UserPrompts::Cancel);
    QTest::keyClick(cultivars, Qt::Key_Delete);
    QCOMPARE((*m_prompts)->shown().size(), 1);
    QVERIFY((*m_prompts)
                ->shown()[0]
                .text.startsWith(QStringLiteral(
                    "Weet u zeker dat u deze Cultivar plus alle gegevens per zift")));
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 5);

    // Insert starts a new cultivar with its dialog; not confirmed, nothing is added.
    QTest::keyClick(cultivars, Qt::Key_Insert);
    QCOMPARE(m_newCultivarDialogs, 1);
    QCOMPARE(m_dmod->tbCdata()->state(), State::Browse);
    QCOMPARE(m_form->Panel2->text(), QStringLiteral("Totaal 5 Cultivars"));

    // In the size grid Delete takes the size away without a question.
    TDBGrid* sizes = m_form->BroeidataSizesDBGrid;
    sizes->setFocus();
    QCOMPARE(m_dmod->tbCsizes()->recordCount(), 2);
    QTest::keyClick(sizes, Qt::Key_Delete);
    QCOMPARE(m_dmod->tbCsizes()->recordCount(), 1);
    QCOMPARE(storedDk_p1_w(kSizes[0]), -1);
    QTest::keyClick(sizes, Qt::Key_Insert);
    QCOMPARE(m_dmod->tbCsizes()->state(), State::Insert);
    m_dmod->tbCsizes()->cancel();

    // While the Zift cell's editor is open, Delete belongs to the editor.
    sizes->setCurrentIndex(sizes->model()->index(0, 0));
    QTest::keyClick(sizes, Qt::Key_F2);
    QVERIFY(sizes->cellEditorOpen());
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor && editor != sizes);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(sizes, Qt::Key_Delete);
    QCOMPARE(m_dmod->tbCsizes()->recordCount(), 1);
    QVERIFY(sizes->cellEditorOpen());
    QCOMPARE((*m_prompts)->shown().size(), 1);
}

void TestCdataForm::copySoilToWaterIce_data()
{
    QTest::addColumn<bool>("ctrl");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("hoofdgroep");
    QTest::addColumn<QList<int>>("changedSizes");

    QTest::newRow("the current size") << false << 0 << 0 << QList<int>{0};
    QTest::newRow("Ctrl, Cancel") << true << int(UserPrompts::Cancel) << 0 << QList<int>{};
    QTest::newRow("Ctrl, OK, Tulpen TU") << true << int(UserPrompts::Ok) << 1 << QList<int>{0, 1};
    QTest::newRow("Ctrl, OK, Alle") << true << int(UserPrompts::Ok) << 0 << QList<int>{0, 1, 2, 3};
}

void TestCdataForm::copySoilToWaterIce()
{
    QFETCH(bool, ctrl);
    QFETCH(int, answer);
    QFETCH(int, hoofdgroep);
    QFETCH(QList<int>, changedSizes);
    showWindow();
    m_form->HoofdgroepComboBox->setCurrentIndex(hoofdgroep);
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QVERIFY(m_dmod->tbCsizes()->locate({QStringLiteral("Size")}, {QStringLiteral("11/12")}));
    m_form->PageControl1->setCurrentIndex(1);
    PressButton* button = m_form->BroeigegevensSheet->KopieerGrondnaarwaterBtn;
    if (answer)
        (*m_prompts)->queueAnswer(UserPrompts::Button(answer));

    QTest::mousePress(button, Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier);
    QTest::mouseRelease(button, Qt::LeftButton, ctrl ? Qt::ControlModifier : Qt::NoModifier);

    QCOMPARE((*m_prompts)->texts(), ctrl ? QStringList{kConfirmCopyAll} : QStringList{});
    for (int i = 0; i < int(std::size(kSizes)); ++i) {
        if (changedSizes.contains(i))
            QVERIFY2(copied(kSizes[i]), kSizes[i].size);
        else
            QCOMPARE(storedDk_p1_w(kSizes[i]), 14);
    }
    // The window stays on its records, and the list has the focus.
    QCOMPARE(current(), QStringLiteral("Apeldoorn"));
    QCOMPARE(m_dmod->tbCsizes()->fieldByName(QStringLiteral("Size"))->asString(),
             QStringLiteral("11/12"));
    QCOMPARE(m_dmod->tbCsizes()->state(), State::Browse);
    QVERIFY(m_form->DBGrid1->hasFocus());
    // The window shows the copied values.
    m_form->BroeigegevensSheet->MethodTabSet->setCurrentIndex(1);
    const QString shown = m_form->BroeigegevensSheet->WaterBox->ColdEdits[0]->text();
    QCOMPARE(shown, changedSizes.contains(0) ? QStringLiteral("11") : QStringLiteral("2"));
}

void TestCdataForm::typedValuesGoThroughTheRules_data()
{
    QTest::addColumn<int>("unit"); // of the cold periods: 7 weeks, 1 days
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("message");

    const QVariant before(78); // Dk_p1 of the first size; the water value is 14
    const QString invalid =
        QStringLiteral("Error KP 4\r\nOngeldig getal of waarde in cultivar gegevens");
    const QString blocked =
        QStringLiteral("Error KP 2\r\nStandaard DLV/LBO cultivar records kunnen niet bewerkt\r\n"
                       "worden, alleen door u toegevoegde records (zie instellingen).\r\n"
                       "Hint: maak eerst een copie (\"C\" knop) en bewerk dan de copie!");
    QTest::newRow("weeks and a half") << 7 << "Dk_p1_w"
                                      << "2,5" << QVariant(17) << QString();
    QTest::newRow("a letter is refused as it is typed") << 7 << "Dk_p1_w"
                                                        << "2x" << QVariant(14) << QString();
    QTest::newRow("days") << 1 << "Dk_p1_w"
                          << "12" << QVariant(12) << QString();
    QTest::newRow("no decimals in days") << 1 << "Dk_p1_w"
                                         << "1,5" << QVariant(15) << QString();
    QTest::newRow("empty is no data") << 7 << "Dk_p1_w"
                                      << "" << QVariant() << QString();
    QTest::newRow("more weeks than the field holds") << 7 << "Dk_p1_w"
                                                     << "5000" << QVariant(14) << invalid;
    // The soil values of a delivered size are protected: the edit is undone.
    QTest::newRow("soil weeks of a delivered size") << 7 << "Dk_p1"
                                                    << "9" << before << blocked;
}

void TestCdataForm::typedValuesGoThroughTheRules()
{
    QFETCH(int, unit);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QVariant, stored);
    QFETCH(QString, message);
    m_dmod->setKperiodunit(unit);
    m_dmod->SetPeriodUnits();
    showWindow();
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QVERIFY(m_dmod->tbCsizes()->locate({QStringLiteral("Size")}, {QStringLiteral("11/12")}));
    m_form->PageControl1->setCurrentIndex(1);
    CdataForcingPage& page = *m_form->BroeigegevensSheet;
    const bool water = field.endsWith(QLatin1String("_w"));
    page.MethodTabSet->setCurrentIndex(water ? 1 : 0);
    TDBEdit* edit = (water ? page.WaterBox : page.GrondBox)->ColdEdits[0];
    QCOMPARE(edit->dataField(), field);

    edit->setFocus();
    edit->selectAll();
    if (typed.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        QTest::keyClicks(edit, typed);
    QTest::keyClick(edit, Qt::Key_Tab);
    QCOMPARE((*m_prompts)->texts(), message.isEmpty() ? QStringList{} : QStringList{message});
    if (message.isEmpty()) {
        QTest::mouseClick(m_form->DBNavigator1->PostButton, Qt::LeftButton);
    } else if (m_dmod->tbCsizes()->isEditing()) {
        // A value it cannot take stays in the edit to be put right, or
        // taken back with Escape.
        QVERIFY(edit->hasFocus());
        QCOMPARE(edit->text(), typed);
        QTest::keyClick(edit, Qt::Key_Escape);
        QTest::mouseClick(m_form->DBNavigator1->CancelButton, Qt::LeftButton);
    }
    QCOMPARE((*m_prompts)->texts().size(), message.isEmpty() ? 0 : 1);
    QCOMPARE(m_dmod->tbCsizes()->state(), State::Browse);
    auto sizes = m_db->view(QStringLiteral("Csizes"));
    sizes->open();
    QVERIFY(sizes->locate({QStringLiteral("Cultivar"), QStringLiteral("Size")},
                          {QStringLiteral("Apeldoorn"), QStringLiteral("11/12")}));
    QCOMPARE(sizes->fieldByName(field)->value(), stored);
    QCOMPARE(sizes->fieldByName(QStringLiteral("Status"))->asString(), QStringLiteral("DLV/LBO"));
}

void TestCdataForm::lockedRecordsOfAnotherUser()
{
    test::OtherCopy anna(m_db->location(), QStringLiteral("anna"), 60000);
    QVERIFY(anna.ready());
    QCOMPARE(anna.send({"edit", "Cdata", "Apeldoorn", "NL"}), QStringLiteral("ok"));
    QCOMPARE(anna.send({"edit", "Csizes", "Blenda", "NL", "12/+"}), QStringLiteral("ok"));
    showWindow();
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    m_form->PageControl1->setCurrentIndex(1);
    PressButton* button = m_form->BroeigegevensSheet->KopieerGrondnaarwaterBtn;

    // Typing into a field of the cultivar she edits.
    const QString cultivarLocked =
        QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: Apeldoorn\r\n"
                       "    Herkomst: NL\r\n") +
        kLockTail;
    m_form->PageControl1->setCurrentIndex(0);
    TDBEdit* kleur = m_form->AlgemeenSheet->KleurEdit;
    kleur->setFocus();
    QTest::keyClick(kleur, 'g');
    QCOMPARE((*m_prompts)->texts(), QStringList{cultivarLocked});
    QCOMPARE(m_dmod->tbCdata()->state(), State::Browse);
    QCOMPARE(kleur->text(), QString());
    m_form->DBGrid1->setFocus();
    (*m_prompts)->clear();
    auto cultivars = m_db->view(QStringLiteral("Cdata"));
    cultivars->open();
    QVERIFY(cultivars->locate({QStringLiteral("Cultivar")}, {QStringLiteral("Apeldoorn")}));
    QVERIFY(cultivars->fieldByName(QStringLiteral("Kleur"))->isNull());
    m_form->PageControl1->setCurrentIndex(1);

    // The size's post updates the cultivar's stock flags: anna holds the
    // cultivar, so nothing is stored.
    QTest::mousePress(button, Qt::LeftButton);
    QCOMPARE((*m_prompts)->texts(), QStringList{cultivarLocked});
    QCOMPARE(storedDk_p1_w(kSizes[0]), 14);
    m_dmod->tbCsizes()->cancel();
    (*m_prompts)->clear();

    // Deleting the cultivar she edits is refused as well.
    (*m_prompts)->queueAnswer(UserPrompts::Ok);
    m_form->DBGrid1->setFocus();
    QTest::keyClick(m_form->DBGrid1, Qt::Key_Delete);
    QCOMPARE((*m_prompts)->shown().size(), 2);
    QVERIFY((*m_prompts)->shown()[1].text.contains(QStringLiteral("gebruiker: anna")));
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 5);
    QCOMPARE(m_dmod->tbCsizes()->recordCount(), 2);
    (*m_prompts)->clear();

    // The run over the whole list copies up to the size she holds.
    QCOMPARE(anna.send({"cancel", "Cdata"}), QStringLiteral("ok"));
    (*m_prompts)->queueAnswer(UserPrompts::Ok);
    QTest::mousePress(button, Qt::LeftButton, Qt::ControlModifier);
    QCOMPARE((*m_prompts)->texts().size(), 2);
    QCOMPARE((*m_prompts)->texts()[1],
             QStringLiteral("Cultivar gegevens record met:\r\n    Cultivar: Blenda\r\n"
                            "    Zift: 12/+\r\n    Herkomst: NL\r\n") +
                 kLockTail);
    QVERIFY(copied(kSizes[0]));
    QVERIFY(copied(kSizes[1]));
    QCOMPARE(storedDk_p1_w(kSizes[2]), 14);
    QCOMPARE(storedDk_p1_w(kSizes[3]), 14);
    QCOMPARE(current(), QStringLiteral("Apeldoorn"));
    QVERIFY(!m_dmod->tbCdata()->controlsDisabled());
}

void TestCdataForm::closeQueryKeepsWhatCannotBeSaved()
{
    showWindow();
    m_form->HoofdgroepComboBox->setCurrentIndex(1);
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    // A new size without its size cannot be saved: the window stays open.
    QTest::mouseClick(m_form->DBNavigator1->InsertButton, Qt::LeftButton);
    QCOMPARE(m_dmod->tbCsizes()->state(), State::Insert);
    QVERIFY(!m_form->close());
    QVERIFY(m_form->isVisible());
    QCOMPARE((*m_prompts)->texts(),
             QStringList{QStringLiteral("Error KP 8\r\nZift moet ingevuld zijn")});
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 3);

    // Given its size, it is saved as the window closes; the filter goes.
    m_dmod->tbCsizes()->fieldByName(QStringLiteral("Size"))->setValue(QStringLiteral("10/11"));
    QVERIFY(m_form->close());
    QVERIFY(!m_form->isVisible());
    QCOMPARE(storedDk_p1_w({"Apeldoorn", "NL", "10/11"}), 0);
    QVERIFY(!m_dmod->tbCdata()->filtered());
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 5);
}

void TestCdataForm::printEndsOnTheFirstCultivar()
{
    TFormPreview preview;
    m_form = std::make_unique<TCdataForm>(*m_dmod, &preview);
    showWindow();
    m_form->HoofdgroepComboBox->setCurrentIndex(1);
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    bool previewShown = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, &preview, [&] {
        if (preview.isVisible() && preview.AttachedReport()) {
            previewShown = true;
            preview.close();
        }
    });
    closer.start(10);
    QTest::mouseClick(m_form->PrintBtn, Qt::LeftButton);
    QVERIFY(previewShown);
    QCOMPARE(current(), QStringLiteral("Abba"));
    QVERIFY2((*m_prompts)->shown().isEmpty(), qPrintable((*m_prompts)->texts().join('\n')));
}

// Ctrl+C in the size grid and the popup item of the list both copy the
// listed cultivars, not the sizes; the window takes input again afterwards.
void TestCdataForm::clipboardGetsTheCultivarListFromEitherGrid()
{
    showWindow();
    m_form->HoofdgroepComboBox->setCurrentIndex(1);
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    const QString header = QStringLiteral("Cultivar\tHerkomst\tHoofdgroep\tArtikelcode "
                                          "bollen\tCertifNr\tArtikelcode bloemen\tProducttype "
                                          "bloemen\r\n");
    const auto firstColumn = [](const QString& text) {
        QStringList names;
        for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).mid(1))
            names << line.section(QLatin1Char('\t'), 0, 0);
        return names;
    };
    const QStringList tulips{QStringLiteral("Abba"), QStringLiteral("abc"),
                             QStringLiteral("Apeldoorn")};

    QGuiApplication::clipboard()->clear();
    m_form->BroeidataSizesDBGrid->setFocus();
    QTest::keyClick(m_form->BroeidataSizesDBGrid, Qt::Key_C, Qt::ControlModifier);
    const QString fromSizes = QGuiApplication::clipboard()->text();
    QVERIFY2(fromSizes.startsWith(header), qPrintable(fromSizes));
    QCOMPARE(firstColumn(fromSizes), tulips);
    QVERIFY(m_form->isEnabled());

    QGuiApplication::clipboard()->clear();
    m_form->HoofdgroepComboBox->setCurrentIndex(0);
    QVERIFY(m_form->PopupMenu1->actions().contains(m_form->KopieerNaarClipboard));
    m_form->KopieerNaarClipboard->trigger();
    QCOMPARE(firstColumn(QGuiApplication::clipboard()->text()).size(), 5);
    QVERIFY(m_form->isEnabled());
    QVERIFY(m_form->isVisible());
    QVERIFY2((*m_prompts)->shown().isEmpty(), qPrintable((*m_prompts)->texts().join('\n')));
}

// The two "&C" buttons open the copy dialogs of the cultivar and the size;
// cancelled there, nothing is added.
void TestCdataForm::copyButtonsRunTheCopyDialogs()
{
    int sizeDialogs = 0;
    m_dmod->SizeSelDialogHook = [&] {
        ++sizeDialogs;
        return false;
    };
    showWindow();
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QTest::mouseClick(m_form->CopyButton, Qt::LeftButton);
    QCOMPARE(m_newCultivarDialogs, 1);
    QCOMPARE(m_dmod->tbCdata()->recordCount(), 5);

    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    QTest::mouseClick(m_form->Button1, Qt::LeftButton);
    QCOMPARE(sizeDialogs, 1);
    QCOMPARE(m_dmod->tbCsizes()->recordCount(), 2);
    QCOMPARE(m_dmod->tbCsizes()->state(), State::Browse);
    QVERIFY2((*m_prompts)->shown().isEmpty(), qPrintable((*m_prompts)->texts().join('\n')));
}

// A size chosen in the grid's "Zift" cell that the cultivar has already is
// refused with the key-violation message; the new row stays to be put right.
void TestCdataForm::sizeTheCultivarHasIsRefused()
{
    showWindow();
    goTo(QStringLiteral("Apeldoorn"), QStringLiteral("NL"));
    TDBGrid* sizes = m_form->BroeidataSizesDBGrid;
    sizes->setFocus();
    QTest::keyClick(sizes, Qt::Key_Insert);
    QCOMPARE(m_dmod->tbCsizes()->state(), State::Insert);
    sizes->setCurrentIndex(sizes->model()->index(m_dmod->tbCsizes()->currentIndex(), 0));
    QTest::keyClick(sizes, Qt::Key_F2);
    QVERIFY(sizes->cellEditorOpen());
    auto* choice = qobject_cast<QComboBox*>(QApplication::focusWidget());
    QVERIFY(choice);
    QCOMPARE(choice->maxVisibleItems(), 14);
    // The last of the size list, as the user picks it.
    QTest::keyClick(choice, Qt::Key_End);
    QCOMPARE(choice->currentText(), QStringLiteral("12/+"));
    QTest::keyClick(choice, Qt::Key_Return);
    QTRY_VERIFY(!sizes->cellEditorOpen());
    QTest::mouseClick(m_form->DBNavigator1->PostButton, Qt::LeftButton);

    QCOMPARE((*m_prompts)->texts(),
             QStringList{QStringLiteral("Error KP 11\r\nZift bestaat reeds;\r\nwijzig Zift of "
                                        "druk op Escape\r\nof Annuleer wijziging (knopje boven "
                                        "tabel)!")});
    QCOMPARE(m_dmod->tbCsizes()->state(), State::Insert);
    QTest::mouseClick(m_form->DBNavigator1->CancelButton, Qt::LeftButton);
    QCOMPARE(m_dmod->tbCsizes()->recordCount(), 2);
    QCOMPARE(storedDk_p1_w({"Apeldoorn", "NL", "12/+"}), 14);
}

QTEST_MAIN(TestCdataForm)
#include "tst_cdataform.moc"
