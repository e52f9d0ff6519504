#include "Field.h"

namespace kasplan::paradox {

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
        return QStringLiteral("Alpha");
    case FieldType::Date:
        return QStringLiteral("Date");
    case FieldType::Short:
        return QStringLiteral("Short");
    case FieldType::Long:
        return QStringLiteral("Long");
    case FieldType::Money:
        return QStringLiteral("Money");
    case FieldType::Number:
        return QStringLiteral("Number");
    case FieldType::Logical:
        return QStringLiteral("Logical");
    case FieldType::Memo:
        return QStringLiteral("Memo");
    case FieldType::BinaryBlob:
        return QStringLiteral("Binary");
    case FieldType::FormattedMemo:
        return QStringLiteral("Formatted memo");
    case FieldType::Ole:
        return QStringLiteral("OLE");
    case FieldType::Graphic:
        return QStringLiteral("Graphic");
    case FieldType::Time:
        return QStringLiteral("Time");
    case FieldType::Timestamp:
        return QStringLiteral("Timestamp");
    case FieldType::Autoinc:
        return QStringLiteral("Autoinc");
    case FieldType::Bcd:
        return QStringLiteral("BCD");
    case FieldType::Bytes:
        return QStringLiteral("Bytes");
    }
    return QStringLiteral("0x%1").arg(int(type), 2, 16, QLatin1Char('0'));
}

bool isKnownType(quint8 code)
{
    switch (FieldType(code)) {
    case FieldType::Alpha:
    case FieldType::Date:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Money:
    case FieldType::Number:
    case FieldType::Logical:
    case FieldType::Memo:
    case FieldType::BinaryBlob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
    case FieldType::Time:
    case FieldType::Timestamp:
    case FieldType::Autoinc:
    case FieldType::Bcd:
    case FieldType::Bytes:
        return true;
    }
    return false;
}

bool isBlob(FieldType type)
{
    switch (type) {
    case FieldType::Memo:
    case FieldType::BinaryBlob:
    case FieldType::FormattedMemo:
    case FieldType::Ole:
    case FieldType::Graphic:
        return true;
    default:
        return false;
    }
}

int fixedSize(FieldType type)
{
    switch (type) {
    case FieldType::Short:
        return 2;
    case FieldType::Date:
    case FieldType::Long:
    case FieldType::Time:
    case FieldType::Autoinc:
        return 4;
    case FieldType::Money:
    case FieldType::Number:
    case FieldType::Timestamp:
        return 8;
    case FieldType::Logical:
        return 1;
    case FieldType::Bcd:
        return 17;
    default:
        return 0;
    }
}

} // namespace kasplan::paradox
