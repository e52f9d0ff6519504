#pragma once

#include <QString>

namespace kasplan {

// Every folder the program reads or writes. When the environment variable
// KASPLAN_HOME is set, all of them lie below that folder, so tests and trials
// never touch a real user's files:
//
//   $KASPLAN_HOME/user-settings     per-user settings scope
//   $KASPLAN_HOME/machine-settings  machine-wide settings scope
//   $KASPLAN_HOME/engine            engine configuration (database locations)
//   $KASPLAN_HOME/database          the standard database folder
//   $KASPLAN_HOME/program           the program folders (PrivDir, temp, backups)
//
// Without it the per-user folders follow the desktop's conventions and the
// machine-wide ones lie with the installation.
namespace Locations {

// The KASPLAN_HOME folder, or empty text when the variable is not set.
QString homeOverride();

QString userSettingsDir();
QString machineSettingsDir();
QString engineConfigDir();
QString standardDatabaseDir();
// The folder that stands for "beside the program file": PrivDir, temp and
// backups are created below it.
QString programDir();

} // namespace Locations
} // namespace kasplan
