#include "TDBNavigator.h"

#include "core/ErrorBarrier.h"
#include "db/engine/DataSet.h"
#include "db/engine/DataSource.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace kasplan {

namespace {

QToolButton* plainButton(QWidget* parent, const char* name, const QString& hint)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setAutoRaise(false);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    return button;
}

QToolButton* navButton(QWidget* parent, const char* name, QStyle::StandardPixmap glyph,
                       const QString& hint)
{
    QToolButton* button = plainButton(parent, name, hint);
    button->setIcon(parent->style()->standardIcon(glyph));
    return button;
}

// A sign for the editing buttons, for which the style has no pictures.
QToolButton* signButton(QWidget* parent, const char* name, const QString& sign, const QString& hint)
{
    QToolButton* button = plainButton(parent, name, hint);
    button->setText(sign);
    return button;
}

} // namespace

TDBNavigator::TDBNavigator(db::DataSource* source, QWidget* parent, int visibleButtons)
    : QWidget(parent), FirstButton(navButton(this, "FirstButton", QStyle::SP_MediaSkipBackward,
                                             QStringLiteral("Eerste"))),
      PriorButton(
          navButton(this, "PriorButton", QStyle::SP_MediaSeekBackward, QStringLiteral("Vorige"))),
      NextButton(
          navButton(this, "NextButton", QStyle::SP_MediaSeekForward, QStringLiteral("Volgende"))),
      LastButton(
          navButton(this, "LastButton", QStyle::SP_MediaSkipForward, QStringLiteral("Laatste"))),
      InsertButton(
          signButton(this, "InsertButton", QStringLiteral("+"), QStringLiteral("Invoegen"))),
      DeleteButton(signButton(this, "DeleteButton", QStringLiteral("\u2212"),
                              QStringLiteral("Verwijderen"))),
      PostButton(
          signButton(this, "PostButton", QStringLiteral("\u2713"), QStringLiteral("Opslaan"))),
      CancelButton(
          signButton(this, "CancelButton", QStringLiteral("\u2715"), QStringLiteral("Annuleren"))),
      m_source(source)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const std::pair<QToolButton*, Button> buttons[] = {
        {FirstButton, nbFirst}, {PriorButton, nbPrior},   {NextButton, nbNext},
        {LastButton, nbLast},   {InsertButton, nbInsert}, {DeleteButton, nbDelete},
        {PostButton, nbPost},   {CancelButton, nbCancel},
    };
    for (const auto& [button, which] : buttons) {
        row->addWidget(button);
        button->setVisible((visibleButtons & which) != 0);
    }

    connect(FirstButton, &QToolButton::clicked, this,
            [this] { act([](db::DataSet& v) { v.first(); }); });
    connect(PriorButton, &QToolButton::clicked, this,
            [this] { act([](db::DataSet& v) { v.prior(); }); });
    connect(NextButton, &QToolButton::clicked, this,
            [this] { act([](db::DataSet& v) { v.next(); }); });
    connect(LastButton, &QToolButton::clicked, this,
            [this] { act([](db::DataSet& v) { v.last(); }); });
    connect(InsertButton, &QToolButton::clicked, this,
            [this] { act([](db::DataSet& v) { v.insert(); }); });
    connect(DeleteButton, &QToolButton::clicked, this,
            [this] { act([](db::DataSet& v) { v.deleteRecord(); }); });
    connect(PostButton, &QToolButton::clicked, this,
            [this] { act([](db::DataSet& v) { v.post(); }); });
    connect(CancelButton, &QToolButton::clicked, this,
            [this] { act([](db::DataSet& v) { v.cancel(); }); });
    for (auto signal : {&db::DataSource::dataSetChanged, &db::DataSource::scrolled,
                        &db::DataSource::stateChanged})
        connect(source, signal, this, &TDBNavigator::updateButtons);
    updateButtons();
}

void TDBNavigator::act(void (*step)(db::DataSet&))
{
    // A refusal (a pending change that cannot be saved, a record in use) is
    // shown; the view stays on its record and the buttons show where it is.
    if (m_source && m_source->dataSet() && m_source->dataSet()->isActive())
        Guarded([&] { step(*m_source->dataSet()); });
    updateButtons();
}

void TDBNavigator::updateButtons()
{
    const db::DataSet* view = m_source ? m_source->dataSet() : nullptr;
    const bool open = view && view->isActive();
    const bool active = open && !view->isEmpty();
    const int index = active ? view->currentIndex() : -1;
    const int count = active ? view->recordCount() : 0;
    FirstButton->setEnabled(active && index > 0);
    PriorButton->setEnabled(active && index > 0);
    NextButton->setEnabled(active && index < count - 1);
    LastButton->setEnabled(active && index < count - 1);
    const bool editing = open && view->isEditing();
    InsertButton->setEnabled(open);
    DeleteButton->setEnabled(active);
    PostButton->setEnabled(editing);
    CancelButton->setEnabled(editing);
}

} // namespace kasplan
