#pragma once

#include "db/paradox/Field.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantList>

#include <functional>

namespace kasplan::test {

// The layout of a Paradox table to write.
struct ParadoxTableSpec
{
    // Sizes as in the table header: the width in the record (Alpha n, Memo
    // leader + 10); 0 takes the type's fixed width.
    QList<paradox::Field> fields;
    int keyFieldCount = 0; // 0 writes an unkeyed table
    int version = 12;      // 3 = 3.0, 4 = 3.5, 5..9 = 4.x, 10/11 = 5.x, 12 = 7.x
    int blockSizeKiB = 2;
    int codePage = 1252; // the text's code page; 3.x headers do not record it
    QByteArray password; // a protected table when not empty
    // A protected table's memo file is enciphered too, unless this is false
    // (some writers leave it plain).
    bool encipherMemo = true;
    // Records per block; 0 fills each block.
    int recordsPerBlock = 0;
    // The file position (from 1) of each block in chain order; empty keeps
    // the chain in file order.
    QList<int> fileOrder;
    // Memos longer than their leader go into a block of small blobs up to
    // this length, else into a block of their own.
    int smallBlobLimit = 1024;
};

// A writer of our own for test tables, built from the published description
// of the format. Values are given in the reader's kinds (QString, QDate, int,
// double, bool, QTime, QDateTime, QByteArray); a null QVariant writes a null
// field. Throws std::invalid_argument for a value that does not fit.
class ParadoxWriter
{
public:
    explicit ParadoxWriter(ParadoxTableSpec spec);

    void append(const QVariantList& values);
    // Writes the table to path and, when a memo needs one, its .MB beside it
    // (same name).
    void save(const QString& path) const;

    int recordSize() const { return m_recordSize; }
    int recordCount() const { return int(m_records.size() / m_recordSize); }
    int headerSize() const;

    // Changes block `block` (by file position) of a written table: the block
    // is deciphered, changed and enciphered again when the table is
    // protected. For damaging tables on purpose.
    static void changeBlock(const QString& path, int block,
                            const std::function<void(QByteArray& plainBlock)>& change);
    // The same for a whole memo file (deciphered when enciphered is true).
    static void changeMemoFile(const QString& path, quint32 checksum, bool enciphered,
                               const std::function<void(QByteArray& plainFile)>& change);

private:
    void encodeField(const paradox::Field& field, const QVariant& value, char* out);
    QByteArray memoPointer(const QByteArray& data, int leader);
    QByteArray headerBytes(int blockCount) const;

    ParadoxTableSpec m_spec;
    int m_recordSize = 0;
    QByteArray m_records;
    QByteArray m_memo;     // the .MB, from its header block on
    int m_smallBlock = -1; // offset of the small-blob block being filled
    int m_smallEntries = 0;
    int m_smallUsed = 0; // data bytes used in it
};

} // namespace kasplan::test
