#include "TKMmainform.h"

#include "ClientAreaPrint.h"
#include "MainFormArt.h"
#include "PeriodTablePanel.h"
#include "schedule/CurrentSizeRecord.h"
#include "schedule/calendar/TBarCalendar.h"
#include "schedule/calendar/TDayGrid.h"
#include "schedule/calendar/TMonthBar.h"

#include "core/Clock.h"
#include "core/ErrorBarrier.h"
#include "core/SettingsCatalog.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "widgets/DesignFont.h"
#include "widgets/ReturnActivation.h"
#include "widgets/TUpDown.h"
#include "widgets/TVersionInfoForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include <stdexcept>

namespace kasplan {

namespace {

constexpr int ClientWidth = 692;
constexpr int ClientHeight = 547;
constexpr int TopPanelHeight = 190;
constexpr int BottomPanelHeight = 66;
constexpr int SbarPanelHeight = 31;
// In the memo while no cultivar database is open, in place of the missing
// period data of a record that does not exist.
const QString NoDatabaseText =
    QStringLiteral("Er is geen cultivar database geopend: Kasplan kan geen schema berekenen.");

const QColor Yellow(255, 255, 0);
const QColor Blue(0, 0, 255);
const QColor Green(0, 128, 0);
const QColor Olive(128, 128, 0);
const QColor Purple(128, 0, 128);
const QColor Red(255, 0, 0);

QFont sansSerif(int height = 14, bool bold = false)
{
    return DesignFont(QStringLiteral("MS Sans Serif"), height, bold);
}

QLabel* label(QWidget* parent, const char* name, const QString& text = {})
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text,
                    const QString& hint = {})
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    return b;
}

// The style draws a memo's frame the same with and without the focus; this
// frames it in the highlight colour while it has the focus.
class MemoFocusFrame : public QObject
{
public:
    explicit MemoFocusFrame(QFrame* memo) : QObject(memo), m_style(memo->frameStyle()) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* frame = static_cast<QFrame*>(watched);
        if (event->type() == QEvent::FocusIn) {
            QPalette p = frame->palette();
            p.setColor(QPalette::WindowText, p.color(QPalette::Active, QPalette::Highlight));
            frame->setPalette(p);
            frame->setFrameStyle(QFrame::Box | QFrame::Plain);
            frame->setLineWidth(2);
        } else if (event->type() == QEvent::FocusOut) {
            frame->setFrameStyle(m_style);
            frame->setLineWidth(1);
        }
        return false;
    }

private:
    int m_style;
};

QPlainTextEdit* memo(QWidget* parent, const char* name)
{
    auto* m = new QPlainTextEdit(parent);
    m->setObjectName(QLatin1String(name));
    m->setReadOnly(true);
    m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m->setTabChangesFocus(true);
    m->installEventFilter(new MemoFocusFrame(m));
    return m;
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette p = widget->palette();
    p.setColor(QPalette::WindowText, color);
    p.setColor(QPalette::Text, color);
    widget->setPalette(p);
}

QWidget* panel(QWidget* parent, const char* name)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return frame;
}

