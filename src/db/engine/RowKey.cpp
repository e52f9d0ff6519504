#include "RowKey.h"

#include <QtEndian>

#include <cstring>

namespace kasplan::db {

namespace {

inline unsigned char foldAscii(unsigned char c)
{
    // Lower case, as the database's own case-blind order does: '_' sorts
    // before the letters.
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

} // namespace

int compareNoCase(const QByteArray& a, const QByteArray& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const auto* pa = reinterpret_cast<const unsigned char*>(a.constData());
    const auto* pb = reinterpret_cast<const unsigned char*>(b.constData());
    for (qsizetype i = 0; i < n; ++i) {
        const int d = int(foldAscii(pa[i])) - int(foldAscii(pb[i]));
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int compareExact(const QByteArray& a, const QByteArray& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    const int d = n == 0 ? 0 : std::memcmp(a.constData(), b.constData(), size_t(n));
    if (d != 0)
        return d;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

int compareKeys(const RowKey& a, const RowKey& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        int d = compareNoCase(a[i], b[i]);
        if (d == 0)
            d = compareExact(a[i], b[i]);
        if (d != 0)
            return d;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool startsWithNoCase(const QByteArray& text, const QByteArray& prefix)
{
    if (prefix.size() > text.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (foldAscii(static_cast<unsigned char>(text[i])) !=
            foldAscii(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

QByteArray encodeRowNumber(qint64 number)
{
    // Flipping the sign bit makes the big-endian bytes sort like the numbers.
    const quint64 flipped = quint64(number) ^ (quint64(1) << 63);
    QByteArray bytes(8, Qt::Uninitialized);
    qToBigEndian(flipped, bytes.data());
    return bytes;
}

qint64 decodeRowNumber(const QByteArray& bytes)
{
    const quint64 flipped = qFromBigEndian<quint64>(bytes.constData());
    return qint64(flipped ^ (quint64(1) << 63));
}

} // namespace kasplan::db
