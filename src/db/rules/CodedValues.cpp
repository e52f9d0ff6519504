#include "CodedValues.h"

namespace kasplan::CodedValues {

namespace {

const QString unknownCode = QStringLiteral("????");

QString itemAt(const QStringList& items, int code)
{
    return code >= 0 && code < items.size() ? items.at(code) : QString();
}

} // namespace

QString UnitWord(int unit)
{
    return unit == 1 ? QStringLiteral("Dagen") : QStringLiteral("Weken");
}

QString UnitText(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Kg");
    case 1:
        return QStringLiteral("Stuks");
    default:
        return unknownCode;
    }
}

int UnitCode(const QString& text)
{
    const QString word = text.trimmed().toUpper();
    return word == QLatin1String("STUKS") || word == QLatin1String("AANTAL") ? 1 : 0;
}

QString GebruikstypeText(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("Leverbaar");
    case 1:
        return QStringLiteral("Plantgoed");
    case 2:
        return QStringLiteral("Ongeraapt");
    case 3:
        return QStringLiteral("Overig");
    default:
        return unknownCode;
    }
}

int GebruikstypeCode(const QString& text)
{
    const QString word = text.trimmed().toUpper();
    if (word == QLatin1String("PLANTGOED"))
        return 1;
    if (word == QLatin1String("ONGERAAPT"))
        return 2;
    if (word == QLatin1String("OVERIG"))
        return 3;
    return 0;
}

const QStringList& HoofdgroepItems()
{
    static const QStringList items{
        QStringLiteral("(algemeen)"),   QStringLiteral("Tulpen TU"),
        QStringLiteral("Iris IR"),      QStringLiteral("Gladiolen GL"),
        QStringLiteral("Dahlia DA"),    QStringLiteral("Vaste Planten VP"),
        QStringLiteral("Narcissen NA"), QStringLiteral("Hyacinthen HY"),
        QStringLiteral("Lelies LE"),    QStringLiteral("Krokussen KR"),
        QStringLiteral("Bijgoed BIJ"),
    };
    return items;
}

QString HoofdgroepText(int code)
{
    return itemAt(HoofdgroepItems(), code);
}

QString HoofdgroepAfkText(int code)
{
    // The abbreviation is the last word of the item; "(algemeen)" has none.
    if (code < 1)
        return {};
    const QString item = HoofdgroepText(code);
    return item.mid(item.lastIndexOf(QLatin1Char(' ')) + 1);
}

const QStringList& ProductTypeItems()
{
    static const QStringList items{
        QStringLiteral("(algemeen)"), QStringLiteral("Tulpen"), QStringLiteral("Irissen"),
        QStringLiteral("Planten"),    QStringLiteral("Rozen"),
    };
    return items;
}

QString ProductTypeText(int code)
{
    return itemAt(ProductTypeItems(), code);
}

} // namespace kasplan::CodedValues
