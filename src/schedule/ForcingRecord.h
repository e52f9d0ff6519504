#pragma once

#include <QHash>
#include <QString>

#include <optional>

namespace kasplan {

// The forcing parameters of one cultivar-size record, read by field name.
// The schedule sees the database only through this, so it can run on any
// source of values: the current size record, a JSON file, a test table.
// An absent value is a null field ("no data"), which is not the same as 0.
class ForcingRecord
{
public:
    virtual ~ForcingRecord() = default;
    virtual std::optional<double> value(const QString& field) const = 0;

    bool isNull(const QString& field) const { return !value(field).has_value(); }
    // The value as whole days; null reads as 0.
    int intValue(const QString& field) const;
    // The cultivar name, for messages; empty when unknown.
    virtual QString cultivarName() const { return {}; }
};

// A record held in memory.
class ForcingValues : public ForcingRecord
{
public:
    std::optional<double> value(const QString& field) const override;
    QString cultivarName() const override { return m_cultivar; }

    void set(const QString& field, double value) { m_values.insert(field, value); }
    void setNull(const QString& field) { m_values.remove(field); }
    void setCultivarName(const QString& name) { m_cultivar = name; }

private:
    QHash<QString, double> m_values;
    QString m_cultivar;
};

} // namespace kasplan
