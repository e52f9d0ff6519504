#include "TBarCalendar.h"

#include "BarCalendarLayout.h"
#include "TCalendarUpDown.h"
#include "TDayGrid.h"
#include "TMonthBar.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace kasplan {

namespace {

constexpr int CreatedWidth = 200;
constexpr int CreatedHeight = 60;

QLabel* makePanel(QWidget* parent, const char* name, const QString& text, Qt::Alignment align,
                  int bevel)
{
    auto* panel = new QLabel(text, parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(bevel);
    panel->setAlignment(align | Qt::AlignVCenter);
    panel->setIndent(2);
    panel->setAutoFillBackground(true);
    return panel;
}

TCalendarUpDown* makeUpDown(QWidget* parent, const char* name, const QString& hint)
{
    auto* upDown = new TCalendarUpDown(parent);
    upDown->setObjectName(QLatin1String(name));
    upDown->setToolTip(hint);
    return upDown;
}

} // namespace

TBarCalendar::TBarCalendar(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(1);
    resize(CreatedWidth, CreatedHeight);
    m_datePanelWidth = CreatedWidth / 3;

    m_labelPanel = makePanel(this, "LabelPanel", QStringLiteral("LabelText"), Qt::AlignLeft, 1);
    m_captionPanel =
        makePanel(this, "CaptionPanel", QStringLiteral("DateCaption"), Qt::AlignRight, 1);
    // Inner and outer bevel both lowered: a deeper frame for the date itself.
    m_datePanel = makePanel(this, "DatePanel", QString(), Qt::AlignRight, 2);
    const QColor buttonFace = palette().color(QPalette::Button);
    for (QLabel* panel : {m_labelPanel, m_captionPanel, m_datePanel})
        setPanelColor(panel, QPalette::Window, buttonFace);

    m_monthUpDown = makeUpDown(this, "MonthUpDown", QStringLiteral("Maand terug/verder"));
    m_dayUpDown = makeUpDown(this, "DayUpDown", QStringLiteral("Dag terug/verder"));
    m_leftDayUpDown = makeUpDown(this, "LeftDayUpDown", QStringLiteral("Dag terug/verder"));

    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    m_scrollBar->setObjectName(QStringLiteral("ScrollBar"));
    m_scrollBar->setRange(0, 100);
    m_scrollBar->setPageStep(20);
    m_scrollBar->hide();

    m_monthBar = new TMonthBar(m_model, this);
    m_monthBar->setObjectName(QStringLiteral("MonthBar"));
    m_dayBar = new TDayGrid(m_model, this);
    m_dayBar->setObjectName(QStringLiteral("DayBar"));

    for (QWidget* part : std::initializer_list<QWidget*>{
             m_monthUpDown, m_dayUpDown, m_leftDayUpDown, m_scrollBar, m_monthBar, m_dayBar})
        part->installEventFilter(this);
    // The wheel over any part scrolls the calendar.
    for (QLabel* panel : {m_labelPanel, m_captionPanel, m_datePanel})
        panel->installEventFilter(this);

    connect(&m_model, &BarCalendarModel::dateChanged, this, &TBarCalendar::OnDateChange);
    connect(&m_model, &BarCalendarModel::changed, this, &TBarCalendar::OnChange);
    connect(&m_model, &BarCalendarModel::leftMonthChanged, this, [this] {
        syncScrollBar();
        Q_EMIT OnLeftMonthChanged();
    });
    connect(&m_model, &BarCalendarModel::viewScrolled, this, &TBarCalendar::OnViewScrolled);
    connect(&m_model, &BarCalendarModel::captionChanged, this, &TBarCalendar::refresh);
    connect(&m_model, &BarCalendarModel::barsChanged, this, &TBarCalendar::refresh);

    connect(m_monthUpDown, &TCalendarUpDown::mouseDown, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos) {
                upDownPressed(Step::Month, m_monthUpDown, button, modifiers, pos);
            });
    for (TCalendarUpDown* upDown : {m_dayUpDown, m_leftDayUpDown})
        connect(
            upDown, &TCalendarUpDown::mouseDown, this,
            [this, upDown](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos) {
                upDownPressed(Step::Day, upDown, button, modifiers, pos);
            });
    connect(m_scrollBar, &QScrollBar::valueChanged, this,
            [this](int position) { m_model.ScrollToPosition(position); });
    connect(m_dayBar, &TDayGrid::cellClicked, this,
            [this](int column) { m_model.selectDayColumn(column); });
    connect(m_monthBar, &TMonthBar::cellClicked, this,
            [this](int column) { m_model.selectMonthColumn(column); });
    connect(m_dayBar, &TDayGrid::keyDown, this, &TBarCalendar::dayBarKey);
    connect(m_monthBar, &TMonthBar::keyDown, this, &TBarCalendar::monthBarKey);

