#pragma once

#include <QWidget>

class QToolButton;

namespace kasplan {

// A pair of arrow buttons that step a position between a minimum and a
// maximum, without a text of its own: the window shows the value elsewhere.
// The upper (or right) arrow steps up. Click fires after every press, also
// when the position stood at its limit and did not move. It takes no focus
// unless given a focus policy; focused, it shows a frame in the highlight
// colour and its arrow keys press the arrows.
class TUpDown : public QWidget
{
    Q_OBJECT

public:
    enum class UDBtnType { btNext, btPrev };

    explicit TUpDown(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);

    int Min() const { return m_min; }
    int Max() const { return m_max; }
    void setRange(int min, int max);
    int Position() const { return m_position; }
    // Limited to the range; fires nothing.
    void setPosition(int position);
    bool Wrap() const { return m_wrap; }
    void setWrap(bool wrap) { m_wrap = wrap; }

    QToolButton* nextButton() const { return m_next; }
    QToolButton* prevButton() const { return m_prev; }

Q_SIGNALS:
    void Click(kasplan::TUpDown::UDBtnType button);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void step(UDBtnType button);
    void arrangeButtons();

    Qt::Orientation m_orientation;
    QToolButton* m_next;
    QToolButton* m_prev;
    int m_min = 0;
    int m_max = 100;
    int m_position = 0;
    bool m_wrap = false;
};

} // namespace kasplan
