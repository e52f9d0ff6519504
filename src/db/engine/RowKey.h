#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace kasplan::db {

// The primary key of one record: the UTF-8 text of each key field, in key
// order. A table without a primary key uses its row number, written as eight
// bytes that sort like the number.
using RowKey = QList<QByteArray>;

// The order of a view: field by field, first ignoring the case of the letters
// A to Z, then by the exact text, so that names sort as a reader expects and
// the order is still total. This is the order the engine asks the database
// for; the two must agree byte for byte.
int compareKeys(const RowKey& a, const RowKey& b);
int compareNoCase(const QByteArray& a, const QByteArray& b);
int compareExact(const QByteArray& a, const QByteArray& b);
// True when text begins with prefix, the letters A to Z in either case.
bool startsWithNoCase(const QByteArray& text, const QByteArray& prefix);

QByteArray encodeRowNumber(qint64 number);
qint64 decodeRowNumber(const QByteArray& bytes);

} // namespace kasplan::db
