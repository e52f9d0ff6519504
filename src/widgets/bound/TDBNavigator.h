#pragma once

#include "db/engine/DataSource.h"

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace kasplan {

// Buttons that move a view of the data module to its first, prior, next or
// last record, and, where a window shows them, insert, delete, post and
// cancel. A button that cannot act is disabled. Delete asks nothing of its
// own: the view's rules decide whether to ask.
class TDBNavigator : public QWidget
{
    Q_OBJECT

public:
    explicit TDBNavigator(db::DataSource* source, QWidget* parent = nullptr);

    QToolButton* const FirstButton;
    QToolButton* const PriorButton;
    QToolButton* const NextButton;
    QToolButton* const LastButton;
    QToolButton* const InsertButton;
    QToolButton* const DeleteButton;
    QToolButton* const PostButton;
    QToolButton* const CancelButton;

    // The insert, delete, post and cancel buttons are hidden until shown.
    void showEditButtons();
    // The hints of the buttons, in their order from first to cancel.
    void setHints(const QStringList& hints);

private:
    void act(void (*step)(db::DataSet&));
    void updateButtons();

    QPointer<db::DataSource> m_source;
};

} // namespace kasplan
