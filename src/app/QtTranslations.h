#pragma once

class QCoreApplication;

namespace kasplan {

// Loads Qt's own translations for the system's language, so that the dialogs
// Qt provides (printer, file, the buttons of a message box) speak it too.
// Answers false, and changes nothing, where the system has none for it.
bool InstallQtTranslations(QCoreApplication& app);

} // namespace kasplan
