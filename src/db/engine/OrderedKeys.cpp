#include "OrderedKeys.h"

#include <QString>

#include <algorithm>

namespace kasplan::db {

namespace {

bool isAscii(const QByteArray& bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

void OrderedKeys::clear()
{
    m_keys.clear();
    m_keys.shrink_to_fit();
}

int OrderedKeys::compare(const RowKey& a, const RowKey& b) const
{
    return m_rowNumbers ? compareExact(a.value(0), b.value(0)) : compareKeys(a, b);
}

int OrderedKeys::lowerBound(const RowKey& key) const
{
    const auto it =
        std::lower_bound(m_keys.begin(), m_keys.end(), key,
                         [this](const RowKey& a, const RowKey& b) { return compare(a, b) < 0; });
    return int(it - m_keys.begin());
}

int OrderedKeys::indexOf(const RowKey& key) const
{
    const int i = lowerBound(key);
    return (i < size() && compare(m_keys[size_t(i)], key) == 0) ? i : -1;
}

int OrderedKeys::insert(const RowKey& key)
{
    const int i = lowerBound(key);
    if (i >= size() || compare(m_keys[size_t(i)], key) != 0)
        m_keys.insert(m_keys.begin() + i, key);
    return i;
}

void OrderedKeys::remove(const RowKey& key)
{
    const int i = indexOf(key);
    if (i >= 0)
        m_keys.erase(m_keys.begin() + i);
}

int OrderedKeys::findLeading(const QList<QByteArray>& values, bool caseInsensitive,
                             bool partial) const
{
    if (values.isEmpty())
        return m_keys.empty() ? -1 : 0;

    if (caseInsensitive && !std::all_of(values.cbegin(), values.cend(), isAscii)) {
        // Letters beyond A to Z are not folded by the order: compare as
        // text, key by key.
        for (size_t i = 0; i < m_keys.size(); ++i) {
            bool all = true;
            for (int k = 0; k < values.size() && all; ++k) {
                const QString part = QString::fromUtf8(m_keys[i].value(k));
                const QString value = QString::fromUtf8(values[k]);
                all = partial ? part.startsWith(value, Qt::CaseInsensitive)
                              : part.compare(value, Qt::CaseInsensitive) == 0;
            }
            if (all)
                return int(i);
        }
        return -1;
    }

    const auto partMatches = [&](const QByteArray& part, const QByteArray& value) {
        if (caseInsensitive)
            return partial ? startsWithNoCase(part, value) : compareNoCase(part, value) == 0;
        return partial ? part.startsWith(value) : part == value;
    };
    // The keys whose first part matches lie together, from the first key not
    // below the wanted text (letters compared without case); the first full
    // match among them comes first in the view's order.
    const QByteArray& first = values.front();
    const auto start = std::partition_point(m_keys.begin(), m_keys.end(), [&](const RowKey& k) {
        return compareNoCase(k.front(), first) < 0;
    });
    for (auto it = start; it != m_keys.end(); ++it) {
        const QByteArray& lead = it->front();
        if (partial ? !startsWithNoCase(lead, first) : compareNoCase(lead, first) != 0)
            break;
        bool all = true;
        for (int k = 0; k < values.size() && all; ++k)
            all = partMatches(it->value(k), values[k]);
        if (all)
            return int(it - m_keys.begin());
    }
    return -1;
}

} // namespace kasplan::db
