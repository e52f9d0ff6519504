#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace kasplan {

// A framed group of radio buttons of which at most one is chosen, read and
// set by its position: ItemIndex -1 means none is chosen. The buttons fill
// the columns from top to bottom, then left to right.
class TRadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr,
                int columns = 1);

    int ItemIndex() const;
    // A position outside the items chooses none.
    void SetItemIndex(int index);
    int Count() const { return int(m_buttons.size()); }
    QRadioButton* Button(int index) const { return m_buttons.at(index); }

Q_SIGNALS:
    // The user chose an item (not sent when the program sets ItemIndex).
    void Click();

private:
    QButtonGroup* m_group;
    QList<QRadioButton*> m_buttons;
};

} // namespace kasplan