bool defaultPrintDialog(QPrinter& printer, QWidget* parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrintDialog1"));
    // The dialog offers printing to a PDF file beside the printers.
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace

TKMmainform::TKMmainform(QWidget* parent)
    : QMainWindow(parent), Image1(label(this, "Image1")),
      HelpButton(
          button(this, "HelpButton", QStringLiteral("&Help"), QStringLiteral("Vraag om help"))),
      VersionButton(
          button(this, "VersionButton", QStringLiteral("&v"), QStringLiteral("Versie informatie"))),
      OkButton(button(this, "OkButton", QStringLiteral("Schema"))),
      Close_or_CancelButton(button(this, "Close_or_CancelButton", QStringLiteral("&Sluiten"))),
      CultivarSelBtn(button(this, "CultivarSelBtn", QStringLiteral("&Selecteer Cultivar"))),
      DBText1(label(this, "DBText1")), DBText3(label(this, "DBText3")),
      DBText2(label(this, "DBText2")),
      CdataButton(button(this, "CdataButton", QStringLiteral("&Bewerken gegevens"),
                         QStringLiteral("Bewerken gegevens in Cultivar database"))),
      OptionsBtn(button(this, "OptionsBtn", QString(), QStringLiteral("Instellingen"))),
      SeasonLab(label(this, "SeasonLab", QStringLiteral(" Seizoen:"))),
      SeizoenText(label(this, "SeizoenText", QStringLiteral("1997/1998"))),
      SeizoenStartJaar(new TUpDown(Qt::Vertical, this)),
      PrintButton(button(this, "PrintButton", QString(), QStringLiteral("Print window"))),
      CultivarGegBox(new QGroupBox(QStringLiteral(" Cultivar gegevens "), this)),
      BroeiMethodeCBox(new QComboBox(this)), DBText7(label(this, "DBText7")),
      PeriodePanel(new PeriodTablePanel(this)), DBMemo1(memo(this, "DBMemo1")),
      PeriodDatesPanel(new QWidget(this)), Gcal(new TBarCalendar(this)),
      Kcal(new TBarCalendar(this)), Ical(new TBarCalendar(this)), EMemo(memo(this, "EMemo")),
      Label14(label(this, "Label14", QStringLiteral("Einde Kas oogst:"))),
      EDatePanel(label(this, "EDatePanel")),
      MBackBtn(button(this, "MBackBtn", QStringLiteral("Maand"), QStringLiteral("Maand terug"))),
      DBackBtn(button(this, "DBackBtn", QStringLiteral("Dag"), QStringLiteral("Dag terug"))),
      DFwdBtn(button(this, "DFwdBtn", QStringLiteral("Dag"), QStringLiteral("Dag verder"))),
      MFwdBtn(button(this, "MFwdBtn", QStringLiteral("Maand"), QStringLiteral("Maand verder"))),
      SbarPanel(label(this, "SbarPanel")), CalSBar(new QScrollBar(Qt::Horizontal, this)),
      m_ownRecord(std::make_unique<InMemorySizeRecord>()),
      m_core(std::make_unique<ScheduleCore>(Gcal->model(), Kcal->model(), Ical->model()))
{
    setObjectName(QStringLiteral("KMmainform"));
    setWindowTitle(QStringLiteral("Kasplan 4.0"));
    setFont(sansSerif());

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(client);
    auto* rows = new QVBoxLayout(client);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);

    auto* top = new QWidget(client);
    top->setObjectName(QStringLiteral("TopPanel"));
    top->setFixedHeight(TopPanelHeight);
    buildTopPanel(top);
    rows->addWidget(top);

    PeriodDatesPanel->setObjectName(QStringLiteral("PeriodDatesPanel"));
    PeriodDatesPanel->setParent(client);
    PeriodDatesPanel->installEventFilter(this);
    rows->addWidget(PeriodDatesPanel, 1);
    setUpCalendars();

    auto* bottom = new QWidget(client);
    bottom->setObjectName(QStringLiteral("BottomPanel"));
    bottom->setFixedHeight(BottomPanelHeight);
    buildBottomPanel(bottom);
    rows->addWidget(bottom);

    SbarPanel->setParent(client);
    SbarPanel->setFixedHeight(SbarPanelHeight);
    SbarPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    SbarPanel->setAlignment(Qt::AlignCenter);
    SbarPanel->setFont(DesignFont(QStringLiteral("Arial"), 23, true));
    SbarPanel->installEventFilter(this);
    CalSBar->setObjectName(QStringLiteral("CalSBar"));
    CalSBar->setParent(SbarPanel);
    CalSBar->setRange(0, 100);
    CalSBar->setPageStep(16);
    CalSBar->setSingleStep(4);
    CalSBar->setToolTip(QStringLiteral("Verschuiven Kalender over seizoen"));
    rows->addWidget(SbarPanel);

    setRecordSource(nullptr);
    setPrintSteps({}, {});
    connectControls();
    arrangeTabOrder();
    // Smaller, the calendars and the panels of the top row no longer fit;
    // larger, the calendars show more months and the memos widen.
    client->setMinimumSize(ClientWidth, ClientHeight);
    resize(ClientWidth, ClientHeight);
    FormCreate();
}

TKMmainform::~TKMmainform()
{
    // The children's focus moves while they are destroyed are no news.
    disconnect(qApp, nullptr, this, nullptr);
    // The calculation goes first: it works on the calendars' models.
    m_core.reset();
}

