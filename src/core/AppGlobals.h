#pragma once

#include <QString>

namespace kasplan {

class IniFile;

// Values the start-up fixes once and every part of the program reads:
// the program's file version, its folders and the database version file.

// The "FileVersion" of the program ("4.0.1.8"); empty when the version
// resource has none. Until the start-up fixes it, read from the resource.
QString AppFileVersion();
// The program folder and the folders below it, each ending in '/'. Until the
// start-up fixes it, AppDir is Locations::programDir().
QString AppDir();
QString AppPrivDir();
QString AppTempDir();
QString AppBackupDir();
// The database version file "KPDBase.ini" while the global data module
// lives; null before and after.
IniFile* DBaseIni();

namespace AppGlobals {
void SetAppFileVersion(const QString& version);
void SetAppDir(const QString& dir);
void SetDBaseIni(IniFile* file);
// Forgets what the start-up fixed (tests).
void Reset();
} // namespace AppGlobals

} // namespace kasplan
