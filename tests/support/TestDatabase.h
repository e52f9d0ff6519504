#pragma once

#include "db/engine/Database.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

#include <memory>

namespace kasplan::test {

// A cultivar database, empty but for the tables, reached through its own
// engine session as alias "TEST". KASPLAN_HOME points into a temporary
// folder, so nothing outside it is touched.
//
// The backend is the one the test run asks for: SQLite in the folder, or,
// with KASPLAN_TEST_BACKEND=postgresql, a database of its own on the test
// server that KASPLAN_TEST_PG names (libpq keywords), dropped afterwards.
// The suites run once on each.
class TestDatabase
{
public:
    TestDatabase();
    ~TestDatabase();

    static bool onServer();
    // Where a second copy finds the database: the folder, or the server's
    // keywords with the database name.
    QString location() const;
    // The server's keywords of the test role.
    static db::ServerParams serverParams();
    // The same keywords naming another database.
    static db::ServerParams withDatabase(db::ServerParams params, const QString& name);
    // Runs statements on the server's own database "postgres" (to make or
    // drop a database, or end another connection).
    static void runOnServer(const QString& sql);

    bool isValid() const { return m_dir.isValid(); }
    QString folder() const;
    // SQLite only: the database file.
    QString file() const;
    db::EngineSession& session() { return *m_session; }
    db::Database& database();

    // Adds a record straight to the table (no view, no rules).
    void add(const QString& table, const QVariantMap& values);
    // The small set of records the view tests share:
    //   Cdata     Apeldoorn/NL, Apeldoorn/'' , apricot/NL, Blenda/NL (group 3),
    //             O'Brien/'' (group 3), Zebra/US
    //   Csizes    Apeldoorn/NL: 11/12 and 12/+; Blenda/NL: 12/+
    //   Cstdoogst Apeldoorn/NL/11/12: 10/11 and 11/12
    //   Sizes     10/11, 11/12, 12/+
    void addSampleRecords();

    // A view on a table of this database, not yet open, with the table's
    // fields declared (so handlers can be set before it opens).
    std::unique_ptr<db::TableView> view(const QString& table, db::EngineSession* session = nullptr);

    // A full disk, as far as this session's file goes: from now on every
    // change that needs more room in the file is refused as the engine
    // refuses it when the disk is full.
    void fillDisk();

    // A second, independent session on the same database (another copy).
    std::unique_ptr<db::EngineSession> otherSession(const QString& user) const;
    // Adds the test database to a session as alias.
    void addTo(db::EngineSession& session, const QString& alias) const;

    static constexpr const char* Alias = "TEST";

private:
    QTemporaryDir m_dir;
    std::unique_ptr<db::EngineSession> m_session;
    db::ServerParams m_server; // with dbname, on the server
};

} // namespace kasplan::test
