// Copying a cultivar with its sizes and standard-harvest records, and copying
// one size record: the grower starts a new record from one that is close.
// Both run with InternalEdit and Copying on, through the copy views, and
// leave them closed and the switches off however they end.
#include "TDMod.h"

#include "db/rules/NumberedVariants.h"
#include "engine/Database.h"
#include "engine/EngineError.h"
#include "engine/TableView.h"

#include <QSet>

namespace kasplan {

using db::Field;

namespace {

const QString kStatus = QStringLiteral("Status");
const QString kAdded = QStringLiteral("Toegevoegd");

// A copied size belongs to the copy, and starts without stock.
const QStringList kSizeFieldsNotCopied = {
    QStringLiteral("Cultivar"),    QStringLiteral("Source"),     QStringLiteral("Aantal"),
    QStringLiteral("PG_fusten"),   QStringLiteral("PG_perfust"), QStringLiteral("PG_voorraad"),
    QStringLiteral("Geboekt"),     QStringLiteral("PG_geboekt"), QStringLiteral("Resterend"),
    QStringLiteral("PG_resterend")};
const QStringList kHarvestFieldsNotCopied = {QStringLiteral("Cultivar"), QStringLiteral("Source"),
                                             QStringLiteral("Size")};

// The filter of the records with this name: the engine reads a doubled
// apostrophe as one.
QString sameNameFilter(QString name)
{
    return QStringLiteral("(Cultivar = '") + name.replace(QLatin1Char('\''), QLatin1String("''")) +
           QStringLiteral("')");
}

// Gives the stored fields of target the values of the fields of the same
// name in source, but for those left out. Memos travel as their text.
void assignFields(db::DataSet& target, const db::DataSet& source,
                  const QStringList& leaveOut = QStringList())
{
    for (Field* f : target.fields()) {
        if (f->kind() != db::FieldKind::Data ||
            leaveOut.contains(f->fieldName(), Qt::CaseInsensitive))
            continue;
        if (const Field* from = source.findField(f->fieldName()))
            f->setValue(from->value());
    }
}

void postPending(db::DataSet& view)
{
    if (view.isActive() && view.isEditing())
        view.post();
}

// Drops a record that was never posted, after an error.
void cancelPending(db::DataSet& view) noexcept
{
    try {
        if (view.isActive() && view.isEditing())
            view.cancel();
    } catch (...) {
        // Leaving it in edit is all that can happen; the error that ended
        // the copy is the one the user hears of.
    }
}

} // namespace

// The switches on and the copy views open for the scope of one copy, on the
// records named like the cultivar; afterwards the views are closed, their
// filter cleared and the switches off, also when the copy fails.
class TDMod::CopyScope
{
public:
    CopyScope(TDMod& dmod, const QString& cultivar) : m_dmod(dmod)
    {
        m_dmod.m_InternalEdit = true;
        m_dmod.m_Copying = true;
        // Filtered before it opens: the copy never reads the whole table.
        m_dmod.m_tbCdatacopy->setFilter(sameNameFilter(cultivar));
        m_dmod.m_tbCdatacopy->setFiltered(true);
        try {
            m_dmod.m_tbCdatacopy->open();
            m_dmod.m_tbCsizescopy->open();
            m_dmod.m_tbCstdOogstCopy->open();
        } catch (...) {
            release();
            throw;
        }
    }
    ~CopyScope() { release(); }
    CopyScope(const CopyScope&) = delete;
    CopyScope& operator=(const CopyScope&) = delete;

    // Makes the cultivar's record current in tbCdatacopy, and with it its
    // sizes in tbCsizescopy.
    bool findCultivar(const QString& cultivar, const QString& source)
    {
        return m_dmod.m_tbCdatacopy->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                                            {cultivar, source});
    }

private:
    void release() noexcept
    {
        for (db::TableView* view :
             {m_dmod.m_tbCstdOogstCopy, m_dmod.m_tbCsizescopy, m_dmod.m_tbCdatacopy}) {
            try {
                view->close();
            } catch (...) {
                // A copy view only reads; there is nothing of it to keep.
            }
        }
        m_dmod.m_tbCdatacopy->setFiltered(false);
        m_dmod.m_tbCdatacopy->setFilter(QString());
        m_dmod.m_InternalEdit = false;
        m_dmod.m_Copying = false;
    }

    TDMod& m_dmod;
};

bool TDMod::isCurrentCultivar(const QString& cultivar, const QString& source) const
{
    return m_tbCdata->state() == db::DataSet::State::Browse && !m_tbCdata->isEmpty() &&
           m_tbCdata->fieldByName(QStringLiteral("Cultivar"))->asString() == cultivar &&
           m_tbCdata->fieldByName(QStringLiteral("Source"))->asString() == source;
}

int TDMod::HoofdgroepChoice() const
{
    return HoofdgroepChoiceHook ? HoofdgroepChoiceHook() : 0;
}

