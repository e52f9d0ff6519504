#include "ReportCommand.h"

#include "CommandDatabase.h"
#include "MainGroupArgument.h"

#include "db/TDMod.h"
#include "reports/TKPcultivarListRepForm.h"

#include <QGuiApplication>
#include <QSaveFile>

#include <memory>
#include <optional>
#include <stdexcept>

namespace kasplan {

namespace {

const QString Usage = ReportCommandUsage();

class Refusal : public std::runtime_error
{
public:
    explicit Refusal(const QString& reason) : std::runtime_error(reason.toStdString()) {}
};

struct Request
{
    QString pdfFile;
    int hoofdgroep = 0; // 0: all main groups
    std::optional<int> unit;
};

Request readArguments(const QStringList& arguments)
{
    if (arguments.isEmpty())
        throw Refusal(QStringLiteral("welk rapport? ") + Usage);
    if (arguments.first() != QLatin1String("cultivars"))
        throw Refusal(QStringLiteral("onbekend rapport '%1'. ").arg(arguments.first()) + Usage);
    Request request;
    bool pdfGiven = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        const auto value = [&]() -> QString {
            if (i + 1 >= arguments.size())
                throw Refusal(QStringLiteral("%1 verwacht een waarde. ").arg(option) + Usage);
            return arguments.at(++i);
        };
        if (option == QLatin1String("--pdf")) {
            request.pdfFile = value();
            pdfGiven = true;
        } else if (option == QLatin1String("--hoofdgroep")) {
            request.hoofdgroep = MainGroupArgument(value(), 1);
        } else if (option == QLatin1String("--units")) {
            const QString units = value();
            if (units == QLatin1String("weeks"))
                request.unit = 7;
            else if (units == QLatin1String("days"))
                request.unit = 1;
            else
                throw Refusal(
                    QStringLiteral("--units verwacht weeks of days, niet '%1'").arg(units));
        } else {
            throw Refusal(QStringLiteral("onbekend argument '%1'. ").arg(option) + Usage);
        }
    }
    if (!pdfGiven || request.pdfFile.isEmpty())
        throw Refusal(QStringLiteral("--pdf ontbreekt. ") + Usage);
    return request;
}

// Fonts and the PDF writer need the GUI side of Qt, but never a display.
std::unique_ptr<QGuiApplication> guiWithoutDisplay()
{
    if (QCoreApplication::instance()) {
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            throw std::runtime_error("het rapport kan in dit programma niet gemaakt worden");
        return nullptr;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "kasplan";
    static char* argv[] = {name, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Kasplan"));
    return app;
}

void writeReport(const Request& request)
{
    // The file and the database first: what cannot be written or read costs
    // no further work, and nothing of the file appears unless all of it is
    // written.
    QSaveFile file(request.pdfFile);
    if (!file.open(QIODevice::WriteOnly))
        throw Refusal(QStringLiteral("het bestand '%1' kan niet geschreven worden: %2")
                          .arg(request.pdfFile, file.errorString()));
    CommandDatabase database;
    TDMod& dmod = database.DMod();
    if (request.unit) {
        dmod.setTussenTunit(*request.unit);
        dmod.setKperiodunit(*request.unit);
        dmod.SetPeriodUnits();
    }
    if (request.hoofdgroep > 0)
        dmod.SetHoofdgroepFilter(request.hoofdgroep);

    const auto app = guiWithoutDisplay();
    TKPcultivarListRepForm report(dmod);
    report.Options.forcingData = true;
    report.WritePdf(file);
    if (!file.commit())
        throw Refusal(QStringLiteral("het bestand '%1' kan niet geschreven worden: %2")
                          .arg(request.pdfFile, file.errorString()));
}

} // namespace

QString ReportCommandUsage()
{
    return QStringLiteral(
        "Gebruik: kasplan report cultivars --pdf BESTAND [--hoofdgroep N] [--units weeks|days]");
}

int runReportCommand(const QStringList& arguments, QTextStream&, QTextStream& err)
{
    try {
        writeReport(readArguments(arguments));
        return 0;
    } catch (const std::exception& e) {
        err << "kasplan report: " << QString::fromUtf8(e.what()) << Qt::endl;
    }
    return 2;
}

} // namespace kasplan
