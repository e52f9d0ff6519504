#include "PeriodTablePanel.h"

#include "schedule/CurrentSizeRecord.h"

#include <QLabel>
#include <QResizeEvent>

namespace kasplan {

namespace {

constexpr int LabelColumnWidth = 110;
constexpr int RowHeight = 19;
constexpr int RowGap = 3;

QLabel* textLabel(QWidget* parent, const char* name, const QString& text,
                  Qt::Alignment align = Qt::AlignLeft)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(align | Qt::AlignVCenter);
    return label;
}

QLabel* dataCell(QWidget* parent, const QString& name)
{
    auto* cell = new QLabel(parent);
    cell->setObjectName(name);
    cell->setAlignment(Qt::AlignCenter);
    cell->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    cell->setAutoFillBackground(true);
    return cell;
}

} // namespace

QColor PeriodCellColor(PeriodTable::CellColor color)
{
    switch (color) {
    case PeriodTable::CellColor::Aqua:
        return QColor(0, 255, 255);
    case PeriodTable::CellColor::Silver:
        return QColor(192, 192, 192);
    case PeriodTable::CellColor::Lime:
        return QColor(0, 255, 0);
    case PeriodTable::CellColor::Window:
        break;
    }
    return Qt::white;
}

PeriodTablePanel::PeriodTablePanel(QWidget* parent)
    : QFrame(parent), Label4(textLabel(this, "Label4", QStringLiteral("Periode van inhalen"))),
      Label9(textLabel(this, "Label9", QStringLiteral("tot 17/12"), Qt::AlignHCenter)),
      Label10(textLabel(this, "Label10", QStringLiteral("17/12-24/1"), Qt::AlignHCenter)),
      Label11(textLabel(this, "Label11", QStringLiteral("25/1-24/2"), Qt::AlignHCenter)),
      Label12(textLabel(this, "Label12", QStringLiteral("25/2-24/3"), Qt::AlignHCenter)),
      WorD20naGLabel(textLabel(this, "WorD20naGLabel", QStringLiteral("Weken 20oC na G"))),
      WorDkoudeLabel(textLabel(this, "WorDkoudeLabel", QStringLiteral("Weken Koude:"))),
      Label13(textLabel(this, "Label13", QStringLiteral("Kasdagen:")))
{
    setObjectName(QStringLiteral("PeriodePanel"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    m_cells.insert(QStringLiteral("WnaG"), dataCell(this, QStringLiteral("WnaG")));
    for (const QString& name : PeriodTable::PeriodCells())
        m_cells.insert(name, dataCell(this, name));
    ShowTable(PeriodTable());
    arrange();
}

void PeriodTablePanel::Bind(int method, const CurrentSizeRecord& record)
{
    for (auto it = m_cells.begin(); it != m_cells.end(); ++it) {
        const QString field = PeriodTable::BoundField(it.key(), method);
        m_bound.insert(it.key(), field);
        it.value()->setText(field.isEmpty() ? QString() : record.displayText(field));
    }
}

void PeriodTablePanel::ShowTable(const PeriodTable& table)
{
    for (QLabel* header : {Label4, Label9, Label10, Label11})
        header->setVisible(table.headersVisible());
    Label12->setText(table.lastHeaderText());
    for (auto it = m_cells.begin(); it != m_cells.end(); ++it) {
        QPalette p = it.value()->palette();
        p.setColor(QPalette::Window, PeriodCellColor(table.cellColor(it.key())));
        it.value()->setPalette(p);
    }
}

void PeriodTablePanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    arrange();
}

void PeriodTablePanel::arrange()
{
    const int inner = lineWidth() + 2;
    const int columnWidth = std::max(20, (width() - 2 * inner - LabelColumnWidth) / 4);
    const auto rowTop = [inner](int row) { return inner + row * (RowHeight + RowGap); };
    const auto columnLeft = [inner, columnWidth](int column) {
        return inner + LabelColumnWidth + (column - 1) * columnWidth;
    };

    Label4->setGeometry(inner, rowTop(0), LabelColumnWidth, RowHeight);
    QLabel* headers[] = {Label9, Label10, Label11, Label12};
    for (int c = 1; c <= 4; ++c)
        headers[c - 1]->setGeometry(columnLeft(c), rowTop(0), columnWidth - 2, RowHeight);

    WorD20naGLabel->setGeometry(inner, rowTop(1), LabelColumnWidth, RowHeight);
    WorDkoudeLabel->setGeometry(inner, rowTop(2), LabelColumnWidth, RowHeight);
    Label13->setGeometry(inner, rowTop(3), LabelColumnWidth, RowHeight);
    m_cells.value(QStringLiteral("WnaG"))
        ->setGeometry(columnLeft(1), rowTop(1), columnWidth - 2, RowHeight);
    for (int c = 1; c <= 4; ++c) {
        m_cells.value(QStringLiteral("wk%1").arg(c))
            ->setGeometry(columnLeft(c), rowTop(2), columnWidth - 2, RowHeight);
        m_cells.value(QStringLiteral("kd%1").arg(c))
            ->setGeometry(columnLeft(c), rowTop(3), columnWidth - 2, RowHeight);
    }
}

} // namespace kasplan
