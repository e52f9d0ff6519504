#pragma once

#include "schedule/BarCalendarModel.h"

#include <QColor>
#include <QFont>
#include <QFrame>

class QLabel;
class QScrollBar;

namespace kasplan {

class TCalendarUpDown;
class TDayGrid;
class TMonthBar;

// A bar calendar: a head row with a label, a date caption and the date, a
// month bar over a bar of day cells, up-down buttons to step by a month or a
// day, and optionally a scroll bar. All behaviour lives in its
// BarCalendarModel (model()), which the schedule calculation drives; this
// class arranges the parts, paints the model and turns mouse and keys into
// model operations.
class TBarCalendar : public QFrame
{
    Q_OBJECT
    Q_PROPERTY(int Day READ Day WRITE setDay)
    Q_PROPERTY(int Month READ Month WRITE setMonth)
    Q_PROPERTY(int Year READ Year WRITE setYear)
    Q_PROPERTY(int StartMonth READ StartMonth WRITE setStartMonth)
    Q_PROPERTY(int StartYear READ StartYear WRITE setStartYear)
    Q_PROPERTY(bool UseCurrentDate READ UseCurrentDate WRITE setUseCurrentDate)
    Q_PROPERTY(QString LabelText READ LabelText WRITE setLabelText)
    Q_PROPERTY(QString DateCaption READ DateCaption WRITE setDateCaption)
    Q_PROPERTY(QFont LabelFont READ LabelFont WRITE setLabelFont)
    Q_PROPERTY(QFont DateCapFont READ DateCapFont WRITE setDateCapFont)
    Q_PROPERTY(QFont DateFont READ DateFont WRITE setDateFont)
    Q_PROPERTY(QFont MonthFont READ MonthFont WRITE setMonthFont)
    Q_PROPERTY(QColor LabelFontColor READ LabelFontColor WRITE setLabelFontColor)
    Q_PROPERTY(QColor DateCapFontColor READ DateCapFontColor WRITE setDateCapFontColor)
    Q_PROPERTY(QColor DateFontColor READ DateFontColor WRITE setDateFontColor)
    Q_PROPERTY(QColor MonthFontColor READ MonthFontColor WRITE setMonthFontColor)
    Q_PROPERTY(QColor LabelColor READ LabelColor WRITE setLabelColor)
    Q_PROPERTY(QColor DateCaptionColor READ DateCaptionColor WRITE setDateCaptionColor)
    Q_PROPERTY(QColor DateLabelColor READ DateLabelColor WRITE setDateLabelColor)
    Q_PROPERTY(int DatePanelWidth READ DatePanelWidth WRITE setDatePanelWidth)
    Q_PROPERTY(int DateCaptionWidth READ DateCaptionWidth WRITE setDateCaptionWidth)
    Q_PROPERTY(int UDBtnWidth READ UDBtnWidth WRITE setUDBtnWidth)
    Q_PROPERTY(int LUDBtnWidth READ LUDBtnWidth WRITE setLUDBtnWidth)
    Q_PROPERTY(QColor PeriodColor READ PeriodColor WRITE setPeriodColor)
    Q_PROPERTY(QColor MonthsColor READ MonthsColor WRITE setMonthsColor)
    Q_PROPERTY(QColor DaysColor READ DaysColor WRITE setDaysColor)
    Q_PROPERTY(QColor SunDaysColor READ SunDaysColor WRITE setSunDaysColor)
    Q_PROPERTY(QColor PeriodSunDaysColor READ PeriodSunDaysColor WRITE setPeriodSunDaysColor)
    Q_PROPERTY(int DayCellWidth READ DayCellWidth WRITE setDayCellWidth)
    Q_PROPERTY(int Period READ Period WRITE setPeriod)
    Q_PROPERTY(bool AutoRangeAdjust READ AutoRangeAdjust WRITE setAutoRangeAdjust)
    Q_PROPERTY(bool AddScrollBar READ AddScrollBar WRITE setAddScrollBar)
    Q_PROPERTY(bool OmitMonthBar READ OmitMonthBar WRITE setOmitMonthBar)
    Q_PROPERTY(bool OmitDayBar READ OmitDayBar WRITE setOmitDayBar)
    Q_PROPERTY(int MonthRange READ MonthRange WRITE setMonthRange)
    Q_PROPERTY(bool ShowWeeknrs READ ShowWeeknrs WRITE setShowWeeknrs)
    Q_PROPERTY(int BevelWidth READ BevelWidth WRITE setBevelWidth)

public:
    explicit TBarCalendar(QWidget* parent = nullptr);

