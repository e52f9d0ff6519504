#include "ScheduleCommand.h"

#include "ForcingRecordJson.h"
#include "ScheduleCore.h"
#include "core/Clock.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace kasplan {

namespace {

// A refusal is one line: the synopsis follows the reason on it.
QString usage()
{
    return QStringLiteral("Gebruik: ") + ScheduleSynopsis().join(QLatin1Char(' ')).simplified();
}

// A record holds a few dozen fields; anything larger is not one.
constexpr qint64 MaxRecordBytes = 1024 * 1024;

struct Action
{
    enum Kind { SetCalendar, HarvestEndDate, MoveHarvestEnd };
    Kind kind = SetCalendar;
    ScheduleCalendar calendar = ScheduleCalendar::None;
    TDate date = 0;
    int months = 0;
    int days = 0;
};

struct Request
{
    std::optional<int> season;
    int method = bmGrond;
    std::optional<QString> recordFile;
    std::optional<QString> cultivar;
    std::optional<QString> size;
    std::optional<QString> source;
    std::optional<QDate> today;
    QList<Action> actions;
};

// Thrown for anything the command refuses; its text is the one-line reason.
class Refusal : public std::runtime_error
{
public:
    explicit Refusal(const QString& reason) : std::runtime_error(reason.toStdString()) {}
};

QDate parseDate(const QString& text)
{
    static const QRegularExpression isoDate(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!isoDate.match(text).hasMatch() || !date.isValid() || date.year() < 1)
        throw Refusal(QStringLiteral("ongeldige datum '%1' (verwacht JJJJ-MM-DD)").arg(text));
    return date;
}

class ArgumentReader
{
public:
    explicit ArgumentReader(const QStringList& arguments) : m_arguments(arguments) {}

    Request read()
    {
        Request request;
        while (m_next < m_arguments.size()) {
            const QString option = m_arguments.at(m_next++);
            if (option == QLatin1String("--season"))
                request.season = season(optionValue(option));
            else if (option == QLatin1String("--method"))
                request.method = method(optionValue(option));
            else if (option == QLatin1String("--record"))
                request.recordFile = optionValue(option);
            else if (option == QLatin1String("--cultivar"))
                request.cultivar = optionValue(option);
            else if (option == QLatin1String("--size"))
                request.size = optionValue(option);
            else if (option == QLatin1String("--source"))
                request.source = optionValue(option);
            else if (option == QLatin1String("--today"))
                request.today = parseDate(optionValue(option));
            else
                request.actions.append(action(option));
        }
        if (request.recordFile && request.cultivar)
            throw Refusal(QStringLiteral("--record en --cultivar gaan niet samen. ") + usage());
        if (!request.cultivar && (request.size || request.source))
            throw Refusal(QStringLiteral("--size en --source horen bij --cultivar. ") + usage());
        if (request.cultivar && !request.size)
            throw Refusal(QStringLiteral("--size ontbreekt bij --cultivar. ") + usage());
        if (!request.recordFile && !request.cultivar)
            throw Refusal(QStringLiteral("--record of --cultivar ontbreekt. ") + usage());
        return request;
    }

private:
    QString value(const QString& option)
    {
        if (m_next >= m_arguments.size())
            throw Refusal(QStringLiteral("%1 verwacht een waarde. ").arg(option) + usage());
        return m_arguments.at(m_next++);
    }

    // The settings of the run may each be given once.
    QString optionValue(const QString& option)
    {
        if (m_seen.contains(option))
            throw Refusal(QStringLiteral("%1 is meer dan eens opgegeven").arg(option));
        m_seen.insert(option);
        return value(option);
    }

    static int season(const QString& text)
    {
        static const QRegularExpression digits(QStringLiteral("^\\d{1,4}$"));
        const int year = text.toInt();
        if (!digits.match(text).hasMatch() || year < ScheduleCore::FirstSeason ||
            year > ScheduleCore::LastSeason)
            throw Refusal(QStringLiteral("ongeldig seizoen '%1' (een jaar van %2 tot %3)")
                              .arg(text)
                              .arg(ScheduleCore::FirstSeason)
                              .arg(ScheduleCore::LastSeason));
        return year;
    }

    static int method(const QString& text)
    {
        if (text == QLatin1String("grond"))
            return bmGrond;
        if (text == QLatin1String("water"))
            return bmWater;
        if (text == QLatin1String("ijstulpen"))
            return bmIJstulpen;
        throw Refusal(
            QStringLiteral("ongeldige broeimethode '%1' (grond, water of ijstulpen)").arg(text));
    }

