#include "db/paradox/Cipher.h"

#include <QTest>

using namespace kasplan::paradox;

namespace {

QByteArray hex(const char* text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', "").replace('\n', ""));
}

// Block 1, unit 0 of a small table (Alpha 20, Short, Date) without and with
// the password "7K4M", as written by another implementation.
const char* PlainUnit = R"(
00 00 00 00 82 00 54 75 6C 70 20 30 30 30 30 30 00 00 00 00 00 00 00 00 00 00 7F 9C 80 0B 42 D0
4E 61 72 63 69 73 20 30 30 30 30 31 00 00 00 00 00 00 00 00 7F C1 80 0B 42 D3 48 79 61 63 69 6E
74 20 30 30 30 30 32 00 00 00 00 00 00 00 7F E6 80 0B 42 D6 4B 72 6F 6B 75 73 20 30 30 30 30 33
00 00 00 00 00 00 00 00 80 0B 80 0B 42 D9 4C 65 6C 69 65 20 30 30 30 30 34 00 00 00 00 00 00 00
00 00 80 30 80 0B 42 DC 49 72 69 73 20 30 30 30 30 35 00 00 00 00 00 00 00 00 00 00 80 55 80 0B
42 DF 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00
00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00
00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00)";

const char* EncipheredUnit = R"(
9A 8A 9D 93 71 DC B6 D9 60 D8 0C 11 4A 45 CE 15 4F 13 BE 5E 01 A0 59 55 B6 51 9C 44 8B AC B1 53
28 20 B8 9E FC 0F 56 26 B6 8D A4 E9 93 6C 1B 0D 46 56 58 EA 75 C4 FF B8 13 C6 00 31 9C 7B 52 9E
E4 0A A0 C3 95 95 7D 6D 9D 8C 3F C7 5B 93 7D F4 4A E5 9A B7 DA 78 67 A1 1E 0D 2F BF 8F 8B BC A0
1A 3F 39 CB A0 31 CB A1 44 0C 69 9B F3 0B 9C 44 B2 0D CC 36 CF EC 4F BE 07 ED F5 AA 87 16 3A B0
CE B5 C0 C7 1A 91 9F 85 7A 48 39 E1 A7 E9 74 74 83 B3 76 5D 37 35 CB 69 A9 86 82 38 45 3A A1 AE
F1 66 F6 A6 CA 8F AA 6D 0F 81 1E 41 F0 A3 81 6E B5 57 E2 02 F1 D3 B0 CF 12 13 10 39 F2 08 19 DC
BC 8D 49 7A B6 DB 2A C5 EF EC FF F0 48 24 EE 2B C6 2E 0B 2B 60 8D 0C 3F 81 20 44 35 79 8A E9 5E
8C 50 45 E6 8A C6 B5 D6 1F 23 AA 12 7E D0 A9 F9 0A 42 03 BB 1D 83 CC FC 66 20 7E D4 32 07 C7 53)";

constexpr quint32 Checksum7K4M = 0x69675AF7;

bool sameKey(Cipher::UnitKey a, Cipher::UnitKey b)
{
    return a.alpha == b.alpha && a.beta == b.beta && a.gamma == b.gamma && a.delta == b.delta;
}

} // namespace

class TestParadoxCipher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void passwordChecksum_data();
    void passwordChecksum();
    void workedUnitDeciphersAndEnciphers();
    void keysOfBlocksAndMemoFiles();
    void blockUnitsDependOnTheirPlace();
};

void TestParadoxCipher::passwordChecksum_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<quint32>("checksum");
    QTest::newRow("7K4M") << QByteArray("7K4M") << quint32(0x69675AF7);
    QTest::newRow("7k4m, case matters") << QByteArray("7k4m") << quint32(0xD833F4F7);
    QTest::newRow("Bloei#2003") << QByteArray("Bloei#2003") << quint32(0x71F48328);
    QTest::newRow("one byte") << QByteArray("x") << quint32(0x3C81B221);
    QTest::newRow("two bytes") << QByteArray("ab") << quint32(0x8F5D93D3);
    QTest::newRow("three bytes") << QByteArray("abc") << quint32(0x2F7A97D8);
    QTest::newRow("PARADOX") << QByteArray("PARADOX") << quint32(0xC32CB17D);
    QTest::newRow("byte above 0x7F") << QByteArray("caf\xE9") << quint32(0x16C480CA);
    QTest::newRow("empty: not protected") << QByteArray() << quint32(0);
}

void TestParadoxCipher::passwordChecksum()
{
    QFETCH(QByteArray, password);
    QFETCH(quint32, checksum);
    QCOMPARE(Cipher::passwordChecksum(password), checksum);
}

void TestParadoxCipher::workedUnitDeciphersAndEnciphers()
{
    const QByteArray plain = hex(PlainUnit);
    const QByteArray enciphered = hex(EncipheredUnit);
    QCOMPARE(plain.size(), Cipher::UnitSize);
    QCOMPARE(enciphered.size(), Cipher::UnitSize);
    const Cipher::UnitKey key = Cipher::blockUnitKey(Checksum7K4M, 1, 0);

    QByteArray out(Cipher::UnitSize, '\0');
    Cipher::decipherUnit(reinterpret_cast<const uchar*>(enciphered.constData()),
                         reinterpret_cast<uchar*>(out.data()), key);
    QCOMPARE(out.toHex(' '), plain.toHex(' '));
    Cipher::encipherUnit(reinterpret_cast<const uchar*>(plain.constData()),
                         reinterpret_cast<uchar*>(out.data()), key);
    QCOMPARE(out.toHex(' '), enciphered.toHex(' '));
}

void TestParadoxCipher::keysOfBlocksAndMemoFiles()
{
    // Only the two low bytes of the checksum key the cipher; blocks 1 and 257
    // share a schedule, as only the low byte of the block number counts.
    QVERIFY(sameKey(Cipher::blockUnitKey(Checksum7K4M, 1, 0), {0xF7, 0x5A, 0x00, 0x01}));
    QVERIFY(sameKey(Cipher::blockUnitKey(Checksum7K4M, 257, 3), {0xF7, 0x5A, 0x03, 0x01}));
    QVERIFY(sameKey(Cipher::memoUnitKey(Checksum7K4M), {0xF7, 0x5A, 0xF8, 0x5B}));
    QVERIFY(sameKey(Cipher::memoUnitKey(0x0000FFFF), {0xFF, 0xFF, 0x00, 0x00}));
}

void TestParadoxCipher::blockUnitsDependOnTheirPlace()
{
    // The same plain block deciphers back in place, and its second unit is
    // keyed apart from its first.
    QByteArray block = hex(PlainUnit) + hex(PlainUnit);
    const QByteArray plain = block;
    auto* data = reinterpret_cast<uchar*>(block.data());
    Cipher::encipherBlock(data, block.size(), Checksum7K4M, 1);
    QCOMPARE(block.first(Cipher::UnitSize).toHex(' '), hex(EncipheredUnit).toHex(' '));
    QVERIFY(block.first(Cipher::UnitSize) != block.sliced(Cipher::UnitSize));
    Cipher::decipherBlock(data, block.size(), Checksum7K4M, 1);
    QCOMPARE(block, plain);
}

QTEST_APPLESS_MAIN(TestParadoxCipher)
#include "tst_paradoxcipher.moc"