void TKMmainform::buildTopPanel(QWidget* top)
{
    auto* columns = new QHBoxLayout(top);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);

    QWidget* logoPanel = panel(top, "LogoPanel");
    logoPanel->setFixedWidth(125);
    Image1->setParent(logoPanel);
    Image1->setGeometry(22, 10, 80, 80);
    Image1->setScaledContents(true);
    Image1->setPixmap(KasplanLogo(80));
    VersionButton->setParent(logoPanel);
    VersionButton->setGeometry(8, 100, 28, 25);
    HelpButton->setParent(logoPanel);
    HelpButton->setGeometry(40, 100, 77, 25);
    OkButton->setParent(logoPanel);
    OkButton->setGeometry(40, 100, 77, 25);
    OkButton->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    OkButton->hide();
    Close_or_CancelButton->setParent(logoPanel);
    Close_or_CancelButton->setGeometry(16, 150, 93, 29);
    Close_or_CancelButton->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    columns->addWidget(logoPanel);

    QWidget* selectPanel = panel(top, "SelectPanel");
    selectPanel->setFixedWidth(196);
    CultivarSelBtn->setParent(selectPanel);
    CultivarSelBtn->setGeometry(8, 6, 180, 27);
    DBText1->setParent(selectPanel);
    DBText1->setGeometry(8, 37, 180, 22);
    DBText1->setFont(sansSerif(18));
    setTextColor(DBText1, Blue);
    QLabel* sizeLabel = label(selectPanel, "Label2", QStringLiteral("Zift"));
    sizeLabel->setGeometry(8, 61, 64, 18);
    DBText3->setParent(selectPanel);
    DBText3->setGeometry(74, 61, 114, 18);
    setTextColor(DBText3, Blue);
    QLabel* sourceLabel = label(selectPanel, "Label3", QStringLiteral("Herkomst"));
    sourceLabel->setGeometry(8, 80, 64, 18);
    DBText2->setParent(selectPanel);
    DBText2->setGeometry(74, 80, 114, 18);
    setTextColor(DBText2, Blue);
    CdataButton->setParent(selectPanel);
    CdataButton->setGeometry(8, 102, 146, 27);
    OptionsBtn->setParent(selectPanel);
    OptionsBtn->setGeometry(158, 102, 30, 27);
    OptionsBtn->setIcon(OptionsGlyph());

    auto* seizoenPanel = new QFrame(selectPanel);
    seizoenPanel->setObjectName(QStringLiteral("SeizoenPanel"));
    seizoenPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    seizoenPanel->setGeometry(8, 136, 118, 46);
    SeasonLab->setParent(seizoenPanel);
    SeasonLab->setGeometry(2, 2, 114, 18);
    SeizoenText->setParent(seizoenPanel);
    SeizoenText->setGeometry(2, 22, 114, 22);
    SeizoenText->setAlignment(Qt::AlignCenter);
    SeizoenText->setFont(sansSerif(18));
    SeizoenStartJaar->setObjectName(QStringLiteral("SeizoenStartJaar"));
    SeizoenStartJaar->setParent(selectPanel);
    SeizoenStartJaar->setGeometry(128, 136, 20, 46);
    SeizoenStartJaar->setRange(ScheduleCore::FirstSeason, ScheduleCore::LastSeason);
    SeizoenStartJaar->setWrap(false);
    SeizoenStartJaar->setPosition(1997);
    SeizoenStartJaar->setToolTip(QStringLiteral("Ga naar volgend/vorig seizoen"));
    PrintButton->setParent(selectPanel);
    PrintButton->setGeometry(154, 143, 34, 32);
    PrintButton->setIcon(PrinterGlyph());
    PrintButton->setIconSize(QSize(24, 24));
    columns->addWidget(selectPanel);

    CultivarGegBox->setObjectName(QStringLiteral("CultivarGegBox"));
    CultivarGegBox->setParent(top);
    // Only the title is bold: the panels inside keep the window's font.
    CultivarGegBox->setFont(sansSerif(14, true));
    auto* boxRows = new QVBoxLayout(CultivarGegBox);
    boxRows->setContentsMargins(4, 2, 4, 4);
    boxRows->setSpacing(2);

    QWidget* algGegPanel = panel(CultivarGegBox, "AlgGegPanel");
    algGegPanel->setFont(sansSerif());
    algGegPanel->setFixedHeight(30);
    // In a row, so that the status keeps to the panel at the smallest width.
    auto* algGegRow = new QHBoxLayout(algGegPanel);
    algGegRow->setContentsMargins(6, 3, 4, 3);
    algGegRow->setSpacing(2);
    QLabel* methodLabel = label(algGegPanel, "Label1", QStringLiteral("Broeimethode"));
    methodLabel->setFixedWidth(84);
    algGegRow->addWidget(methodLabel);
    BroeiMethodeCBox->setObjectName(QStringLiteral("BroeiMethodeCBox"));
    BroeiMethodeCBox->setParent(algGegPanel);
    BroeiMethodeCBox->addItems(
        {QStringLiteral("Grond"), QStringLiteral("Water"), QStringLiteral("IJstulpen")});
    BroeiMethodeCBox->setFixedSize(100, 24);
    algGegRow->addWidget(BroeiMethodeCBox);
    algGegRow->addSpacing(12);
    QLabel* statusLabel = label(algGegPanel, "Label5", QStringLiteral("Status"));
    statusLabel->setFixedWidth(42);
    algGegRow->addWidget(statusLabel);
    DBText7->setParent(algGegPanel);
    DBText7->setMinimumWidth(40);
    algGegRow->addWidget(DBText7, 1);
    setTextColor(DBText7, Red);
    boxRows->addWidget(algGegPanel);

    PeriodePanel->setParent(CultivarGegBox);
    PeriodePanel->setFont(sansSerif());
    PeriodePanel->setFixedHeight(94);
    boxRows->addWidget(PeriodePanel);

    QWidget* opmPanel = panel(CultivarGegBox, "OpmPanel");
    opmPanel->setFont(sansSerif());
    auto* opmRow = new QHBoxLayout(opmPanel);
    opmRow->setContentsMargins(4, 2, 2, 2);
    opmRow->addWidget(label(opmPanel, "Label6", QStringLiteral("Opmerkingen: ")), 0, Qt::AlignTop);
    DBMemo1->setParent(opmPanel);
    DBMemo1->setMinimumHeight(24);
    DBMemo1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    opmRow->addWidget(DBMemo1, 1);
    boxRows->addWidget(opmPanel, 1);
    columns->addWidget(CultivarGegBox, 1);
}