    Action action(const QString& option)
    {
        Action a;
        if (option == QLatin1String("--gstage") || option == QLatin1String("--cooling") ||
            option == QLatin1String("--housing")) {
            a.calendar = option == QLatin1String("--gstage")    ? ScheduleCalendar::Gcal
                         : option == QLatin1String("--cooling") ? ScheduleCalendar::Kcal
                                                                : ScheduleCalendar::Ical;
            a.date = FromQDate(parseDate(value(option)));
        } else if (option == QLatin1String("--harvest-end")) {
            a.kind = Action::HarvestEndDate;
            a.date = FromQDate(parseDate(value(option)));
        } else if (option == QLatin1String("--day-back")) {
            a.kind = Action::MoveHarvestEnd;
            a.days = -1;
        } else if (option == QLatin1String("--day-forward")) {
            a.kind = Action::MoveHarvestEnd;
            a.days = 1;
        } else if (option == QLatin1String("--month-back")) {
            a.kind = Action::MoveHarvestEnd;
            a.months = -1;
        } else if (option == QLatin1String("--month-forward")) {
            a.kind = Action::MoveHarvestEnd;
            a.months = 1;
        } else {
            throw Refusal(QStringLiteral("onbekend argument '%1'. ").arg(option) + usage());
        }
        return a;
    }

    const QStringList& m_arguments;
    qsizetype m_next = 0;
    QSet<QString> m_seen;
};

ForcingValues readRecord(const QString& fileName)
{
    QFile file;
    bool opened = false;
    if (fileName == QLatin1String("-")) {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(fileName);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened)
        throw Refusal(
            QStringLiteral("kan het record '%1' niet lezen: %2").arg(fileName, file.errorString()));
    // One byte past the limit tells a record that is too large; /dev/zero
    // or a runaway pipe is never read further. A pipe may hand its content
    // over in parts.
    QByteArray json;
    while (json.size() <= MaxRecordBytes) {
        const QByteArray part = file.read(MaxRecordBytes + 1 - json.size());
        if (part.isEmpty())
            break;
        json += part;
    }
    if (file.error() != QFileDevice::NoError)
        throw Refusal(
            QStringLiteral("kan het record '%1' niet lezen: %2").arg(fileName, file.errorString()));
    if (json.size() > MaxRecordBytes)
        throw Refusal(QStringLiteral("het record '%1' is groter dan %2 bytes (1 MiB)")
                          .arg(fileName)
                          .arg(MaxRecordBytes));
    QString error;
    auto record = ForcingRecordFromJson(json, error);
    if (!record)
        throw Refusal(QStringLiteral("record '%1': %2").arg(fileName, error));
    return *record;
}

ForcingValues readRecord(const Request& request, const CultivarRecordSource& cultivarSource)
{
    if (request.recordFile)
        return readRecord(*request.recordFile);
    if (!cultivarSource)
        throw Refusal(QStringLiteral("geen cultivar database beschikbaar voor --cultivar"));
    return cultivarSource({*request.cultivar, *request.size, request.source});
}

void perform(ScheduleCore& core, const Action& action)
{
    switch (action.kind) {
    case Action::SetCalendar:
        // The user works on that calendar, so it has the focus.
        core.setFocusedCalendar(action.calendar);
        core.calendar(action.calendar).SetDate(action.date);
        break;
    case Action::HarvestEndDate:
        // A harvest-end button takes the focus when it is clicked.
        core.setFocusedCalendar(ScheduleCalendar::None);
        core.ChangeHarvestEnd(action.date);
        break;
    case Action::MoveHarvestEnd:
        core.setFocusedCalendar(ScheduleCalendar::None);
        core.MoveHarvestEnd(action.months, action.days);
        break;
    }
}

QString jsonString(const QString& text)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '"':
            quoted += QStringLiteral("\\\"");
            break;
        case '\\':
            quoted += QStringLiteral("\\\\");
            break;
        case '\n':
            quoted += QStringLiteral("\\n");
            break;
        case '\r':
            quoted += QStringLiteral("\\r");
            break;
        case '\t':
            quoted += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20)
                quoted += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                quoted += c;
        }
    }
    return quoted + QLatin1Char('"');
}

QString jsonDate(TDate date)
{
    return jsonString(ToQDate(date).toString(Qt::ISODate));
}

QString jsonArray(const QStringList& items)
{
    QStringList quoted;
    for (const QString& item : items)
        quoted.append(jsonString(item));
    return QLatin1Char('[') + quoted.join(QStringLiteral(", ")) + QLatin1Char(']');
}

} // namespace

