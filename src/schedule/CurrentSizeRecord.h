#pragma once

#include "ForcingRecord.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

namespace kasplan {

// Which size record: a cultivar with its source, and the size.
struct SizeRecordKey
{
    QString cultivar;
    QString source;
    QString size;

    bool operator==(const SizeRecordKey&) const = default;
};

// The current cultivar-size record as the main window sees it: the forcing
// parameters the schedule reads, the texts its data controls show, and a
// notice on every data change of the current cultivar or size record. The
// window knows the cultivar database only through this.
class CurrentSizeRecord : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual const ForcingRecord& forcing() const = 0;
    // The text a data control shows for a field of the current record, as
    // the field's display conversion gives it: "Cultivar", "Size", "Source",
    // "Status", the period fields ("Dk_p1", "DnaG20_w", ...) and the
    // cultivar's "Remarks". Empty for a null field or when there is no record.
    virtual QString displayText(const QString& field) const = 0;
    // Whether a cultivar database is open to read records from; without one
    // there is no record at all, not one that lacks data.
    virtual bool databaseOpen() const { return true; }

    // The key of the current record; none when there is no record.
    virtual std::optional<SizeRecordKey> key() const { return std::nullopt; }
    // Makes the record with that key current and answers true; without such
    // a record it answers false, the current record being the first one.
    virtual bool moveTo(const SizeRecordKey&) { return false; }

Q_SIGNALS:
    // The current cultivar or size record changed, or another record became
    // current.
    void dataChanged();
};

// A record held in memory: for tests, and for a window without a database.
// Numbers show as whole numbers unless a text is given for the field.
class InMemorySizeRecord : public CurrentSizeRecord
{
    Q_OBJECT

public:
    using CurrentSizeRecord::CurrentSizeRecord;

    const ForcingRecord& forcing() const override { return m_values; }
    QString displayText(const QString& field) const override;

    ForcingValues& values() { return m_values; }
    void setText(const QString& field, const QString& text) { m_texts.insert(field, text); }
    // Announces a change, as the data module does after an edit or a move.
    void notifyChanged() { Q_EMIT dataChanged(); }

private:
    ForcingValues m_values;
    QHash<QString, QString> m_texts;
};

} // namespace kasplan