    arrange();
    refresh();
    syncScrollBar();
}

// --- Focus --------------------------------------------------------------------

bool TBarCalendar::HasFocus() const
{
    const QWidget* focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

void TBarCalendar::setCalendarFocus()
{
    if (!m_omitDayBar)
        m_dayBar->setFocus(Qt::OtherFocusReason);
    else if (!m_omitMonthBar)
        m_monthBar->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void TBarCalendar::focusInEvent(QFocusEvent* event)
{
    QFrame::focusInEvent(event);
    Q_EMIT focusEntered();
}

bool TBarCalendar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched != this)
        Q_EMIT focusEntered();
    if (event->type() == QEvent::Wheel && watched != m_scrollBar) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

// --- Arranging and painting -------------------------------------------------------

void TBarCalendar::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    arrange();
}

void TBarCalendar::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    // The parts inherit the control's font unless they were given their own.
    if (event->type() == QEvent::FontChange)
        arrange();
}

void TBarCalendar::arrange()
{
    BarCalendarMetrics m;
    m.width = width();
    m.height = height();
    m.bevel = lineWidth();
    m.labelFontHeight = fontPixelHeight(m_labelPanel->font());
    m.captionFontHeight = fontPixelHeight(m_captionPanel->font());
    m.dateFontHeight = fontPixelHeight(m_datePanel->font());
    m.monthFontHeight = fontPixelHeight(m_monthBar->font());
    m.datePanelWidth = m_datePanelWidth;
    m.dateCaptionWidth = m_dateCaptionWidth;
    m.upDownWidth = m_upDownWidth;
    m.leftUpDownWidth = m_leftUpDownWidth;
    m.scrollBarHeight = m_addScrollBar ? m_scrollBar->sizeHint().height() : 0;
    m.omitMonthBar = m_omitMonthBar;
    m.omitDayBar = m_omitDayBar;
    const BarCalendarLayout l = BarCalendarLayout::arrange(m);

    m_labelPanel->setGeometry(l.labelPanel);
    m_captionPanel->setGeometry(l.captionPanel);
    m_datePanel->setGeometry(l.datePanel);
    m_leftDayUpDown->setGeometry(l.leftDayUpDown);
    m_monthUpDown->setGeometry(l.monthUpDown);
    m_dayUpDown->setGeometry(l.dayUpDown);
    m_monthBar->setGeometry(l.monthBar);
    m_dayBar->setGeometry(l.dayBar);
    m_scrollBar->setGeometry(l.scrollBar);

    m_leftDayUpDown->setVisible(m_leftUpDownWidth > 0);
    m_monthBar->setVisible(!m_omitMonthBar);
    m_monthUpDown->setVisible(!m_omitMonthBar);
    m_dayBar->setVisible(!m_omitDayBar);
    m_dayUpDown->setVisible(!m_omitDayBar);
    m_scrollBar->setVisible(m_addScrollBar);

    m_model.setBarWidth(l.dayBar.width());
    update();
}

void TBarCalendar::refresh()
{
    // The markers for a date out of view follow every scroll, not only the
    // operations that change the date.
    m_datePanel->setText(m_model.dateCaptionText());
    m_dayBar->update();
    m_monthBar->update();
}

void TBarCalendar::syncScrollBar()
{
    const QSignalBlocker blocker(m_scrollBar);
    m_scrollBar->setValue(m_model.scrollPosition());
}

// --- User input -------------------------------------------------------------------

