#include "TDMod.h"

#include "OldCdataTable.h"
#include "core/AppGlobals.h"
#include "core/ProgressDisplay.h"
#include "core/Rounding.h"
#include "core/TZHRegistry.h"
#include "core/UserPrompts.h"
#include "db/paradox/FormatError.h"
#include "db/paradox/Table.h"
#include "engine/Database.h"
#include "engine/EngineError.h"
#include "engine/EngineSession.h"
#include "engine/Field.h"
#include "engine/TableView.h"

namespace kasplan {

namespace {

// The fields of the old table that the view has too, by their position in
// the old record.
QList<QPair<int, db::Field*>> sharedFields(const paradox::Table& old, const db::DataSet& view)
{
    QList<QPair<int, db::Field*>> shared;
    for (int i = 0; i < old.fields().size(); ++i) {
        db::Field* field = view.findField(old.fields()[i].name);
        if (field && field->kind() == db::FieldKind::Data)
            shared.append({i, field});
    }
    return shared;
}

// Edits the record with the key's values, or appends one.
void locateOrAppend(db::DataSet& view, const QStringList& key, const paradox::Record& record)
{
    QVariantList values;
    for (const QString& field : key)
        values.append(record.value(field).toString());
    if (view.locate(key, values))
        view.edit();
    else
        view.append();
}

void copyFields(const QList<QPair<int, db::Field*>>& shared, const paradox::Record& record)
{
    for (const auto& [position, field] : shared)
        field->setValue(record.value(position));
}

// Sets a flag for a scope.
class FlagScope
{
public:
    FlagScope(bool& flag, bool value) : m_flag(flag), m_old(flag) { m_flag = value; }
    ~FlagScope() { m_flag = m_old; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_old;
};

} // namespace

void TDMod::ImportOldDatabase()
{
    try {
        m_OldCdata->Open();
    } catch (const std::exception&) {
        // No old table, the normal case, or one that cannot be read.
        return;
    }
    const QString title = TZHRegistry::current().ApplicName();
    const bool take = UserPrompts::current().confirmYesNo(
        QStringLiteral("Wilt u uw %1 versie 4 Cultivardatabase updaten met\r\nuw oude %1 versie 3 "
                       "database?")
            .arg(title));
    if (take) {
        bool completed = false;
        m_tbCdata->setFiltered(false);
        if (m_progressDisplay)
            m_progressDisplay->Show(QStringLiteral("Updaten cultivar database...."));
        try {
            db::Database& database = m_session.database(m_DatabaseAlias);
            // Records copied before a failure stay: each old record is one
            // step of a transaction that is kept in any case, so the import
            // is written once, not record by record.
            db::Transaction all(database);
            try {
                // The program copies: the protection of delivered records is
                // for the user's own changes.
                const FlagScope internal(m_InternalEdit, true);
                paradox::Table& old = m_OldCdata->table();
                const auto cdataFields = sharedFields(old, *m_tbCdata);
                const auto csizesFields = sharedFields(old, *m_tbCsizes);
                const QStringList cultivarKey{QStringLiteral("Cultivar"), QStringLiteral("Source")};
                const QStringList sizeKey{QStringLiteral("Cultivar"), QStringLiteral("Source"),
                                          QStringLiteral("Size")};
                const double count = old.recordCount();
                int counter = 0;
                paradox::Record record;
                while (old.next(record)) {
                    db::Transaction one(database);
                    locateOrAppend(*m_tbCdata, cultivarKey, record);
                    copyFields(cdataFields, record);
                    // The sizes' view shows the cultivar's sizes once it is
                    // posted.
                    m_tbCdata->post();
                    locateOrAppend(*m_tbCsizes, sizeKey, record);
                    copyFields(csizesFields, record);
                    m_tbCsizes->post();
                    one.commit();
                    ++counter;
                    if (m_progressDisplay)
                        m_progressDisplay->SetPosition(
                            roundHalfEven(counter * 100.0 / count, 0, 100));
                }
                m_tbCsizes->first();
                m_tbCdata->first();
                completed = true;
            } catch (const std::exception&) {
                // Ends the import; what was copied before stays.
                if (m_tbCsizes->isEditing())
                    m_tbCsizes->cancel();
                if (m_tbCdata->isEditing())
                    m_tbCdata->cancel();
            }
            all.commit();
        } catch (const std::exception&) {
            completed = false;
        }
        try {
            ResetStockFilters();
        } catch (const std::exception&) {
        }
        if (m_progressDisplay)
            m_progressDisplay->Hide();
        m_OldCdata->Close();
        if (!completed)
            return;
    }
    m_OldCdata->Close();
    try {
        // Kept, not deleted: a mistaken answer loses nothing.
        m_OldCdata->MoveTo(AppBackupDir());
    } catch (const db::EngineError&) {
        // Whatever stayed behind is offered again after the next upgrade.
    }
}

} // namespace kasplan
