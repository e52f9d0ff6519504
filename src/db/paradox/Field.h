#pragma once

#include <QString>
#include <QtGlobal>

namespace kasplan::paradox {

// The field types of a table, by the code the header stores.
enum class FieldType : quint8 {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Money = 0x05,
    Number = 0x06,
    Logical = 0x09,
    Memo = 0x0C,
    BinaryBlob = 0x0D,
    FormattedMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    Autoinc = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

// One field of a table as its header describes it. size is its width in the
// record: for Memo and the other blob types the leader plus the ten bytes
// that point into the memo file.
struct Field
{
    QString name;
    FieldType type = FieldType::Alpha;
    int size = 0;
};

// The type's name as the old engine's table tools showed it ("Alpha", "Memo").
QString typeName(FieldType type);
// True for a known type code.
bool isKnownType(quint8 code);
// True for the types whose value lies (mostly) in the memo file.
bool isBlob(FieldType type);
// The width the type always has, or 0 when the header chooses it.
int fixedSize(FieldType type);

} // namespace kasplan::paradox