void TBarCalendar::upDownPressed(Step step, const TCalendarUpDown* upDown, Qt::MouseButton button,
                                 Qt::KeyboardModifiers modifiers, QPoint pos)
{
    // Only the half of the button counts; a narrow strip in the middle does
    // nothing, so a click between the arrows cannot move the date by accident.
    const int half = upDown->width() / 2;
    if (pos.x() < half - 1) {
        if (step == Step::Month) {
            m_model.stepMonths(-1);
            Q_EMIT MonthLeft(button, modifiers, pos);
        } else {
            m_model.stepDays(-1);
            Q_EMIT DayLeft(button, modifiers, pos);
        }
    } else if (pos.x() > half + 1) {
        if (step == Step::Month) {
            m_model.stepMonths(1);
            Q_EMIT MonthRight(button, modifiers, pos);
        } else {
            m_model.stepDays(1);
            Q_EMIT DayRight(button, modifiers, pos);
        }
    }
}

void TBarCalendar::dayBarKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Right:
        m_model.dayKeyRight();
        break;
    case Qt::Key_Left:
        m_model.dayKeyLeft();
        break;
    case Qt::Key_Up:
        m_model.dayKeyWeeks(-1);
        break;
    case Qt::Key_Down:
        m_model.dayKeyWeeks(1);
        break;
    case Qt::Key_PageUp:
        m_model.dayKeyMonths(-1);
        break;
    case Qt::Key_PageDown:
        m_model.dayKeyMonths(1);
        break;
    case Qt::Key_Home:
        m_model.dayKeyFirst();
        break;
    case Qt::Key_End:
        m_model.dayKeyLast();
        break;
    default:
        // Nothing happens in the bar; the window may still use the key.
        event->ignore();
        return;
    }
    event->accept();
}

void TBarCalendar::wheelEvent(QWheelEvent* event)
{
    const QPoint angle = event->angleDelta();
    m_wheelDelta += angle.y() != 0 ? angle.y() : angle.x();
    // Turned away from the user: earlier days come into view.
    const int notches = m_wheelDelta / QWheelEvent::DefaultDeltasPerStep;
    m_wheelDelta -= notches * QWheelEvent::DefaultDeltasPerStep;
    if (notches != 0) {
        if (event->modifiers() & Qt::ControlModifier)
            m_model.ScrollMonths(-notches);
        else
            m_model.ScrollDays(-7 * notches);
    }
    event->accept();
}