void TKMmainform::buildBottomPanel(QWidget* bottom)
{
    auto* columns = new QHBoxLayout(bottom);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);

    EMemo->setParent(bottom);
    // Hidden without messages, the memo still keeps its place.
    QSizePolicy memoPolicy = EMemo->sizePolicy();
    memoPolicy.setRetainSizeWhenHidden(true);
    EMemo->setSizePolicy(memoPolicy);
    setTextColor(EMemo, Red);
    EMemo->setPlainText(QStringLiteral("Waarschuwing/Error:"));
    columns->addWidget(EMemo, 1);

    QWidget* endPanel = panel(bottom, "EindDatumPanel");
    endPanel->setFixedWidth(392);
    Label14->setParent(endPanel);
    Label14->setGeometry(8, 6, 130, 22);
    Label14->setFont(sansSerif(18));
    EDatePanel->setParent(endPanel);
    EDatePanel->setGeometry(138, 4, 248, 26);
    EDatePanel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    EDatePanel->setFont(DesignFont(QStringLiteral("Arial"), 18, true));
    setTextColor(EDatePanel, Purple);

    const struct
    {
        QPushButton* button;
        QStyle::StandardPixmap glyph;
    } harvestButtons[] = {
        {MBackBtn, QStyle::SP_MediaSeekBackward},
        {DBackBtn, QStyle::SP_ArrowLeft},
        {DFwdBtn, QStyle::SP_ArrowRight},
        {MFwdBtn, QStyle::SP_MediaSeekForward},
    };
    int left = 8;
    for (const auto& b : harvestButtons) {
        b.button->setParent(endPanel);
        b.button->setGeometry(left, 34, 90, 27);
        b.button->setIcon(style()->standardIcon(b.glyph));
        left += 95;
    }
    MFwdBtn->setLayoutDirection(Qt::RightToLeft); // its arrow on the right
    columns->addWidget(endPanel);
}

void TKMmainform::setUpCalendars()
{
    const struct
    {
        TBarCalendar* calendar;
        const char* name;
        QString label;
        QString caption;
        bool useCurrentDate;
        QColor color;
    } calendars[] = {
        {Gcal, "Gcal", QStringLiteral(" Tussentemperatuur"), QStringLiteral("G-stadium: "), true,
         Yellow},
        {Kcal, "Kcal", QStringLiteral(" Periode Koeling"), QStringLiteral("Begindatum koeling: "),
         false, Blue},
        {Ical, "Ical", QStringLiteral(" Periode Kas"), QStringLiteral("Inhaaldatum: "), false,
         Green},
    };
    const QColor window = palette().color(QPalette::Base);
    for (const auto& c : calendars) {
        TBarCalendar* cal = c.calendar;
        cal->setObjectName(QLatin1String(c.name));
        cal->setParent(PeriodDatesPanel);
        cal->setLabelText(c.label);
        cal->setDateCaption(c.caption);
        cal->setUseCurrentDate(c.useCurrentDate);
        cal->setDateFontColor(c.color);
        cal->setPeriodColor(c.color);
        cal->setLabelFont(sansSerif(18));
        cal->setDateCapFont(DesignFont(QStringLiteral("Arial"), 15));
        cal->setDateFont(DesignFont(QStringLiteral("Arial"), 18, true));
        cal->setMonthFont(DesignFont(QStringLiteral("Arial"), 15, false, true));
        cal->setLabelColor(window);
        cal->setDateCaptionColor(window);
        cal->setDatePanelWidth(251);
        cal->setDateCaptionWidth(170);
        cal->setUDBtnWidth(50);
        cal->setLUDBtnWidth(0);
        cal->setPeriodSunDaysColor(Qt::black);
        cal->setDayCellWidth(2);
        cal->setPeriod(7);
        cal->setMonthRange(24);
    }
    Gcal->setGeometry(0, 0, ClientWidth, 89);
    Ical->setGeometry(0, 89, ClientWidth, 90);
}

