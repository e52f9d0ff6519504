#pragma once

#include <QString>

namespace kasplan::db {

// Who is running this copy of the program, as written into record locks so
// that others can name the user and tell whether the holder can be alive.
struct HostIdentity
{
    QString user;
    QString host;   // for people: the computer's name
    QString hostId; // for the program: the machine's unique id
    QString bootId; // changes at every start of the machine
    qint64 pid = 0;

    static HostIdentity current(const QString& user);
    static QString loginName();

    // Whether a process of this machine and this boot still runs.
    static bool processAlive(qint64 pid);
};

} // namespace kasplan::db
