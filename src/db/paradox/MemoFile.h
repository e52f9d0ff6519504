#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

namespace kasplan::paradox {

// A table's memo file (.MB): 4 KiB blocks holding the memo and blob values
// that do not fit their field's leader. Every reference and length is checked
// against the file's size before anything is read or allocated.
class MemoFile
{
public:
    // checksum is the owning table's password checksum, 0 when the table is
    // not protected. A protected table's memo file is usually enciphered
    // whole, but some writers leave it plain: the first unit tells which.
    MemoFile(const QString& path, quint32 checksum);

    // The bytes of the value at reference (block offset and index) whose
    // length the record gives. where names the field and record for the
    // message when the reference is bad.
    QByteArray read(quint32 reference, quint32 length, const QString& where);

    bool isEnciphered() const { return m_enciphered; }

private:
    [[noreturn]] void fail(const QString& problem) const;
    // size bytes at offset, deciphered when the file is; fails when they lie
    // outside the file.
    QByteArray readRange(qint64 offset, qint64 size, const QString& where);

    QString m_name;
    QFile m_file;
    qint64 m_size = 0;
    quint32 m_checksum = 0;
    bool m_enciphered = false;
};

} // namespace kasplan::paradox
