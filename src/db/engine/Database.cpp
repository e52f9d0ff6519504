#include "Database.h"

namespace kasplan::db {

Database::Database(QString folder, QObject* parent) : QObject(parent), m_folder(std::move(folder))
{
}

} // namespace kasplan::db
