#pragma once

#include "db/rules/DatabaseOpener.h"
#include <QList>

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace kasplan {

class OldCdataTable;
class ProgressDisplay;

namespace db {
class BulkAccess;
class Database;
class DataSet;
class DataSource;
class EngineError;
class EngineSession;
class Field;
enum class DataAction;
class QueryView;
class TableView;
struct TableDef;
using RowKey = QList<QByteArray>;
} // namespace db

// The cultivar data module: it owns every view of the cultivar tables, with
// its data source, and the state the rules share. Windows read and change
// cultivar data only through these views, so the current cultivar and size
// are the same for every window.
//
// The rules (record defaults, status, protection, filters, calculations,
// lock and refusal messages) hang on the views' events and the data
// sources' handlers; the views' field lists, links, calculated and lookup
// fields and display attributes are set up here.
class TDMod : public QObject, public DatabaseOpenHost
{
    Q_OBJECT

public:
    explicit TDMod(db::EngineSession& session, QObject* parent = nullptr);
    ~TDMod() override;

    db::EngineSession& session() const { return m_session; }

    // ---- views and their data sources ----
    db::TableView* tbCdata() const { return m_tbCdata; }
    db::DataSource* dsCdata() const { return m_dsCdata; }
    db::TableView* tbCsizes() const { return m_tbCsizes; }
    db::DataSource* dsCsizes() const { return m_dsCsizes; }
    db::TableView* tbCstdOogst() const { return m_tbCstdOogst; }
    db::DataSource* dsCstdOogst() const { return m_dsCstdOogst; }
    db::TableView* tbAllCsizes() const { return m_tbAllCsizes; }
    db::DataSource* dsAllCsizes() const { return m_dsAllCsizes; }
    db::TableView* tbSizes() const { return m_tbSizes; }
    db::DataSource* dsSizes() const { return m_dsSizes; }
    db::QueryView* SizesQuery() const { return m_SizesQuery; }
    db::DataSource* dsSizesQuery() const { return m_dsSizesQuery; }
    db::TableView* tbCdatacopy() const { return m_tbCdatacopy; }
    db::DataSource* dsCdataCopy() const { return m_dsCdataCopy; }
    db::TableView* tbCsizescopy() const { return m_tbCsizescopy; }
    db::DataSource* dsSizesCopy() const { return m_dsSizesCopy; }
    db::TableView* tbCstdOogstCopy() const { return m_tbCstdOogstCopy; }
    db::TableView* tbCstdOogstAll() const { return m_tbCstdOogstAll; }
    db::DataSource* dsCstdOogstAll() const { return m_dsCstdOogstAll; }
    db::TableView* tbLocaties() const { return m_tbLocaties; }
    db::DataSource* dsLocaties() const { return m_dsLocaties; }
    db::QueryView* CdataCSQuery() const { return m_CdataCSQuery; }
    // The previous major version's table, a Paradox file on the standard
    // database.
    OldCdataTable* OldCdata() const { return m_OldCdata.get(); }

    // Every view, in the order CloseTables closes them, then the rest.
    QList<db::DataSet*> views() const;

    // ---- state ----
    int TussenTunit() const { return m_TussenTunit; }
    void setTussenTunit(int unit) { m_TussenTunit = unit; }
    int Kperiodunit() const { return m_Kperiodunit; }
    void setKperiodunit(int unit) { m_Kperiodunit = unit; }
    // Made from the units by SetPeriodUnits.
    const QString& TussenTCaption() const { return m_TussenTCaption; }
    const QString& KoudeCaption() const { return m_KoudeCaption; }
    bool VoorraadOnly() const { return m_VoorraadOnly; }
    void setVoorraadOnly(bool on) { m_VoorraadOnly = on; }
    bool PGVoorraadOnly() const { return m_PGVoorraadOnly; }
    void setPGVoorraadOnly(bool on) { m_PGVoorraadOnly = on; }
    bool Copying() const { return m_Copying; }
    void setCopying(bool on) { m_Copying = on; }
    bool InternalEdit() const { return m_InternalEdit; }
    void setInternalEdit(bool on) { m_InternalEdit = on; }

    // ---- opening ----
    // The creation steps: units, OpenDatabase, the old-table import when an
    // upgrade ran. A database error is reported ("Error DB 1") and the
    // stored database version cleared so that the next start upgrades again;
    // the views then stay closed.
    void DataModuleCreate(bool upgradeRan = false);
    // Opens the database at the location the settings choose, falling back
    // to the standard database (DatabaseOpener).
    void OpenDatabase();
    // Until the settings dialog exists this only refreshes and republishes
    // the units; ShowDataOptionsHook runs in its place.
    void ShowDataOptions();
    std::function<void()> ShowDataOptionsHook;
    // Offers, once the database is open after an upgrade, to take the records
    // of the previous major version's table "Kbroei14.DB" into tbCdata and
    // tbCsizes, then moves that table into the backups folder. Ends silently
    // on any error, the table left in place.
    void ImportOldDatabase();
    // Where the import shows its progress; none shows nothing.
    void setProgressDisplay(ProgressDisplay* display) { m_progressDisplay = display; }

    // DatabaseOpenHost
    bool ReadBool(const QString& name, bool defaultValue) override;
    int ReadInteger(const QString& name, int defaultValue) override;
    QString ReadString(const QString& name, const QString& defaultValue) override;
    void WriteBool(const QString& name, bool value) override;
    QString StandardAlias() const override;
    void RecreateUserAlias(const QString& path) override;
    QString DatabaseAlias() const override { return m_DatabaseAlias; }
    void SetDatabaseAlias(const QString& alias) override { m_DatabaseAlias = alias; }
    void OpenViewsAt(const QString& alias) override;

    // Binds every view to
    // the database location alias, which becomes DatabaseAlias. The views
    // must be closed.
    void BindViews(const QString& alias);
    // Opens tbCdata, tbCsizes, tbAllCsizes, tbCstdOogst, tbSizes, SizesQuery.
    void OpenTables();
    // Closes tbCdata, tbCdatacopy, tbCsizes, tbCsizescopy, tbAllCsizes,
    // tbCstdOogst, tbCstdOogstCopy, tbSizes, SizesQuery.
    void CloseTables();
    // Closes every view, pending edits discarded; never throws.
    void CloseAllViews();

    // ---- units ----
    // Rebuilds the two captions from the units and the characters the
    // week-or-day fields accept; tells the windows through PeriodUnitsChanged.
    void SetPeriodUnits();

    // ---- cultivar filter ----
    // n is the item of the main-group choice: 0 "Alle", 1..10 a main group.
    void SetHoofdgroepFilter(int n);
    // Puts the filter text and the stock switches in force and publishes the
    // cultivar count.
    void ApplyCultivarFilter();
    // Both switches off, no main-group condition.
    void ResetStockFilters();
    // "Totaal %d Cultivars" for the records tbCdata shows now.
    QString CultivarCountText() const;

    // ---- editing rules ----
    // The data module's message for a number or value it cannot take.
    static const QString& InvalidNumberText();
    // A delivered record: status "DLV/LBO" or empty.
    static bool IsStandardRecord(const QString& status);
    // A key or soil forcing field of a cultivar or size record; only these
    // change the status or can be refused.
    static bool IsProtectedField(const db::Field* field);
    // The change of field is refused: protected, on a delivered record,
    // without the permission and not by the program itself.
    bool IsEditBlocked(const db::Field* field) const;
    // QtyUnit of the size in the size list; 0 when it has none.
    int SizeQtyUnit(const QString& size) const;
    // The pseudo-size "Alle" in the size list and for the current cultivar,
    // when its standard harvest is calculated over all sizes.
    void EnsureAlleSize();

    // ---- soil forcing data copied to water and ice ----
    // The current size record: into edit, the water and ice values from the
    // soil values (as stored, empty ones included), posted with every rule of
    // a change the user makes. A cultivar without sizes is left as it is.
    void CopySoilToWaterIce();
    // Tells how far a long action got (done of total) and answers whether to
    // go on.
    using ProgressHook = std::function<bool(int done, int total)>;
    // The same for every size of every cultivar the list shows now (its
    // filter applies), in list order, each once, as one action. Each record
    // is kept as soon as it is copied: an error (another user's lock, a
    // refused value) stops the run and is raised with the records before it
    // copied, as is a stop asked for by progress (after each cultivar). The
    // views stay on their records. Answers whether every cultivar was done.
    bool CopySoilToWaterIceForList(const ProgressHook& progress = {});

    // The permission to change delivered records and the default type of
    // harvest expectation. The cultivar data settings dialog owns them and
    // sets these hooks; until then they come from the settings.
    std::function<bool()> CanDelEditStdRecsHook;
    std::function<int()> StdOogstTypeHook;
    bool CanDelEditStdRecs() const;
    int StdOogstTypeDefault() const;
    // Whether the cultivar data window exists, and is visible.
    std::function<bool()> CultivarWindowExistsHook;
    std::function<bool()> CultivarWindowVisibleHook;
    // The new-cultivar dialog: posts the new record and answers true when
    // confirmed. Without it a new cultivar stays in insert for the caller,
    // and a copy is kept as made.
    std::function<bool()> NewCultivarDialogHook;
    // The size-selection dialog: answers true when a size was chosen, which
    // is then the current record of tbSizes. Without it no size is chosen.
    std::function<bool()> SizeSelDialogHook;
    // The main group chosen in the cultivar data window's list (0 "Alle",
    // 1..10); a new cultivar gets it. Without the window: 0.
    std::function<int()> HoofdgroepChoiceHook;
    int HoofdgroepChoice() const;

    // ---- copies ----
    // Adds a copy of the current cultivar, every field with it, under the
    // first numbered variant of its source that the name does not use yet,
    // and shows it in the new-cultivar dialog. Confirmed, the copy gets the
    // cultivar's sizes, without their stock figures, and their standard-
    // harvest records; cancelled, nothing of it stays. An error ends the
    // copy, keeps the records posted before it and is passed on.
    void CopyCultivar();
    // Adds a copy of the current size record under the size chosen in the
    // size-selection dialog, stock figures included; status "Toegevoegd".
    // A cultivar without sizes gets an empty record with the size chosen.
    // An error (the cultivar has that size already) cancels it and is
    // passed on.
    void CopySize();

Q_SIGNALS:
    // A cultivar or size record, or one of its fields, changed: the main
    // window takes over the forcing parameters (ApplyBroeiMethode).
    void CultivarDataChanged();
    void PeriodUnitsChanged(const QString& tussenTCaption, const QString& koudeCaption);
    void CultivarCountChanged(const QString& text);

private:
    void readPeriodUnits();
    // Field handlers and view events; the rules live in kasplan_dbrules.
    void installFieldHandlers();
    void installCalcFields();
    void installStockRules();
    void tbCsizesAfterPost();
    // The cultivar's stock flags from its size records, posted with them.
    void UpdateStockFlags();
    void installEditingRules();
    void dsCdataDataChange(db::Field* field);
    void dsCsizesDataChange(db::Field* field);
    void guardProtectedField(db::DataSet* view, db::Field* changed);
    void tbCdataNewRecord();
    void tbCsizesNewRecord();
    void tbCdataAfterInsert();
    void tbCdataBeforeDelete();
    void tbCsizesBeforeDelete();
    void tbSizesBeforeDelete();
    void tbCdataPostError(const db::EngineError& error);
    void tbCsizesPostError(const db::EngineError& error);
    void tbSizesPostError(const db::EngineError& error);
    // The three lock messages of refused edits and deletes: the record's
    // values and the other user's name, raised in place of the engine's error.
    void tbCdataLockError(db::DataSet& view, const db::EngineError& error);
    // A rename waits while another copy edits a size or harvest record of
    // the cultivar.
    void tbCdataBeforePost();
    void tbCsizesLockError(db::DataSet& view, const db::EngineError& error);
    void tbCstdOogstLockError(db::DataSet& view, const db::EngineError& error);
    void tbCsizesSizeChange();
    // A size record is stored only with its size filled in.
    static void RequireSize(const QString& size);
    static QString CultivarLockText(const QString& cultivar, const QString& source,
                                    const QString& user);
    static QString SizeLockText(const QString& cultivar, const QString& size, const QString& source,
                                const QString& user);
    // One size record of the list copy, and the cultivar's stock flags.
    void copySoilToWaterIce(db::Database& database, const db::TableDef& sizes,
                            const db::RowKey& key, db::BulkAccess& soilValues,
                            const QStringList& targetFields);
    void storeStockFlags(db::Database& database, const db::TableDef& cultivars,
                         const db::RowKey& key, bool pgVoorraad, bool broeiVoorraad);
    void tbCstdOogstOogstSizeChange();
    class CopyScope;
    void copySizesOf(CopyScope& scope, const QString& cultivar, const QString& source);
    bool isCurrentCultivar(const QString& cultivar, const QString& source) const;
    bool cultivarWindowExists() const;
    bool cultivarWindowVisible() const;
    // ApplyCultivarFilter; the records are filtered again only when the
    // stock switches may have changed.
    void applyCultivarFilter(bool switchesChanged);
    // Runs fn with display updates of tbCdata suspended and, when asked,
    // returns to the record that was current if it is still shown.
    void keepingCultivar(bool returnToRecord, const std::function<void()>& fn);

    db::TableView* makeTable(const QString& name, const QString& table);
    db::DataSource* makeSource(const QString& name, db::DataSet* view);
    void setUpCdata();
    void setUpCsizes();
    void setUpCstdOogst();
    void setUpAllCsizes();
    void setUpSizes();
    void setUpLocaties();
    void setUpCopies();

    db::EngineSession& m_session;

    db::TableView* m_tbCdata = nullptr;
    db::DataSource* m_dsCdata = nullptr;
    db::TableView* m_tbCsizes = nullptr;
    db::DataSource* m_dsCsizes = nullptr;
    db::TableView* m_tbCstdOogst = nullptr;
    db::DataSource* m_dsCstdOogst = nullptr;
    db::TableView* m_tbAllCsizes = nullptr;
    db::DataSource* m_dsAllCsizes = nullptr;
    db::TableView* m_tbSizes = nullptr;
    db::DataSource* m_dsSizes = nullptr;
    db::QueryView* m_SizesQuery = nullptr;
    db::DataSource* m_dsSizesQuery = nullptr;
    db::TableView* m_tbCdatacopy = nullptr;
    db::DataSource* m_dsCdataCopy = nullptr;
    db::TableView* m_tbCsizescopy = nullptr;
    db::DataSource* m_dsSizesCopy = nullptr;
    db::TableView* m_tbCstdOogstCopy = nullptr;
    db::TableView* m_tbCstdOogstAll = nullptr;
    db::DataSource* m_dsCstdOogstAll = nullptr;
    db::TableView* m_tbLocaties = nullptr;
    db::DataSource* m_dsLocaties = nullptr;
    db::QueryView* m_CdataCSQuery = nullptr;
    std::unique_ptr<OldCdataTable> m_OldCdata;
    ProgressDisplay* m_progressDisplay = nullptr;

    QString m_DatabaseAlias;
    int m_TussenTunit = 7;
    int m_Kperiodunit = 7;
    QString m_TussenTCaption;
    QString m_KoudeCaption;
    bool m_VoorraadOnly = false;
    bool m_PGVoorraadOnly = false;
    bool m_Copying = false;
    bool m_InternalEdit = false;
    // A cultivar's sizes are going with it: their flags need no update.
    bool m_deletingCultivar = false;
};

} // namespace kasplan
