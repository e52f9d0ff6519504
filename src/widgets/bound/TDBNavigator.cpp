#include "TDBNavigator.h"

#include "core/ErrorBarrier.h"
#include "db/engine/DataSet.h"
#include "db/engine/DataSource.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace kasplan {

namespace {

QToolButton* navButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph,
                       const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setToolTip(hint);
    button->setAutoRaise(false);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return button;
}

} // namespace

TDBNavigator::TDBNavigator(db::DataSource* source, QWidget* parent)
    : QWidget(parent), FirstButton(navButton(this, "FirstButton", QStyle::SP_MediaSkipBackward,
                                             QStringLiteral("Eerste"))),
      PriorButton(
          navButton(this, "PriorButton", QStyle::SP_MediaSeekBackward, QStringLiteral("Vorige"))),
      NextButton(
          navButton(this, "NextButton", QStyle::SP_MediaSeekForward, QStringLiteral("Volgende"))),
      LastButton(
          navButton(this, "LastButton", QStyle::SP_MediaSkipForward, QStringLiteral("Laatste"))),
      m_source(source)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (QToolButton* button : {FirstButton, PriorButton, NextButton, LastButton})
        row->addWidget(button);

    connect(FirstButton, &QToolButton::clicked, this,
            [this] { move([](db::DataSource& s) { s.dataSet()->first(); }); });
    connect(PriorButton, &QToolButton::clicked, this,
            [this] { move([](db::DataSource& s) { s.dataSet()->prior(); }); });
    connect(NextButton, &QToolButton::clicked, this,
            [this] { move([](db::DataSource& s) { s.dataSet()->next(); }); });
    connect(LastButton, &QToolButton::clicked, this,
            [this] { move([](db::DataSource& s) { s.dataSet()->last(); }); });
    for (auto signal : {&db::DataSource::dataSetChanged, &db::DataSource::scrolled,
                        &db::DataSource::stateChanged})
        connect(source, signal, this, &TDBNavigator::updateButtons);
    updateButtons();
}

void TDBNavigator::move(void (*step)(db::DataSource&))
{
    // A refusal (a pending change that cannot be saved) is shown; the view
    // stays on its record and the buttons show where it is.
    if (m_source && m_source->dataSet() && m_source->dataSet()->isActive())
        Guarded([&] { step(*m_source); });
    updateButtons();
}

void TDBNavigator::updateButtons()
{
    const db::DataSet* view = m_source ? m_source->dataSet() : nullptr;
    const bool active = view && view->isActive() && !view->isEmpty();
    const int index = active ? view->currentIndex() : -1;
    const int count = active ? view->recordCount() : 0;
    FirstButton->setEnabled(active && index > 0);
    PriorButton->setEnabled(active && index > 0);
    NextButton->setEnabled(active && index < count - 1);
    LastButton->setEnabled(active && index < count - 1);
}

} // namespace kasplan