void TKMmainform::connectControls()
{
    m_core->setBeepSink([](int, int) { QApplication::beep(); });
    // The program's own focus moves: the real focus follows, and the
    // calculation knows at once where it is, also before the window system
    // has delivered the focus.
    m_core->setFocusPort([this](ScheduleCalendar which) {
        m_core->setFocusedCalendar(which);
        if (TBarCalendar* cal = calendarWidget(which))
            cal->setCalendarFocus();
    });
    connect(Gcal, &TBarCalendar::focusEntered, this,
            [this] { m_core->setFocusedCalendar(ScheduleCalendar::Gcal); });
    connect(Kcal, &TBarCalendar::focusEntered, this,
            [this] { m_core->setFocusedCalendar(ScheduleCalendar::Kcal); });
    connect(Ical, &TBarCalendar::focusEntered, this,
            [this] { m_core->setFocusedCalendar(ScheduleCalendar::Ical); });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { focusMoved(now); });
    // Activation from another window of the program (or the first one)
    // recalculates; returning from another program does not.
    new ReturnActivation(this, [this] { FormActivate(); });

    // A date change runs the calculation (the core listens first), then the
    // window shows what it left.
    for (TBarCalendar* cal : {Gcal, Kcal, Ical})
        connect(&cal->model(), &BarCalendarModel::dateChanged, this, &TKMmainform::ShowSchedule);
    connect(Gcal, &TBarCalendar::OnLeftMonthChanged, this, &TKMmainform::GcalLeftMonthChanged);
    connect(Kcal, &TBarCalendar::OnLeftMonthChanged, this, &TKMmainform::KcalLeftMonthChanged);
    connect(Ical, &TBarCalendar::OnLeftMonthChanged, this, &TKMmainform::IcalLeftMonthChanged);
    for (TBarCalendar* cal : {Gcal, Kcal, Ical})
        connect(cal, &TBarCalendar::OnViewScrolled, this, [this, cal] { followView(cal); });
    connect(CalSBar, &QScrollBar::valueChanged, this, &TKMmainform::CalSBarScroll);

    connect(SeizoenStartJaar, &TUpDown::Click, this, &TKMmainform::SeizoenStartJaarClick);
    connect(BroeiMethodeCBox, &QComboBox::activated, this, &TKMmainform::BroeiMethodeCBoxChange);
    connect(CultivarSelBtn, &QPushButton::clicked, this, &TKMmainform::CultivarSelBtnClick);
    connect(CdataButton, &QPushButton::clicked, this, &TKMmainform::CdataButtonClick);
    connect(OptionsBtn, &QPushButton::clicked, this, &TKMmainform::OptionsBtnClick);
    connect(VersionButton, &QPushButton::clicked, this, &TKMmainform::VersionButtonClick);
    connect(PrintButton, &QPushButton::clicked, this, &TKMmainform::PrintButtonClick);
    connect(Close_or_CancelButton, &QPushButton::clicked, this, &QWidget::close);
    connect(MBackBtn, &QPushButton::clicked, this, &TKMmainform::MBackBtnClick);
    connect(MFwdBtn, &QPushButton::clicked, this, &TKMmainform::MFwdBtnClick);
    connect(DBackBtn, &QPushButton::clicked, this, &TKMmainform::DBackBtnClick);
    connect(DFwdBtn, &QPushButton::clicked, this, &TKMmainform::DFwdBtnClick);
}

void TKMmainform::arrangeTabOrder()
{
    // The season is reached and stepped with the keyboard too; a click on
    // its arrows leaves the focus where the new season puts it.
    SeizoenStartJaar->setFocusPolicy(Qt::TabFocus);
    // Reading order: the top row from left to right, the calendars from top
    // to bottom (month bar, then days), the harvest end.
    const QList<QWidget*> order = {VersionButton,  Close_or_CancelButton,
                                   CultivarSelBtn, CdataButton,
                                   OptionsBtn,     SeizoenStartJaar,
                                   PrintButton,    BroeiMethodeCBox,
                                   DBMemo1,        Gcal->monthBar(),
                                   Gcal->dayBar(), Kcal->monthBar(),
                                   Kcal->dayBar(), Ical->monthBar(),
                                   Ical->dayBar(), EMemo,
                                   MBackBtn,       DBackBtn,
                                   DFwdBtn,        MFwdBtn};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void TKMmainform::setRecordSource(CurrentSizeRecord* record)
{
    if (m_record)
        disconnect(m_record, nullptr, this, nullptr);
    m_record = record ? record : m_ownRecord.get();
    m_core->setRecord(&m_record->forcing());
    connect(m_record, &CurrentSizeRecord::dataChanged, this, &TKMmainform::ApplyBroeiMethode);
    if (record)
        connect(record, &QObject::destroyed, this, [this] { setRecordSource(nullptr); });
}

void TKMmainform::setPrintSteps(PrintDialogStep dialog, PrintPageStep print)
{
    m_printDialog =
        dialog ? std::move(dialog)
               : PrintDialogStep([this](QPrinter& p) { return defaultPrintDialog(p, this); });
    m_printPage = print ? std::move(print) : PrintPageStep(PrintClientArea);
}

TBarCalendar* TKMmainform::calendarWidget(ScheduleCalendar which) const
{
    switch (which) {
    case ScheduleCalendar::Gcal:
        return Gcal;
    case ScheduleCalendar::Kcal:
        return Kcal;
    case ScheduleCalendar::Ical:
        return Ical;
    case ScheduleCalendar::None:
        break;
    }
    return nullptr;
}

// --- Focus and activation -------------------------------------------------------

void TKMmainform::focusMoved(QWidget* now)
{
    // A calendar reports itself (focusEntered); anything else that takes the
    // focus, here or in another window, leaves no calendar focused.
    for (const TBarCalendar* cal : {Gcal, Kcal, Ical}) {
        if (now && (now == cal || cal->isAncestorOf(now)))
            return;
    }
    m_core->setFocusedCalendar(ScheduleCalendar::None);
}

void TKMmainform::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        m_core->setWindowActive(isActiveWindow());
}

