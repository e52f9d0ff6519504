#include "ForcingRecordJson.h"

#include "DateUtils.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>

namespace kasplan {

namespace {

const QStringList& dayFields()
{
    static const QStringList fields = [] {
        QStringList names = {QStringLiteral("DnaG20"), QStringLiteral("DnaG20_w"),
                             QStringLiteral("DnaG20_ice"), QStringLiteral("Dk_p_ice"),
                             QStringLiteral("Kd_p_ice")};
        for (const char* base : {"Dk_p", "Kd_p"}) {
            for (int k = 1; k <= 4; ++k) {
                names.append(QLatin1String(base) + QString::number(k));
                names.append(QLatin1String(base) + QString::number(k) + QStringLiteral("_w"));
            }
        }
        return names;
    }();
    return fields;
}

// The day fields are small integers in the database, which refuses negative
// counts; a record read from a file holds to the same.
constexpr int MinDays = 0;
constexpr int MaxDays = 32767;

bool isWholeNumber(double v)
{
    return std::isfinite(v) && v == std::floor(v);
}

// Only day and month of Gstagemin count; a leap year keeps 29 February.
std::optional<TDate> gstageminFromText(const QString& text)
{
    static const QRegularExpression dayMonth(QStringLiteral("^(\\d{1,2})/(\\d{1,2})$"));
    const auto match = dayMonth.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const int day = match.captured(1).toInt();
    const int month = match.captured(2).toInt();
    constexpr int LeapYear = 2000;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(LeapYear, month))
        return std::nullopt;
    return EncodeDate(LeapYear, month, day);
}

} // namespace

std::optional<ForcingValues> ForcingRecordFromJson(const QByteArray& json, QString& error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("het record is geen geldige JSON (%1 bij teken %2)")
                    .arg(parseError.errorString())
                    .arg(parseError.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = QStringLiteral("het record moet een JSON-object zijn");
        return std::nullopt;
    }

    ForcingValues record;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString& field = it.key();
        const QJsonValue value = it.value();
        if (dayFields().contains(field)) {
            if (value.isNull())
                continue;
            if (!value.isDouble() || !isWholeNumber(value.toDouble())) {
                error =
                    QStringLiteral("veld %1 moet een geheel aantal dagen of null zijn").arg(field);
                return std::nullopt;
            }
            if (value.toDouble() < MinDays || value.toDouble() > MaxDays) {
                error = QStringLiteral("veld %1 moet tussen %2 en %3 dagen liggen, niet %4")
                            .arg(field)
                            .arg(MinDays)
                            .arg(MaxDays)
                            .arg(QString::number(value.toDouble(), 'g', 16));
                return std::nullopt;
            }
            record.set(field, value.toDouble());
        } else if (field == QLatin1String("Gstagemin")) {
            if (value.isNull())
                continue;
            const auto date = value.isString() ? gstageminFromText(value.toString()) : std::nullopt;
            if (!date) {
                error = QStringLiteral("veld Gstagemin moet een datum \"dd/mm\" of null zijn");
                return std::nullopt;
            }
            record.set(field, *date);
        } else if (field == QLatin1String("Cultivar") && value.isString()) {
            record.setCultivarName(value.toString());
        }
    }
    return record;
}

} // namespace kasplan
