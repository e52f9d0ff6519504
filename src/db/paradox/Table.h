#pragma once

#include "CodePage.h"
#include "Field.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

namespace kasplan::paradox {

class MemoFile;
class Table;

struct ReadOptions
{
    // Reads the text of every table in this code page, whatever its header
    // says. Without it a table's own code page counts; tables of version 3.x
    // name none and are read as 850.
    std::optional<int> codePage;
};

// One record as read: its values in the order of the table's fields.
//
// Values come as QVariant in the field's own kind: QString for Alpha and
// Memo, QDate for Date, int for Short, Long and Autoinc,
// double for Money and Number, bool for Logical, QTime for Time, QDateTime
// for Timestamp, QByteArray for BCD, Bytes, Formatted memo and the binary
// blob types (their bytes as stored). A null field (all its bytes zero) is a null QVariant.
class Record
{
public:
    const QVariantList& values() const { return m_values; }
    QVariant value(int field) const { return m_values.value(field); }
    // By field name, case ignored as the old engine did; null for a name the
    // table does not have.
    QVariant value(const QString& fieldName) const;
    // The record's place in the table, from 1, in the order of the blocks.
    int number() const { return m_number; }

private:
    friend class Table;
    const Table* m_table = nullptr;
    QVariantList m_values;
    int m_number = 0;
};

// A Paradox table (.DB), versions 3.0 to 7.x, keyed or not, read-only and a
// block at a time. Opening reads the header and walks the block chain once,
// so a damaged file (a chain that loops or leaves the file, a record count
// that differs from the header's, a truncated file) is refused before any
// record is handed out. Protected tables are deciphered with the key their
// header holds; no password is needed. Memo values are read from the .MB file
// beside the table when a record needs one.
//
// Every failure is a FormatError naming the file.
class Table
{
public:
    explicit Table(const QString& path, ReadOptions options = {});
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    const QString& path() const { return m_path; }
    // The file's name, as messages give it.
    const QString& fileName() const { return m_fileName; }

    const QList<Field>& fields() const { return m_fields; }
    // The field's position, case ignored; -1 when the table has none such.
    int fieldIndex(const QString& name) const;
    // The first keyFieldCount fields form the primary key; 0 for a table
    // without one.
    int keyFieldCount() const { return m_keyFieldCount; }
    quint32 recordCount() const { return m_recordCount; }

    // The version byte of the header (3 = 3.0 ... 12 = 7.x) and its name.
    int version() const { return m_version; }
    QString versionName() const;
    int codePage() const { return m_codePage; }
    int blockSize() const { return m_blockSize; }
    bool isProtected() const { return m_checksum != 0; }
    // The stored password checksum, 0 when the table is not protected.
    quint32 passwordChecksum() const { return m_checksum; }

    // Reads the next record in the order of the block chain; false after the
    // last one. Starts again from the first record after rewind().
    bool next(Record& record);
    void rewind();

private:
    [[noreturn]] void fail(const QString& problem) const;
    void readHeader(const ReadOptions& options);
    void walkChain();
    void readBlock(int block, QByteArray& into);
    QVariant decode(const Field& field, const uchar* bytes, int record);
    QVariant readBlob(const Field& field, const uchar* bytes, int record);
    MemoFile& memoFile();

    QString m_path;
    QString m_fileName;
    QFile m_file;
    qint64 m_fileSize = 0;

    QList<Field> m_fields;
    QHash<QString, int> m_fieldByName; // lower-case name
    int m_recordSize = 0;
    int m_headerSize = 0;
    int m_blockSize = 0;
    int m_keyFieldCount = 0;
    quint32 m_recordCount = 0;
    int m_firstBlock = 0;
    int m_version = 0;
    int m_codePage = 0;
    std::optional<CodePage> m_text;
    quint32 m_checksum = 0;

    // The blocks in chain order, with the number of records in each.
    std::vector<quint16> m_chain;
    std::vector<quint16> m_recordsInBlock;

    // The reading position.
    size_t m_chainIndex = 0;
    int m_recordInBlock = 0;
    int m_recordNumber = 0;
    QByteArray m_block;

    std::unique_ptr<MemoFile> m_memo;
};

} // namespace kasplan::paradox
