#include "FormatError.h"

namespace kasplan::paradox {

FormatError::FormatError(QString file, QString problem)
    : m_file(std::move(file)), m_problem(std::move(problem)), m_utf8(text().toUtf8())
{
}

QString FormatError::text() const
{
    return QStringLiteral("%1: %2").arg(m_file, m_problem);
}

} // namespace kasplan::paradox
