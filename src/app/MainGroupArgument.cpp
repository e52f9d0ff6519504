#include "MainGroupArgument.h"

#include "db/rules/CodedValues.h"

#include <stdexcept>

namespace kasplan {

int MainGroupArgument(const QString& text, int lowest)
{
    bool number = false;
    const int n = text.toInt(&number);
    const int groups = int(CodedValues::HoofdgroepItems().size());
    if (number && n >= lowest && n < groups)
        return n;
    for (int code = 1; code < groups && !number; ++code) {
        if (CodedValues::HoofdgroepAfkText(code).compare(text, Qt::CaseInsensitive) == 0)
            return code;
    }
    throw std::runtime_error(
        QStringLiteral("onbekende hoofdgroep '%1' (%2 tot %3, of een afkorting als TU)")
            .arg(text)
            .arg(lowest)
            .arg(groups - 1)
            .toStdString());
}

} // namespace kasplan
