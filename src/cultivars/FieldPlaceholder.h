#pragma once

#include <QLineEdit>
#include <QPointer>

namespace kasplan {

namespace db {
class DataSource;
}

// Shows the display text of a field of a data source's current record,
// read-only: stands in for a bound control that is not there yet.
class FieldPlaceholder : public QLineEdit
{
    Q_OBJECT

public:
    FieldPlaceholder(db::DataSource* source, const QString& field, QWidget* parent = nullptr);

private:
    void showField();

    QPointer<db::DataSource> m_source;
    QString m_field;
};

} // namespace kasplan
