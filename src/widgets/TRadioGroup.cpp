#include "TRadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace kasplan {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent,
                         int columns)
    : QGroupBox(caption, parent), m_group(new QButtonGroup(this))
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(2);
    const int perColumn = int((items.size() + columns - 1) / std::max(1, columns));
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        m_group->addButton(button, i);
        m_buttons.append(button);
        grid->addWidget(button, i % std::max(1, perColumn), i / std::max(1, perColumn));
    }
    connect(m_group, &QButtonGroup::idClicked, this, [this] { Q_EMIT Click(); });
}

int TRadioGroup::ItemIndex() const
{
    return m_group->checkedId();
}

void TRadioGroup::SetItemIndex(int index)
{
    if (index >= 0 && index < Count()) {
        m_buttons.at(index)->setChecked(true);
        return;
    }
    // An exclusive group never lets its last checked button go by itself.
    m_group->setExclusive(false);
    for (QRadioButton* button : m_buttons)
        button->setChecked(false);
    m_group->setExclusive(true);
}

} // namespace kasplan