QStringList ScheduleSynopsis()
{
    return {
        QStringLiteral("       kasplan schedule [--season JAAR] [--method grond|water|ijstulpen]"),
        QStringLiteral("                        (--record BESTAND | --cultivar NAAM --size ZIFT"),
        QStringLiteral(
            "                         [--source HERKOMST]) [--today JJJJ-MM-DD] [ACTIE ...]"),
        QStringLiteral(
            "ACTIE: --gstage DATUM | --cooling DATUM | --housing DATUM | --harvest-end DATUM"),
        QStringLiteral("       | --day-back | --day-forward | --month-back | --month-forward"),
        QStringLiteral("       (DATUM is JJJJ-MM-DD)"),
    };
}

QString ScheduleStateJson(const ScheduleCore& core)
{
    const BarCalendarModel* calendars[] = {&core.Gcal(), &core.Kcal(), &core.Ical()};
    const QString names[] = {QStringLiteral("gstage"), QStringLiteral("cooling"),
                             QStringLiteral("housing")};
    QStringList missing, hiddenBars;
    for (int i = 0; i < 3; ++i) {
        if (calendars[i]->messageFlags() & BarCalendarModel::ShowMessageText)
            missing.append(names[i]);
        if (calendars[i]->messageFlags() & BarCalendarModel::HidePeriod)
            hiddenBars.append(names[i]);
    }
    if (core.EDatePanelCaption() == ScheduleCore::MissingDataText)
        missing.append(QStringLiteral("harvest_end"));

    QStringList members;
    const auto add = [&members](const char* key, const QString& value) {
        members.append(jsonString(QLatin1String(key)) + QStringLiteral(": ") + value);
    };
    add("gstage", jsonDate(core.Gcal().Date()));
    add("gstage_days", QString::number(core.Gcal().Period()));
    add("cooling", jsonDate(core.Kcal().Date()));
    add("cold_days", QString::number(core.Kcal().Period()));
    add("housing", jsonDate(core.Ical().Date()));
    add("greenhouse_days", QString::number(core.Ical().Period()));
    add("harvest_end", core.hasHarvestEnd() ? jsonDate(core.HarvestEnd()) : QStringLiteral("null"));
    add("level", QString::number(core.MessageLevel()));
    add("messages", jsonArray(core.EMemoVisible() ? core.EMemoLines() : QStringList()));
    add("marked", jsonArray(core.periodTable().markedCells()));
    add("missing", jsonArray(missing));
    add("hidden_bars", jsonArray(hiddenBars));
    return QLatin1Char('{') + members.join(QStringLiteral(", ")) + QLatin1Char('}');
}

int runScheduleCommand(const QStringList& arguments, QTextStream& out, QTextStream& err,
                       const CultivarRecordSource& cultivarSource)
{
    // --today stands the clock still for this run only; the caller's clock
    // comes back however the command ends.
    struct TodayOverride
    {
        bool installed = false;
        void install(QDate today)
        {
            Clock::install(std::make_unique<FixedClock>(today));
            installed = true;
        }
        ~TodayOverride()
        {
            if (installed)
                Clock::install(nullptr);
        }
    } fixedToday;
    try {
        const Request request = ArgumentReader(arguments).read();
        const ForcingValues record = readRecord(request, cultivarSource);
        if (request.today)
            fixedToday.install(*request.today);
        const int season = request.season.value_or(
            std::clamp(ScheduleCore::DefaultSeasonYear(Clock::current().today()),
                       ScheduleCore::FirstSeason, ScheduleCore::LastSeason));

        // The window as the program shows it: the calendars start on today,
        // showing sets the season and the method, activating calculates.
        ScheduleCore core;
        core.setRecord(&record);
        core.setBroeiMethode(request.method);
        core.FormShow(season);
        core.FormActivate();
        for (const Action& action : request.actions)
            perform(core, action);

        // A schedule that runs out of the calendar cannot be written as dates.
        for (const TDate d : {core.Gcal().Date(), core.Kcal().Date(), core.Ical().Date(),
                              core.hasHarvestEnd() ? core.HarvestEnd() : core.Ical().Date()}) {
            const int year = ToQDate(d).year();
            if (year < 1 || year > 9999)
                throw DateError("schedule date out of range");
        }
        out << ScheduleStateJson(core) << Qt::endl;
        return 0;
    } catch (const Refusal& refusal) {
        err << "kasplan schedule: " << QString::fromStdString(refusal.what()) << Qt::endl;
    } catch (const DateError&) {
        err << "kasplan schedule: een datum van het schema valt buiten de jaren 1 tot 9999"
            << Qt::endl;
    } catch (const std::exception& e) {
        err << "kasplan schedule: " << QString::fromLocal8Bit(e.what()) << Qt::endl;
    }
    return 2;
}

} // namespace kasplan