// --- Form events ------------------------------------------------------------------------

void TKMmainform::FormCreate()
{
    const QScreen* screen = this->screen();
    const QRect area = screen ? screen->geometry() : QRect();
    move(area.topLeft());
    if (screen && (area.width() < width() || area.height() - 20 < height()))
        setWindowState(windowState() | Qt::WindowMaximized);
    HelpButton->hide();
}

void TKMmainform::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
        // The main window takes the focus when it appears, also where no
        // window manager hands it out; activating it calculates.
        activateWindow();
    }
}

void TKMmainform::FormShow()
{
    setWindowTitle(QApplication::applicationName() + QLatin1Char(' ') +
                   TZHRegistry::current().StoredSettingsVersion());
    restorePlacement();
    returnToLastRecord();
    const TZHRegistry& settings = TZHRegistry::current();
    const int season = settings.ReadInteger(Setting::Season);
    const int method = settings.ReadInteger(Setting::BroeiMethode);
    // A stored value outside the list reads as soil, and shows so; it is
    // stored back as soil, not as "nothing selected".
    BroeiMethodeCBox->setCurrentIndex(method);
    m_core->setBroeiMethode(BroeiMethodeCBox->currentIndex());
    ShowDatabaseState();
    SeizoenStartJaar->setPosition(season >= ScheduleCore::FirstSeason
                                      ? season
                                      : ScheduleCore::DefaultSeasonYear(Clock::current().today()));
    // Sets the season and applies the method; not active yet, so nothing is
    // calculated.
    m_core->FormShow(SeizoenStartJaar->Position());
    ShowRecord();
    ShowSchedule();
}

void TKMmainform::FormActivate()
{
    CultivarGegBox->show();
    ShowDatabaseState();
    m_core->FormActivate();
    const bool weeknrs = TZHRegistry::current().ReadBool(Setting::ShowWeeknrs);
    for (TBarCalendar* cal : {Ical, Kcal, Gcal})
        cal->setShowWeeknrs(weeknrs);
    ShowRecord();
    ShowSchedule();
}

void TKMmainform::closeEvent(QCloseEvent* event)
{
    if (!FormClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool TKMmainform::FormClose()
{
    // A change in the cultivar data window that cannot be saved would be
    // lost when the program ends: the user gets the chance to put it right.
    bool dataWindowClosed = true;
    if (m_windows.CloseCdata)
        Guarded([&] { dataWindowClosed = m_windows.CloseCdata(); });
    if (!dataWindowClosed)
        return false;
    try {
        TZHRegistry& settings = TZHRegistry::current();
        settings.WriteInteger(Setting::Season, SeizoenStartJaar->Position());
        settings.WriteInteger(Setting::BroeiMethode, BroeiMethodeCBox->currentIndex());
        savePlacement();
        rememberRecord();
    } catch (const std::exception& error) {
        // The window closes all the same.
        UserPrompts::current().showError(QString::fromUtf8(error.what()));
    }
    return true;
}

void TKMmainform::restorePlacement()
{
    const QByteArray placement = QByteArray::fromBase64(
        TZHRegistry::current().ReadString(Setting::MainFormPlacement).toLatin1());
    // Qt keeps a window restored on a screen that is no longer there visible.
    if (!placement.isEmpty())
        restoreGeometry(placement);
}

void TKMmainform::savePlacement()
{
    TZHRegistry::current().WriteString(Setting::MainFormPlacement,
                                       QString::fromLatin1(saveGeometry().toBase64()));
}

void TKMmainform::returnToLastRecord()
{
    const TZHRegistry& settings = TZHRegistry::current();
    const SizeRecordKey last{settings.ReadString(Setting::LastCultivar),
                             settings.ReadString(Setting::LastSource),
                             settings.ReadString(Setting::LastSize)};
    if (last.cultivar.isEmpty())
        return;
    try {
        // A record deleted since leaves the first record current.
        m_record->moveTo(last);
    } catch (const std::exception&) {
        // Not readable: the window starts on the first record, as always.
    }
}

void TKMmainform::rememberRecord()
{
    const std::optional<SizeRecordKey> key = m_record->key();
    if (!key)
        return;
    TZHRegistry& settings = TZHRegistry::current();
    settings.WriteString(Setting::LastCultivar, key->cultivar);
    settings.WriteString(Setting::LastSource, key->source);
    settings.WriteString(Setting::LastSize, key->size);
}

bool TKMmainform::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == PeriodDatesPanel)
            PeriodDatesPanelResize();
        else if (watched == SbarPanel)
            SbarPanelResize();
    }
    return QMainWindow::eventFilter(watched, event);
}

