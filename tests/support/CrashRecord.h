#pragma once

#include <QString>

namespace kasplan::test {

// What the crash writer stores for record number n, in its first and second
// version. The remark is long enough to take several database pages, so a
// write cut short would show as a remark that is neither version.
struct CrashRecord
{
    static QString cultivar(int n) { return QStringLiteral("C%1").arg(n, 7, 10, QLatin1Char('0')); }
    static QString colour(int n) { return QStringLiteral("kleur %1").arg(n % 97); }
    static int group(int n) { return n % 11; }
    static QString remark(int n, int version)
    {
        return QStringLiteral("%1 versie %2; ").arg(n).arg(version).repeated(300);
    }
};

} // namespace kasplan::test
