#include "ExportCommand.h"

#include "CommandDatabase.h"
#include "MainGroupArgument.h"

#include "db/ExportColumns.h"
#include "db/TDMod.h"
#include "db/engine/RecordLines.h"
#include "db/engine/TableView.h"

#include <QSaveFile>
#include <QSet>

#include <optional>
#include <stdexcept>

namespace kasplan {

QString ExportCommandUsage()
{
    return QStringLiteral("Gebruik: kasplan export cultivars|sizes [--hoofdgroep N] "
                          "[--format tsv|csv] [--output BESTAND]");
}

namespace {

const QString Usage = ExportCommandUsage();

[[noreturn]] void refuse(const QString& reason)
{
    throw std::runtime_error(reason.toStdString());
}

enum class Table { Cultivars, Sizes };

struct Request
{
    Table table = Table::Cultivars;
    int hoofdgroep = 0; // 0: every main group
    db::TextFormat format = db::TextFormat::Tsv;
    std::optional<QString> outputFile; // none: standard output
};

Request readArguments(const QStringList& arguments)
{
    if (arguments.isEmpty())
        refuse(QStringLiteral("welke tabel? ") + Usage);
    Request request;
    if (arguments.first() == QLatin1String("cultivars"))
        request.table = Table::Cultivars;
    else if (arguments.first() == QLatin1String("sizes"))
        request.table = Table::Sizes;
    else
        refuse(QStringLiteral("onbekende tabel '%1'. ").arg(arguments.first()) + Usage);
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments.at(i);
        const auto value = [&]() -> QString {
            if (i + 1 >= arguments.size())
                refuse(QStringLiteral("%1 verwacht een waarde. ").arg(option) + Usage);
            return arguments.at(++i);
        };
        if (option == QLatin1String("--hoofdgroep")) {
            request.hoofdgroep = MainGroupArgument(value(), 0);
        } else if (option == QLatin1String("--format")) {
            const QString format = value();
            if (format == QLatin1String("tsv"))
                request.format = db::TextFormat::Tsv;
            else if (format == QLatin1String("csv"))
                request.format = db::TextFormat::Csv;
            else
                refuse(QStringLiteral("--format verwacht tsv of csv, niet '%1'").arg(format));
        } else if (option == QLatin1String("--output")) {
            const QString file = value();
            if (file.isEmpty())
                refuse(QStringLiteral("--output verwacht een bestandsnaam. ") + Usage);
            // "-" is standard output, as for --record of kasplan schedule.
            request.outputFile =
                file == QLatin1String("-") ? std::nullopt : std::optional<QString>(file);
        } else {
            refuse(QStringLiteral("onbekend argument '%1'. ").arg(option) + Usage);
        }
    }
    return request;
}

QString cultivarKey(db::DataSet& view, const db::Field* cultivar, const db::Field* source, int row)
{
    return view.valueAt(row, cultivar).toString() + QLatin1Char('\n') +
           view.valueAt(row, source).toString();
}

QString cultivarLines(TDMod& dmod, db::TextFormat format)
{
    db::TableView& cultivars = *dmod.tbCdata();
    const db::RecordLines lines(cultivars, ExportColumns::CultivarList(), format);
    QString text;
    lines.appendHeader(text);
    for (int row = 0; row < cultivars.recordCount(); ++row)
        lines.appendRecord(text, row);
    return text;
}

// The sizes of the cultivars listed, in the list's order and then by size:
// the order of the size table's key.
QString sizeLines(TDMod& dmod, db::TextFormat format)
{
    db::TableView& cultivars = *dmod.tbCdata();
    db::TableView& sizes = *dmod.tbAllCsizes();
    QSet<QString> listed;
    {
        const db::Field* cultivar = cultivars.fieldByName(QStringLiteral("Cultivar"));
        const db::Field* source = cultivars.fieldByName(QStringLiteral("Source"));
        listed.reserve(cultivars.recordCount());
        for (int row = 0; row < cultivars.recordCount(); ++row)
            listed.insert(cultivarKey(cultivars, cultivar, source, row));
    }
    const db::Field* cultivar = sizes.fieldByName(QStringLiteral("Cultivar"));
    const db::Field* source = sizes.fieldByName(QStringLiteral("Source"));
    const db::RecordLines lines(sizes, ExportColumns::SizeTable(), format);
    QString text;
    lines.appendHeader(text);
    for (int row = 0; row < sizes.recordCount(); ++row) {
        if (listed.contains(cultivarKey(sizes, cultivar, source, row)))
            lines.appendRecord(text, row);
    }
    return text;
}

void writeExport(const Request& request, QTextStream& out)
{
    // The output file first: what cannot be written costs no further work,
    // and the file appears (or is replaced) only when complete.
    std::optional<QSaveFile> file;
    if (request.outputFile) {
        file.emplace(*request.outputFile);
        if (!file->open(QIODevice::WriteOnly))
            refuse(QStringLiteral("het bestand '%1' kan niet geschreven worden: %2")
                       .arg(*request.outputFile, file->errorString()));
    }
    QString text;
    {
        CommandDatabase database;
        TDMod& dmod = database.DMod();
        if (request.hoofdgroep > 0)
            dmod.SetHoofdgroepFilter(request.hoofdgroep);
        text = request.table == Table::Cultivars ? cultivarLines(dmod, request.format)
                                                 : sizeLines(dmod, request.format);
    }
    if (file) {
        const QByteArray bytes = text.toUtf8();
        if (file->write(bytes) != bytes.size() || !file->commit())
            refuse(QStringLiteral("het bestand '%1' kan niet geschreven worden: %2")
                       .arg(*request.outputFile, file->errorString()));
        return;
    }
    // Everything is read before the first byte goes out, so a failure
    // leaves standard output empty.
    out << text;
    out.flush();
    if (out.status() != QTextStream::Ok)
        refuse(QStringLiteral("de standaarduitvoer kan niet geschreven worden"));
}

} // namespace

int runExportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    try {
        writeExport(readArguments(arguments), out);
        return 0;
    } catch (const std::exception& e) {
        err << "kasplan export: " << QString::fromUtf8(e.what()) << Qt::endl;
    }
    return 2;
}

} // namespace kasplan
