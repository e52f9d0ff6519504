#pragma once

#include "RowKey.h"

#include <QList>

#include <vector>

namespace kasplan::db {

// The keys of the records a view shows, in the view's order (see
// compareKeys), so that a position, a key and a search on the leading key
// fields are found by binary search instead of by asking the database.
class OrderedKeys
{
public:
    // Keys that are row numbers sort by their bytes alone.
    void setRowNumbers(bool rowNumbers) { m_rowNumbers = rowNumbers; }

    void assign(std::vector<RowKey> keys) { m_keys = std::move(keys); }
    void clear();
    int size() const { return int(m_keys.size()); }
    bool empty() const { return m_keys.empty(); }
    const RowKey& at(int index) const { return m_keys[size_t(index)]; }

    int lowerBound(const RowKey& key) const;
    // Position of the key, or -1.
    int indexOf(const RowKey& key) const;
    // Adds the key at its place unless it is there; answers the place.
    int insert(const RowKey& key);
    void remove(const RowKey& key);

    // The first key whose leading parts match values: whole or beginning
    // (partial), with or without regard to letter case.
    int findLeading(const QList<QByteArray>& values, bool caseInsensitive, bool partial) const;

private:
    int compare(const RowKey& a, const RowKey& b) const;

    std::vector<RowKey> m_keys;
    bool m_rowNumbers = false;
};

} // namespace kasplan::db
