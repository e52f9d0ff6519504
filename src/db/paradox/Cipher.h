#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace kasplan::paradox {

// The cipher of password-protected tables. Everything is one keyed shuffle of
// a 256-byte unit: each byte moves to another position and is masked by three
// fixed tables. The key is the 32-bit password checksum that the table header
// stores in plain sight, so a protected table is read without its password.
namespace Cipher {

inline constexpr int UnitSize = 256;

// The four offsets of one unit's shuffle (all arithmetic modulo 256).
struct UnitKey
{
    quint8 alpha; // into table A, by source position
    quint8 beta;  // into table B, by destination position
    quint8 gamma; // into table C, by destination position
    quint8 delta; // shift of the destination
};

// plain and out are UnitSize bytes each and must not overlap.
void encipherUnit(const uchar* plain, uchar* out, UnitKey key);
void decipherUnit(const uchar* enciphered, uchar* out, UnitKey key);

// The checksum a protected table stores for its password (the password's
// bytes exactly as typed); 0 for an empty password, never 0 otherwise.
quint32 passwordChecksum(QByteArrayView password);

// The key of unit `unit` of data block `block` (numbered from 1 by position in
// the file) of a table with the given checksum.
UnitKey blockUnitKey(quint32 checksum, int block, int unit);
// The key of every unit of a protected table's memo file.
UnitKey memoUnitKey(quint32 checksum);

// Deciphers or enciphers a whole data block in place; its size is a multiple
// of UnitSize.
void decipherBlock(uchar* data, qsizetype size, quint32 checksum, int block);
void encipherBlock(uchar* data, qsizetype size, quint32 checksum, int block);
// The same for whole units of a memo file.
void decipherMemoUnits(uchar* data, qsizetype size, quint32 checksum);
void encipherMemoUnits(uchar* data, qsizetype size, quint32 checksum);

} // namespace Cipher
} // namespace kasplan::paradox
