#include "TypeAheadSearch.h"

namespace kasplan {

void TypeAheadSearch::reset(const QDateTime& now)
{
    m_text.clear();
    m_last = now;
}

const QString& TypeAheadSearch::type(QChar ch, const QDateTime& now)
{
    if (m_last.isValid() && m_last.msecsTo(now) <= WindowMs)
        m_text += ch;
    else
        m_text = ch;
    m_last = now;
    return m_text;
}

} // namespace kasplan