void TKMmainform::PeriodDatesPanelResize()
{
    const int width = PeriodDatesPanel->width();
    const int height = PeriodDatesPanel->height();
    const int third = height / 3;
    Gcal->setGeometry(0, 0, width, third);
    Kcal->setGeometry(0, third, width, height - 2 * third);
    Ical->setGeometry(0, height - third, width, third);
}

void TKMmainform::SbarPanelResize()
{
    const int height = CalSBar->sizeHint().height();
    CalSBar->setGeometry(2, (SbarPanel->height() - height) / 2, SbarPanel->width() - 5, height);
}

// --- Season, method, record -------------------------------------------------------------

void TKMmainform::SetSeason(int year)
{
    m_core->SetSeason(year);
    ShowSchedule();
}

void TKMmainform::SeizoenStartJaarClick()
{
    // The new season's chain runs with the focus on Gcal; stepped by its
    // keys, the up-down takes the focus back, or the next key would move
    // the G-stage instead.
    const bool keyed = SeizoenStartJaar->hasFocus();
    SetSeason(SeizoenStartJaar->Position());
    if (keyed)
        SeizoenStartJaar->setFocus(Qt::OtherFocusReason);
}

void TKMmainform::BroeiMethodeCBoxChange()
{
    m_core->setBroeiMethode(BroeiMethodeCBox->currentIndex());
    ApplyBroeiMethode();
}

void TKMmainform::ApplyBroeiMethode()
{
    ShowRecord();
    ShowDatabaseState();
    m_core->ApplyBroeiMethode();
    ShowSchedule();
}

void TKMmainform::AdjustHousingToData()
{
    m_core->AdjustHousingToData();
    ShowSchedule();
}

void TKMmainform::ResetPeriodTable()
{
    m_core->ResetPeriodTable();
    ShowSchedule();
}

void TKMmainform::SetPeriodUnitCaptions(const QString& tussenTCaption, const QString& koudeCaption)
{
    PeriodePanel->WorD20naGLabel->setText(tussenTCaption);
    PeriodePanel->WorDkoudeLabel->setText(koudeCaption);
}

void TKMmainform::ShowRecord()
{
    const CurrentSizeRecord& record = *m_record;
    DBText1->setText(record.displayText(QStringLiteral("Cultivar")));
    DBText3->setText(record.displayText(QStringLiteral("Size")));
    DBText2->setText(record.displayText(QStringLiteral("Source")));
    DBText7->setText(record.displayText(QStringLiteral("Status")));
    const QString remarks = record.displayText(QStringLiteral("Remarks"));
    if (DBMemo1->toPlainText() != remarks)
        DBMemo1->setPlainText(remarks);
    PeriodePanel->Bind(m_core->BroeiMethode(), record);
}

bool TKMmainform::ShowDatabaseState()
{
    // Hidden calendars take no focus, so the core starts no calculation.
    const bool open = m_record->databaseOpen();
    for (TBarCalendar* cal : {Gcal, Kcal, Ical})
        cal->setVisible(open);
    m_core->setPeriodDatesPanelVisible(open);
    for (QWidget* control :
         std::initializer_list<QWidget*>{MBackBtn, DBackBtn, DFwdBtn, MFwdBtn, CalSBar})
        control->setEnabled(open);
    return open;
}

void TKMmainform::ShowSchedule()
{
    const ScheduleCore& core = *m_core;
    const bool databaseOpen = m_record->databaseOpen();
    const QString memoText =
        databaseOpen ? core.EMemoLines().join(QLatin1Char('\n')) : NoDatabaseText;
    if (EMemo->toPlainText() != memoText) {
        EMemo->setPlainText(memoText);
        EMemo->verticalScrollBar()->setValue(0);
    }
    EMemo->setVisible(!databaseOpen || core.EMemoVisible());
    EDatePanel->setText(databaseOpen ? core.EDatePanelCaption() : QString());
    OkButton->setEnabled(core.OkButtonEnabled());
    if (!core.SeizoenText().isEmpty())
        SeizoenText->setText(core.SeizoenText());
    PeriodePanel->ShowTable(core.periodTable());
}

// --- Buttons -------------------------------------------------------------------------------

