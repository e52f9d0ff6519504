#pragma once

#include "db/engine/DataSource.h"

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace kasplan {

// Buttons that move a view of the data module to its first, prior, next or
// last record and, where a window asks for them, insert, delete, post and
// cancel through the view, so its rules run. A button that cannot act is
// disabled; deleting asks no confirmation of its own.
class TDBNavigator : public QWidget
{
    Q_OBJECT

public:
    enum Button {
        nbFirst = 0x1,
        nbPrior = 0x2,
        nbNext = 0x4,
        nbLast = 0x8,
        nbInsert = 0x10,
        nbDelete = 0x20,
        nbPost = 0x40,
        nbCancel = 0x80,
    };
    static constexpr int MoveButtons = nbFirst | nbPrior | nbNext | nbLast;
    static constexpr int EditButtons = nbInsert | nbDelete | nbPost | nbCancel;

    explicit TDBNavigator(db::DataSource* source, QWidget* parent = nullptr,
                          int visibleButtons = MoveButtons);

    QToolButton* const FirstButton;
    QToolButton* const PriorButton;
    QToolButton* const NextButton;
    QToolButton* const LastButton;
    QToolButton* const InsertButton;
    QToolButton* const DeleteButton;
    QToolButton* const PostButton;
    QToolButton* const CancelButton;

private:
    void act(void (*step)(db::DataSet&));
    void updateButtons();

    QPointer<db::DataSource> m_source;
};

} // namespace kasplan
