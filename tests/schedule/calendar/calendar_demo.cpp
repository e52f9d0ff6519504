// Shows the three bar calendars of the main window with a sample schedule,
// to look at them as a grower would. Not a test: run it on a display (or
// under xvfb-run) and, with a file name, it saves a picture and quits.
//
//   calendar_demo [--weeknrs] [picture.png]

#include "schedule/calendar/TBarCalendar.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

using namespace kasplan;

namespace {

QFont pixelFont(const QString& family, int pixels, bool bold = false, bool italic = false)
{
    QFont font(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

TBarCalendar* makeCalendar(QWidget* parent, const QString& label, const QString& caption,
                           const QColor& color, bool weeknrs)
{
    auto* cal = new TBarCalendar(parent);
    cal->setLabelText(label);
    cal->setDateCaption(caption);
    cal->setLabelFont(pixelFont(QStringLiteral("MS Sans Serif"), 18));
    cal->setDateCapFont(pixelFont(QStringLiteral("Arial"), 15));
    cal->setDateFont(pixelFont(QStringLiteral("Arial"), 18, true));
    cal->setMonthFont(pixelFont(QStringLiteral("Arial"), 15, false, true));
    const QColor window = cal->palette().color(QPalette::Base);
    cal->setLabelColor(window);
    cal->setDateCaptionColor(window);
    cal->setDateFontColor(color);
    cal->setPeriodColor(color);
    cal->setPeriodSunDaysColor(Qt::black);
    cal->setDatePanelWidth(251);
    cal->setDateCaptionWidth(170);
    cal->setUDBtnWidth(50);
    cal->setLUDBtnWidth(0);
    cal->setDayCellWidth(2);
    cal->setMonthRange(24);
    cal->setShowWeeknrs(weeknrs);
    return cal;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool weeknrs = args.removeAll(QStringLiteral("--weeknrs")) > 0;
    const QString picture = args.value(0);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Kasplan kalenders"));
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    TBarCalendar* gcal = makeCalendar(&window, QStringLiteral(" Tussentemperatuur"),
                                      QStringLiteral("G-stadium: "), QColor(255, 255, 0), weeknrs);
    TBarCalendar* kcal =
        makeCalendar(&window, QStringLiteral(" Periode Koeling"),
                     QStringLiteral("Begindatum koeling: "), QColor(0, 0, 255), weeknrs);
    TBarCalendar* ical = makeCalendar(&window, QStringLiteral(" Periode Kas"),
                                      QStringLiteral("Inhaaldatum: "), QColor(0, 128, 0), weeknrs);
    gcal->setFixedHeight(89);
    ical->setFixedHeight(90);
    layout->addWidget(gcal);
    layout->addWidget(kcal, 1);
    layout->addWidget(ical);
    window.resize(692, 89 + 90 + 90);

    // A season 2024/2025 schedule: G-stage, 15 weeks of cold, three weeks in
    // the greenhouse.
    for (TBarCalendar* cal : {gcal, kcal, ical}) {
        cal->setStartYear(2024);
        cal->setStartMonth(1);
    }
    gcal->setPeriod(21);
    gcal->SetDate(EncodeDate(2024, 9, 20));
    kcal->setPeriod(105);
    kcal->SetDate(EncodeDate(2024, 10, 11));
    ical->setPeriod(21);
    ical->SetDate(EncodeDate(2025, 1, 24));

    window.show();
    // Scroll as the main window does once its size is known: G-stage and
    // harvest end in view, the other calendars following the first.
    QTimer::singleShot(0, &window, [&] {
        gcal->ScrollToDate(gcal->Date() - 2);
        ical->ScrollToDate(ical->Date() + ical->Period() + 1);
        for (TBarCalendar* cal : {kcal, ical})
            cal->SetLeftMonth(gcal->model().leftMonth());
        kcal->setCalendarFocus();
        if (!picture.isEmpty())
            QTimer::singleShot(200, &window, [&] {
                window.grab().save(picture);
                app.quit();
            });
    });
    return app.exec();
}
