#pragma once

#include "schedule/CurrentSizeRecord.h"

namespace kasplan {

class TDMod;

namespace db {
class DataSet;
class Field;
} // namespace db

// The main window's view of the data module: the current record of the size
// view tbCsizes (with the cultivar's remarks from tbCdata), and a notice
// whenever the cultivar or size data sources pass a change on.
class DModSizeRecord : public CurrentSizeRecord
{
    Q_OBJECT

public:
    explicit DModSizeRecord(TDMod& dmod, QObject* parent = nullptr);

    const ForcingRecord& forcing() const override { return m_forcing; }
    QString displayText(const QString& field) const override;
    bool databaseOpen() const override;

    // A stored field as the schedule reads it: a number, a date as its day
    // number; null, and text, give no value.
    static std::optional<double> ForcingValue(const db::Field& field);
    std::optional<SizeRecordKey> key() const override;
    bool moveTo(const SizeRecordKey& key) override;

private:
    // The forcing parameters of the current size record; no record reads as
    // a record without values.
    class Forcing : public ForcingRecord
    {
    public:
        explicit Forcing(const db::DataSet& sizes) : m_sizes(sizes) {}
        std::optional<double> value(const QString& field) const override;
        QString cultivarName() const override;

    private:
        const db::DataSet& m_sizes;
    };

    TDMod& m_dmod;
    Forcing m_forcing;
};

} // namespace kasplan