    BarCalendarModel& model() { return m_model; }
    const BarCalendarModel& model() const { return m_model; }

    // --- Operations (the model's, for convenience) -------------------------
    TDate Date() const { return m_model.Date(); }
    void SetDate(TDate d) { m_model.SetDate(d); }
    void ForceDate(TDate d) { m_model.ForceDate(d); }
    void ScrollToDate(TDate d) { m_model.ScrollToDate(d); }
    void ScrollToPosition(int percent) { m_model.ScrollToPosition(percent); }
    void SetLeftMonth(int c) { m_model.SetLeftMonth(c); }
    void SetMessage(const QString& text, int flags) { m_model.SetMessage(text, flags); }
    void ClearMessage() { m_model.ClearMessage(); }

    // True when the calendar or one of its parts has the input focus.
    bool HasFocus() const;
    // Gives the input focus to the calendar: to its day bar, or the month bar
    // when the day bar is left out.
    void setCalendarFocus();

    // --- Properties ---------------------------------------------------------
    int Day() const { return m_model.Day(); }
    void setDay(int day) { m_model.setDay(day); }
    int Month() const { return m_model.Month(); }
    void setMonth(int month) { m_model.setMonth(month); }
    int Year() const { return m_model.Year(); }
    void setYear(int year) { m_model.setYear(year); }
    int StartMonth() const { return m_model.StartMonth(); }
    void setStartMonth(int month) { m_model.setStartMonth(month); }
    int StartYear() const { return m_model.StartYear(); }
    void setStartYear(int year) { m_model.setStartYear(year); }
    bool UseCurrentDate() const { return m_model.UseCurrentDate(); }
    void setUseCurrentDate(bool use) { m_model.setUseCurrentDate(use); }
    int MonthRange() const { return m_model.MonthRange(); }
    void setMonthRange(int months) { m_model.setMonthRange(months); }
    int Period() const { return m_model.Period(); }
    void setPeriod(int days) { m_model.setPeriod(days); }
    bool AutoRangeAdjust() const { return m_model.AutoRangeAdjust(); }
    void setAutoRangeAdjust(bool adjust) { m_model.setAutoRangeAdjust(adjust); }
    int DayCellWidth() const { return m_model.DayCellWidth(); }
    void setDayCellWidth(int pixels) { m_model.setDayCellWidth(pixels); }

    QString LabelText() const;
    void setLabelText(const QString& text);
    QString DateCaption() const;
    void setDateCaption(const QString& text);

    QFont LabelFont() const;
    void setLabelFont(const QFont& font);
    QFont DateCapFont() const;
    void setDateCapFont(const QFont& font);
    QFont DateFont() const;
    void setDateFont(const QFont& font);
    QFont MonthFont() const;
    void setMonthFont(const QFont& font);
    // The colour of each font's text.
    QColor LabelFontColor() const;
    void setLabelFontColor(const QColor& color);
    QColor DateCapFontColor() const;
    void setDateCapFontColor(const QColor& color);
    QColor DateFontColor() const;
    void setDateFontColor(const QColor& color);
    QColor MonthFontColor() const;
    void setMonthFontColor(const QColor& color);

