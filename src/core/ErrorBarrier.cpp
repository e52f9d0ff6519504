#include "ErrorBarrier.h"

#include "UserPrompts.h"

#include <QString>
#include <QTextStream>

namespace kasplan {

void ReportError(std::exception_ptr error) noexcept
{
    try {
        try {
            std::rethrow_exception(error);
        } catch (const SilentAbort&) {
        } catch (const std::exception& e) {
            UserPrompts::current().showError(QString::fromUtf8(e.what()));
        } catch (...) {
            UserPrompts::current().showError(
                QStringLiteral("Er is een onverwachte fout opgetreden."));
        }
    } catch (...) {
        // Showing the message failed as well; say so where it can still be
        // seen rather than let the error end the program.
        QTextStream(stderr) << "Kasplan: an error could not be shown" << Qt::endl;
    }
}

} // namespace kasplan