void TBarCalendar::monthBarKey(QKeyEvent* event)
{
    const int selected = m_model.selectedMonthColumn();
    switch (event->key()) {
    case Qt::Key_Right:
        if (selected >= 0)
            m_model.selectMonthColumn(selected + 1);
        break;
    case Qt::Key_Left:
        if (selected > 0)
            m_model.selectMonthColumn(selected - 1);
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}

// --- Properties -------------------------------------------------------------------

void TBarCalendar::setPanelColor(QLabel* panel, QPalette::ColorRole role, const QColor& color)
{
    QPalette p = panel->palette();
    p.setColor(role, color);
    panel->setPalette(p);
}

QString TBarCalendar::LabelText() const
{
    return m_labelPanel->text();
}

void TBarCalendar::setLabelText(const QString& text)
{
    if (text != m_labelPanel->text())
        m_labelPanel->setText(text);
}

QString TBarCalendar::DateCaption() const
{
    return m_captionPanel->text();
}

void TBarCalendar::setDateCaption(const QString& text)
{
    m_captionPanel->setText(text);
}

QFont TBarCalendar::LabelFont() const
{
    return m_labelPanel->font();
}

void TBarCalendar::setLabelFont(const QFont& font)
{
    m_labelPanel->setFont(font);
    arrange();
}

QFont TBarCalendar::DateCapFont() const
{
    return m_captionPanel->font();
}

void TBarCalendar::setDateCapFont(const QFont& font)
{
    m_captionPanel->setFont(font);
    arrange();
}

QFont TBarCalendar::DateFont() const
{
    return m_datePanel->font();
}

void TBarCalendar::setDateFont(const QFont& font)
{
    m_datePanel->setFont(font);
    arrange();
}

QFont TBarCalendar::MonthFont() const
{
    return m_monthBar->font();
}

void TBarCalendar::setMonthFont(const QFont& font)
{
    m_monthBar->setFont(font);
    arrange();
}

QColor TBarCalendar::LabelFontColor() const
{
    return m_labelPanel->palette().color(QPalette::WindowText);
}

void TBarCalendar::setLabelFontColor(const QColor& color)
{
    setPanelColor(m_labelPanel, QPalette::WindowText, color);
}

QColor TBarCalendar::DateCapFontColor() const
{
    return m_captionPanel->palette().color(QPalette::WindowText);
}

void TBarCalendar::setDateCapFontColor(const QColor& color)
{
    setPanelColor(m_captionPanel, QPalette::WindowText, color);
}

QColor TBarCalendar::DateFontColor() const
{
    return m_datePanel->palette().color(QPalette::WindowText);
}

void TBarCalendar::setDateFontColor(const QColor& color)
{
    setPanelColor(m_datePanel, QPalette::WindowText, color);
}

QColor TBarCalendar::MonthFontColor() const
{
    return m_monthBar->fontColor();
}

void TBarCalendar::setMonthFontColor(const QColor& color)
{
    m_monthBar->setFontColor(color);
}

QColor TBarCalendar::LabelColor() const
{
    return m_labelPanel->palette().color(QPalette::Window);
}

void TBarCalendar::setLabelColor(const QColor& color)
{
    setPanelColor(m_labelPanel, QPalette::Window, color);
}

QColor TBarCalendar::DateCaptionColor() const
{
    return m_captionPanel->palette().color(QPalette::Window);
}

void TBarCalendar::setDateCaptionColor(const QColor& color)
{
    setPanelColor(m_captionPanel, QPalette::Window, color);
}

QColor TBarCalendar::DateLabelColor() const
{
    return m_datePanel->palette().color(QPalette::Window);
}

void TBarCalendar::setDateLabelColor(const QColor& color)
{
    setPanelColor(m_datePanel, QPalette::Window, color);
}

QColor TBarCalendar::PeriodColor() const
{
    return m_dayBar->PeriodColor();
}

void TBarCalendar::setPeriodColor(const QColor& color)
{
    m_dayBar->setPeriodColor(color);
}

QColor TBarCalendar::MonthsColor() const
{
    return m_monthBar->MonthsColor();
}

void TBarCalendar::setMonthsColor(const QColor& color)
{
    m_monthBar->setMonthsColor(color);
}

QColor TBarCalendar::DaysColor() const
{
    return m_dayBar->DaysColor();
}

void TBarCalendar::setDaysColor(const QColor& color)
{
    m_dayBar->setDaysColor(color);
}

QColor TBarCalendar::SunDaysColor() const
{
    return m_dayBar->SunDaysColor();
}

void TBarCalendar::setSunDaysColor(const QColor& color)
{
    m_dayBar->setSunDaysColor(color);
}

QColor TBarCalendar::PeriodSunDaysColor() const
{
    return m_dayBar->PeriodSunDaysColor();
}

void TBarCalendar::setPeriodSunDaysColor(const QColor& color)
{
    m_dayBar->setPeriodSunDaysColor(color);
}

void TBarCalendar::setDatePanelWidth(int width)
{
    m_datePanelWidth = std::max(0, width);
    arrange();
}

void TBarCalendar::setDateCaptionWidth(int width)
{
    m_dateCaptionWidth = std::max(0, width);
    arrange();
}

void TBarCalendar::setUDBtnWidth(int width)
{
    m_upDownWidth = std::max(0, width);
    arrange();
}

void TBarCalendar::setLUDBtnWidth(int width)
{
    m_leftUpDownWidth = std::max(0, width);
    arrange();
}

void TBarCalendar::setAddScrollBar(bool add)
{
    m_addScrollBar = add;
    arrange();
    syncScrollBar();
    m_model.Rebuild();
}

void TBarCalendar::setOmitMonthBar(bool omit)
{
    m_omitMonthBar = omit;
    arrange();
    m_model.Rebuild();
}

void TBarCalendar::setOmitDayBar(bool omit)
{
    m_omitDayBar = omit;
    arrange();
    m_model.Rebuild();
}

bool TBarCalendar::ShowWeeknrs() const
{
    return m_monthBar->ShowWeeknrs();
}

void TBarCalendar::setShowWeeknrs(bool show)
{
    m_monthBar->setShowWeeknrs(show);
    arrange();
    m_model.Rebuild();
}

void TBarCalendar::setBevelWidth(int width)
{
    setLineWidth(std::max(0, width));
    arrange();
}

} // namespace kasplan