void TKMmainform::notAvailable(const QString& window)
{
    UserPrompts::current().showInformation(
        QStringLiteral("Het venster \"%1\" is in deze versie nog niet beschikbaar.").arg(window));
}

void TKMmainform::CultivarSelBtnClick()
{
    if (!m_windows.SelectCultivar) {
        notAvailable(QStringLiteral("Selecteer Cultivar en Zift"));
        return;
    }
    m_windows.SelectCultivar();
    // Back from its modal dialog the window is the active one again, even
    // where the window system reports that a moment later.
    activateWindow();
    m_core->setWindowActive(true);
    AdjustHousingToData();
}

void TKMmainform::CdataButtonClick()
{
    if (!m_windows.ShowCdata) {
        notAvailable(QStringLiteral("Cultivar gegevens"));
        return;
    }
    m_windows.ShowCdata();
}

void TKMmainform::OptionsBtnClick()
{
    if (!m_windows.ShowOptions) {
        notAvailable(QStringLiteral("Instellingen"));
        return;
    }
    m_windows.ShowOptions();
    FormActivate();
}

void TKMmainform::VersionButtonClick()
{
    TVersionInfoForm form(this);
    form.exec();
}

void TKMmainform::moveHarvestEnd(QPushButton* button, int months, int days)
{
    // The button has the focus while the schedule follows the harvest end,
    // so the dates written into the calendars start no chains of their own.
    button->setFocus(Qt::OtherFocusReason);
    m_core->setFocusedCalendar(ScheduleCalendar::None);
    m_core->MoveHarvestEnd(months, days);
    ShowSchedule();
}

void TKMmainform::MBackBtnClick()
{
    moveHarvestEnd(MBackBtn, -1, 0);
}

void TKMmainform::MFwdBtnClick()
{
    moveHarvestEnd(MFwdBtn, 1, 0);
}

void TKMmainform::DBackBtnClick()
{
    moveHarvestEnd(DBackBtn, 0, -1);
}

void TKMmainform::DFwdBtnClick()
{
    moveHarvestEnd(DFwdBtn, 0, 1);
}

// --- Scrolling -------------------------------------------------------------------------------

void TKMmainform::followView(const TBarCalendar* from)
{
    // The same first day, not only the same first month: the wheel scrolls
    // by weeks.
    const int firstDay = from->model().firstVisibleDay();
    for (TBarCalendar* cal : {Gcal, Kcal, Ical}) {
        if (cal != from)
            cal->model().ShowFromDay(firstDay);
    }
}

void TKMmainform::GcalLeftMonthChanged()
{
    followView(Gcal);
    // Not while the user drags the slider: it would jump under the mouse.
    if (!CalSBar->isSliderDown()) {
        const QSignalBlocker blocker(CalSBar);
        CalSBar->setValue(Gcal->model().scrollPosition());
    }
}

void TKMmainform::KcalLeftMonthChanged()
{
    followView(Kcal);
}

void TKMmainform::IcalLeftMonthChanged()
{
    followView(Ical);
}

void TKMmainform::CalSBarScroll(int position)
{
    for (TBarCalendar* cal : {Gcal, Kcal, Ical})
        cal->ScrollToPosition(position);
}

// --- Printing --------------------------------------------------------------------------------

void TKMmainform::PrintButtonClick()
{
    QPrinter printer(QPrinter::HighResolution);
    if (!m_printDialog(printer))
        return;

    const bool okVisible = !OkButton->isHidden();
    const bool closeVisible = !Close_or_CancelButton->isHidden();
    const QPointer<QWidget> focus = QApplication::focusWidget();
    const QList<QWidget*> hidden = {CdataButton, PrintButton, CultivarSelBtn, OptionsBtn, MBackBtn,
                                    DBackBtn,    MFwdBtn,     DFwdBtn,        CalSBar};
    const auto restore = [&] {
        for (QWidget* w : hidden)
            w->show();
        SbarPanel->clear();
        Gcal->setPeriodColor(Yellow);
        Gcal->setDateFontColor(Yellow);
        OkButton->setVisible(okVisible);
        Close_or_CancelButton->setVisible(closeVisible);
        if (focus)
            focus->setFocus(Qt::OtherFocusReason);
    };
    try {
        for (QWidget* w : hidden)
            w->hide();
        SbarPanel->setText(
            QLocale::system().toString(Clock::current().today(), QLocale::LongFormat));
        Gcal->setPeriodColor(Olive);
        Gcal->setDateFontColor(Olive);
        OkButton->hide();
        Close_or_CancelButton->hide();
        // The paper shows no focus frame.
        if (QWidget* focused = QApplication::focusWidget())
            focused->clearFocus();
        m_printPage(printer, *centralWidget());
    } catch (const std::exception& error) {
        restore();
        UserPrompts::current().showError(QString::fromUtf8(error.what()));
        return;
    }
    restore();
}

} // namespace kasplan
