#include "TestDatabase.h"

#include "db/CultivarSchema.h"
#include "db/engine/SqliteConnection.h"
#include "db/engine/SqliteDatabase.h"

#include <QDir>

namespace kasplan::test {

TestDatabase::TestDatabase()
{
    qputenv("KASPLAN_HOME", m_dir.path().toUtf8());
    QDir(m_dir.path()).mkpath(QStringLiteral("data"));
    db::SqliteDatabase::createFile(file(), CultivarSchema::schema());
    m_session = std::make_unique<db::EngineSession>(m_dir.filePath(QStringLiteral("engine.cfg")));
    m_session->aliases().add(QLatin1String(Alias), QStringLiteral("Paradox"), folder());
    m_session->setUserName(QStringLiteral("tester"));
}

QString TestDatabase::folder() const
{
    return m_dir.filePath(QStringLiteral("data"));
}

QString TestDatabase::file() const
{
    return QDir(folder()).absoluteFilePath(QLatin1String(db::SqliteDatabase::FileName));
}

db::Database& TestDatabase::database()
{
    return m_session->database(QLatin1String(Alias));
}

void TestDatabase::fillDisk()
{
    auto& connection = static_cast<db::SqliteDatabase&>(database()).connection();
    const qint64 pages = connection.scalar(QStringLiteral("PRAGMA page_count")).toLongLong();
    connection.scalar(QStringLiteral("PRAGMA max_page_count=%1").arg(pages));
}

void TestDatabase::add(const QString& table, const QVariantMap& values)
{
    db::Database& d = database();
    d.insertRow(d.tableDef(table), values.keys(), values.values());
}

void TestDatabase::addSampleRecords()
{
    const auto cdata = [this](const char* cultivar, const char* source, int group) {
        add(QStringLiteral("Cdata"), {{QStringLiteral("Cultivar"), QString::fromUtf8(cultivar)},
                                      {QStringLiteral("Source"), QString::fromUtf8(source)},
                                      {QStringLiteral("Hoofdgroep"), group},
                                      {QStringLiteral("Status"), QStringLiteral("DLV/LBO")}});
    };
    cdata("Apeldoorn", "NL", 1);
    cdata("Apeldoorn", "", 1);
    cdata("apricot", "NL", 1);
    cdata("Blenda", "NL", 3);
    cdata("O'Brien", "", 3);
    cdata("Zebra", "US", 0);
    const auto size = [this](const char* cultivar, const char* source, const char* size,
                             int count) {
        add(QStringLiteral("Csizes"), {{QStringLiteral("Cultivar"), QString::fromUtf8(cultivar)},
                                       {QStringLiteral("Source"), QString::fromUtf8(source)},
                                       {QStringLiteral("Size"), QString::fromUtf8(size)},
                                       {QStringLiteral("Aantal"), count}});
    };
    size("Apeldoorn", "NL", "11/12", 1000);
    size("Apeldoorn", "NL", "12/+", 500);
    size("Blenda", "NL", "12/+", 0);
    for (const char* harvested : {"10/11", "11/12"})
        add(QStringLiteral("Cstdoogst"),
            {{QStringLiteral("Cultivar"), QStringLiteral("Apeldoorn")},
             {QStringLiteral("Source"), QStringLiteral("NL")},
             {QStringLiteral("Size"), QStringLiteral("11/12")},
             {QStringLiteral("OogstSize"), QString::fromUtf8(harvested)},
             {QStringLiteral("StdQty_per_m2"), 12.5}});
    for (const char* s : {"10/11", "11/12", "12/+"})
        add(QStringLiteral("Sizes"),
            {{QStringLiteral("Size"), QString::fromUtf8(s)}, {QStringLiteral("QtyUnit"), 1}});
}

std::unique_ptr<db::TableView> TestDatabase::view(const QString& table, db::EngineSession* session)
{
    auto v = std::make_unique<db::TableView>(QStringLiteral("tb") + table);
    v->setSession(session ? session : m_session.get());
    v->setDatabaseName(QLatin1String(Alias));
    v->setTableName(table);
    for (const db::FieldDef& f : CultivarSchema::table(table).fields)
        v->addField(f);
    return v;
}

std::unique_ptr<db::EngineSession> TestDatabase::otherSession(const QString& user) const
{
    auto other = std::make_unique<db::EngineSession>(m_dir.filePath(QStringLiteral("other.cfg")));
    other->aliases().add(QLatin1String(Alias), QStringLiteral("Paradox"), folder());
    other->setUserName(user);
    return other;
}

} // namespace kasplan::test
