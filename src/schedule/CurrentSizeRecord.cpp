#include "CurrentSizeRecord.h"

#include <cmath>

namespace kasplan {

QString InMemorySizeRecord::displayText(const QString& field) const
{
    const auto text = m_texts.constFind(field);
    if (text != m_texts.constEnd())
        return *text;
    if (field == QLatin1String("Cultivar"))
        return m_values.cultivarName();
    const auto value = m_values.value(field);
    return value ? QString::number(std::lround(*value)) : QString();
}

} // namespace kasplan