    QColor LabelColor() const;
    void setLabelColor(const QColor& color);
    QColor DateCaptionColor() const;
    void setDateCaptionColor(const QColor& color);
    QColor DateLabelColor() const;
    void setDateLabelColor(const QColor& color);
    QColor PeriodColor() const;
    void setPeriodColor(const QColor& color);
    QColor MonthsColor() const;
    void setMonthsColor(const QColor& color);
    QColor DaysColor() const;
    void setDaysColor(const QColor& color);
    QColor SunDaysColor() const;
    void setSunDaysColor(const QColor& color);
    QColor PeriodSunDaysColor() const;
    void setPeriodSunDaysColor(const QColor& color);

    // Requested widths; on a narrow control the arrangement limits them so
    // that both panels fit (see BarCalendarLayout).
    int DatePanelWidth() const { return m_datePanelWidth; }
    void setDatePanelWidth(int width);
    int DateCaptionWidth() const { return m_dateCaptionWidth; }
    void setDateCaptionWidth(int width);
    int UDBtnWidth() const { return m_upDownWidth; }
    void setUDBtnWidth(int width);
    // 0 hides the left day up-down.
    int LUDBtnWidth() const { return m_leftUpDownWidth; }
    void setLUDBtnWidth(int width);

    bool AddScrollBar() const { return m_addScrollBar; }
    void setAddScrollBar(bool add);
    bool OmitMonthBar() const { return m_omitMonthBar; }
    void setOmitMonthBar(bool omit);
    bool OmitDayBar() const { return m_omitDayBar; }
    void setOmitDayBar(bool omit);
    bool ShowWeeknrs() const;
    void setShowWeeknrs(bool show);
    int BevelWidth() const { return lineWidth(); }
    void setBevelWidth(int width);

    // --- Parts ----------------------------------------------------------------
    QLabel* labelPanel() const { return m_labelPanel; }
    QLabel* captionPanel() const { return m_captionPanel; }
    QLabel* datePanel() const { return m_datePanel; }
    TCalendarUpDown* monthUpDown() const { return m_monthUpDown; }
    TCalendarUpDown* dayUpDown() const { return m_dayUpDown; }
    TCalendarUpDown* leftDayUpDown() const { return m_leftDayUpDown; }
    QScrollBar* scrollBar() const { return m_scrollBar; }
    TMonthBar* monthBar() const { return m_monthBar; }
    TDayGrid* dayBar() const { return m_dayBar; }

Q_SIGNALS:
    // A date was applied (also an unchanged one, through ForceDate).
    void OnDateChange();
    // The range or a date part changed through a property.
    void OnChange();
    // The month bar's first visible month changed.
    void OnLeftMonthChanged();
    // The first visible day changed (with or without the month).
    void OnViewScrolled();
    // An up-down was pressed on its left or right half (after the date moved).
    void MonthLeft(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void MonthRight(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void DayLeft(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void DayRight(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    // The calendar or one of its parts received the input focus.
    void focusEntered();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    // The wheel scrolls the bars by a week a notch, with Ctrl by a month;
    // the date stays.
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Step { Month, Day };

    void arrange();
    void refresh();
    void syncScrollBar();
    void upDownPressed(Step step, const TCalendarUpDown* upDown, Qt::MouseButton button,
                       Qt::KeyboardModifiers modifiers, QPoint pos);
    void dayBarKey(QKeyEvent* event);
    void monthBarKey(QKeyEvent* event);
    static void setPanelColor(QLabel* panel, QPalette::ColorRole role, const QColor& color);

    BarCalendarModel m_model;
    QLabel* m_labelPanel;
    QLabel* m_captionPanel;
    QLabel* m_datePanel;
    TCalendarUpDown* m_monthUpDown;
    TCalendarUpDown* m_dayUpDown;
    TCalendarUpDown* m_leftDayUpDown;
    QScrollBar* m_scrollBar;
    TMonthBar* m_monthBar;
    TDayGrid* m_dayBar;

    int m_datePanelWidth;
    int m_dateCaptionWidth = 185;
    int m_upDownWidth = 34;
    int m_leftUpDownWidth = 34;
    bool m_addScrollBar = false;
    bool m_omitMonthBar = false;
    bool m_omitDayBar = false;
    int m_wheelDelta = 0; // the part of a notch turned so far
};

} // namespace kasplan
