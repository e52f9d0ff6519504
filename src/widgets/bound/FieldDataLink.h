#pragma once

#include "db/engine/DataSource.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace kasplan {

namespace db {
class DataSet;
class Field;
} // namespace db

// Connects one control to one field of a view, through the view's data
// source. It tells the control when to show the field anew (the record moved,
// the field changed, the view opened or closed) and when the view's editing
// state changed, and it asks the control to write its value back when the
// view wants the record complete (before a post) or the control itself
// decides (the focus leaves). The field is looked up by name whenever it is
// needed, so a view that is closed and opened again stays bound.
class FieldDataLink : public QObject, private db::DataLink
{
    Q_OBJECT

public:
    explicit FieldDataLink(QObject* parent = nullptr);
    ~FieldDataLink() override;

    void setDataSource(db::DataSource* source);
    db::DataSource* dataSource() const { return m_source; }
    void setFieldName(const QString& name);
    const QString& fieldName() const { return m_fieldName; }
    // The control's own read-only switch.
    void setReadOnly(bool readOnly);
    bool readOnly() const { return m_readOnly; }

    db::DataSet* dataSet() const;
    // The bound field; null without a source, a name, an open view or a
    // field of that name.
    db::Field* field() const;
    // The field can be changed through this control.
    bool canModify() const;
    // The view is editing the record and the field can be changed.
    bool editing() const;
    // Puts the view into edit mode when it is not editing yet; answers
    // whether it is editing now. The view's refusal (a protected record,
    // another user's lock) is thrown.
    bool edit();

    // The control shows a value the field does not have yet.
    bool modified() const { return m_modified; }
    void setModified() { m_modified = true; }
    // Forgets the control's change and shows the field again.
    void reset();

    // The control's user changed what it shows. The view goes into edit mode
    // first when it is not editing; starting an edit reads the record anew
    // and shows it, so redo then makes the change again. A refusal is shown
    // (once, through the prompts) and the control returns to the stored
    // value. Answers whether the change stands.
    bool userChanged(const std::function<void()>& redo);

    // How the control writes its value into the field.
    std::function<void(db::Field&)> writeValue;
    // Writes the control's value when it holds a change; throws the refusal.
    void updateRecord();

Q_SIGNALS:
    // The control shows the field's value anew (the field may be null).
    void dataChanged();
    // The view's editing state, or whether the field can be changed, changed.
    void editingChanged();

private:
    void updateData() override;
    void recordChanged(db::Field* changed);
    void stateChanged();

    QPointer<db::DataSource> m_source;
    QString m_fieldName;
    bool m_readOnly = false;
    bool m_modified = false;
    bool m_wasActive = false;
};

} // namespace kasplan
