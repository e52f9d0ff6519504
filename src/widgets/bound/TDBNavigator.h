#pragma once

#include "db/engine/DataSource.h"

#include <QPointer>
#include <QWidget>

class QToolButton;

namespace kasplan {

// Buttons that move a view of the data module to its first, prior, next or
// last record. A button that cannot move is disabled.
class TDBNavigator : public QWidget
{
    Q_OBJECT

public:
    explicit TDBNavigator(db::DataSource* source, QWidget* parent = nullptr);

    QToolButton* const FirstButton;
    QToolButton* const PriorButton;
    QToolButton* const NextButton;
    QToolButton* const LastButton;

private:
    void move(void (*step)(db::DataSource&));
    void updateButtons();

    QPointer<db::DataSource> m_source;
};

} // namespace kasplan