void TDMod::CopyCultivar()
{
    if (!m_tbCdata->isActive() || m_tbCdata->isEmpty())
        return;
    const QString cultivar = m_tbCdata->fieldByName(QStringLiteral("Cultivar"))->asString();
    const QString source = m_tbCdata->fieldByName(QStringLiteral("Source"))->asString();
    CopyScope scope(*this, cultivar);
    if (m_tbCdatacopy->isEmpty())
        return;
    postPending(*m_tbCdata);
    // A pending change posted just now may be the template itself.
    m_tbCdatacopy->refresh();
    if (!scope.findCultivar(cultivar, source))
        return;

    QSet<QString> sources;
    for (m_tbCdatacopy->first(); !m_tbCdatacopy->eof(); m_tbCdatacopy->next())
        sources.insert(m_tbCdatacopy->fieldByName(QStringLiteral("Source"))->asString());
    scope.findCultivar(cultivar, source);

    m_tbCdata->insert();
    QString copySource;
    try {
        assignFields(*m_tbCdata, *m_tbCdatacopy);
        Field* newSource = m_tbCdata->fieldByName(QStringLiteral("Source"));
        newSource->setValue(NumberedVariants::FirstUnused(
            source, newSource->size(), [&](const QString& s) { return sources.contains(s); }));
        copySource = newSource->asString();
        // The sizes come without their stock, so the copy has none.
        m_tbCdata->fieldByName(QStringLiteral("PGvoorraad"))->setValue(false);
        m_tbCdata->fieldByName(QStringLiteral("Broeivoorraad"))->setValue(false);
        m_tbCdata->post();
    } catch (...) {
        cancelPending(*m_tbCdata);
        throw;
    }
    Q_EMIT CultivarCountChanged(CultivarCountText());
    // The dialog, and a Cancel in it, work on the current record: it must be
    // the copy. A list filter that hides it leaves the copy as it is.
    if (!isCurrentCultivar(cultivar, copySource) &&
        !m_tbCdata->locate({QStringLiteral("Cultivar"), QStringLiteral("Source")},
                           {cultivar, copySource}))
        return;

    if (NewCultivarDialogHook && !NewCultivarDialogHook()) {
        // The copy is dropped as a whole: it has no sizes yet. A change the
        // dialog left pending goes with it.
        m_tbCdata->deleteRecord();
        Q_EMIT CultivarCountChanged(CultivarCountText());
        return;
    }
    copySizesOf(scope, cultivar, source);
}

void TDMod::copySizesOf(CopyScope& scope, const QString& cultivar, const QString& source)
{
    // One transaction for the rest of the copy; each record's post is a
    // savepoint in it, so an error keeps what was posted before it.
    db::Transaction copy(*m_tbCdata->database());
    try {
        postPending(*m_tbCdata);
        if (IsStandardRecord(m_tbCdata->fieldByName(kStatus)->asString())) {
            m_tbCdata->edit();
            m_tbCdata->fieldByName(kStatus)->setValue(kAdded);
            m_tbCdata->post();
        }
        if (scope.findCultivar(cultivar, source)) {
            for (m_tbCsizescopy->first(); !m_tbCsizescopy->eof(); m_tbCsizescopy->next()) {
                m_tbCsizes->insert();
                assignFields(*m_tbCsizes, *m_tbCsizescopy, kSizeFieldsNotCopied);
                // Set before the one post, rather than posting the delivered
                // status first: the record ends the same, written once.
                if (IsStandardRecord(m_tbCsizes->fieldByName(kStatus)->asString()))
                    m_tbCsizes->fieldByName(kStatus)->setValue(kAdded);
                m_tbCsizes->post();
                for (m_tbCstdOogstCopy->first(); !m_tbCstdOogstCopy->eof();
                     m_tbCstdOogstCopy->next()) {
                    m_tbCstdOogst->insert();
                    assignFields(*m_tbCstdOogst, *m_tbCstdOogstCopy, kHarvestFieldsNotCopied);
                    m_tbCstdOogst->post();
                }
            }
        }
    } catch (...) {
        cancelPending(*m_tbCstdOogst);
        cancelPending(*m_tbCsizes);
        cancelPending(*m_tbCdata);
        copy.commit();
        throw;
    }
    copy.commit();
}

void TDMod::CopySize()
{
    if (!m_tbCdata->isActive() || !m_tbCsizes->isActive() || m_tbCdata->isEmpty())
        return;
    postPending(*m_tbCsizes);
    const QString cultivar = m_tbCdata->fieldByName(QStringLiteral("Cultivar"))->asString();
    const QString source = m_tbCdata->fieldByName(QStringLiteral("Source"))->asString();
    const QString size = m_tbCsizes->isEmpty()
                             ? QString()
                             : m_tbCsizes->fieldByName(QStringLiteral("Size"))->asString();
    CopyScope scope(*this, cultivar);
    // Without a size record there is no template: the copy is an empty
    // record with the size chosen.
    const bool hasTemplate = !m_tbCsizes->isEmpty() && scope.findCultivar(cultivar, source) &&
                             m_tbCsizescopy->locate({QStringLiteral("Size")}, {size});

    m_tbCsizes->append();
    try {
        if (m_tbSizes->isActive())
            m_tbSizes->first();
        const bool chosen = SizeSelDialogHook && SizeSelDialogHook() && m_tbSizes->isActive() &&
                            !m_tbSizes->isEmpty();
        if (!chosen) {
            m_tbCsizes->cancel();
            return;
        }
        m_tbCsizes->fieldByName(QStringLiteral("Size"))
            ->setValue(m_tbSizes->fieldByName(QStringLiteral("Size"))->value());
        if (hasTemplate)
            assignFields(*m_tbCsizes, *m_tbCsizescopy, {QStringLiteral("Size"), kStatus});
        m_tbCsizes->fieldByName(kStatus)->setValue(kAdded);
        m_tbCsizes->post();
    } catch (...) {
        cancelPending(*m_tbCsizes);
        throw;
    }
}

} // namespace kasplan
