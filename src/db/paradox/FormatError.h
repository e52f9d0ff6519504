#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace kasplan::paradox {

// A table or memo file that cannot be read as it stands: damaged, truncated,
// or of a kind this reader does not know. The text names the file and what
// is wrong with it, in words for the user.
class FormatError : public std::exception
{
public:
    FormatError(QString file, QString problem);

    // The file's name (without its folder).
    const QString& file() const { return m_file; }
    const QString& problem() const { return m_problem; }
    // "FILE: PROBLEM".
    QString text() const;
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_file;
    QString m_problem;
    QByteArray m_utf8;
};

} // namespace kasplan::paradox
