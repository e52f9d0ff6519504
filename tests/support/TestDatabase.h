#pragma once

#include "db/engine/Database.h"
#include "db/engine/EngineSession.h"
#include "db/engine/TableView.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

#include <memory>

namespace kasplan::test {

// A cultivar database in a temporary folder, reached through its own engine
// session as alias "TEST". KASPLAN_HOME points into the folder as well, so
// nothing outside it is touched.
class TestDatabase
{
public:
    TestDatabase();

    bool isValid() const { return m_dir.isValid(); }
    QString folder() const;
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

    // A second, independent session on the same folder (another copy).
    std::unique_ptr<db::EngineSession> otherSession(const QString& user) const;

    static constexpr const char* Alias = "TEST";

private:
    QTemporaryDir m_dir;
    std::unique_ptr<db::EngineSession> m_session;
};

} // namespace kasplan::test
