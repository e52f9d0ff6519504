#pragma once

#include "ServerLocation.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace kasplan::db {

// The engine's list of database locations (aliases), kept in a small text
// file in the engine configuration folder:
//
//   [BROEI]
//   TYPE=Paradox
//   PATH=/srv/kasplan-database
//
//   [HORTIDB]
//   TYPE=PostgreSQL
//   HOST=kas-server
//   DBNAME=kasplan
//   USER=kasplan
//
// A folder's driver type is kept as written ("Paradox"); such a location is
// a folder with the program's own database file. TYPE=PostgreSQL makes it a
// database on a server, named by libpq's connection keywords. Names are
// compared without regard to case. Changes live in memory until save().
class AliasConfig
{
public:
    explicit AliasConfig(QString file = defaultFile());

    // "engine.cfg" in the engine configuration folder.
    static QString defaultFile();

    const QString& file() const { return m_file; }
    // Reads the file again; a missing file is an empty list. Lines it does
    // not understand mark the file damaged.
    bool load();
    // Writes the list, replacing the file in one step. A damaged file is
    // first kept as "engine.cfg.damaged", as someone may have written it by
    // hand.
    bool save();
    bool damaged() const { return !m_damagedContent.isNull(); }

    QStringList aliasNames() const;
    bool contains(const QString& name) const;
    // The alias's parameters, PATH= first (as the start-up code reads them).
    QStringList params(const QString& name) const;
    QString path(const QString& name) const;
    QString driver(const QString& name) const;

    // Whether the alias names a database on a server (TYPE=PostgreSQL).
    bool isServer(const QString& name) const;
    // A server alias's connection keywords, as written (TYPE left out).
    ServerParams serverParams(const QString& name) const;

    // Adds or replaces an alias.
    void add(const QString& name, const QString& driver, const QString& path);
    void addServer(const QString& name, const ServerParams& params);
    // A location text from the settings: a "postgresql://" URI adds a server
    // alias, anything else a folder with the default driver. Throws
    // EngineError for a URI libpq does not take or one with a password.
    void addLocation(const QString& name, const QString& location);
    void remove(const QString& name);

private:
    struct Entry
    {
        QString name;
        QString driver;
        QString path;
        ServerParams server; // the other keywords, for a server alias
    };
    int find(const QString& name) const;

    QString m_file;
    QList<Entry> m_entries;
    QByteArray m_damagedContent; // null unless the file read was damaged
};

} // namespace kasplan::db
