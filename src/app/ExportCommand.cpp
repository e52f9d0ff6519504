#include "ExportCommand.h"

#include "CommandDatabase.h"
#include "MainGroupArgument.h"

#include "db/ExportColumns.h"
#include "db/TDMod.h"
#include "db/engine/RecordLines.h"
#include "db/engine/TableView.h"

#include <QFileDevice>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <numeric>
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

std::vector<int> rowsFrom(int first, int count)
{
    std::vector<int> rows(size_t(std::max(count, 0)));
    std::iota(rows.begin(), rows.end(), first);
    return rows;
}

// The lines of a view's records at rows, in UTF-8, gathered block by block
// so that only the bytes stay.
class Lines
{
public:
    Lines(db::DataSet& view, const QList<db::TextColumn>& columns, db::TextFormat format)
        : m_lines(view, columns, format)
    {
        QString header;
        m_lines.appendHeader(header);
        bytes = header.toUtf8();
    }
    void append(const std::vector<int>& rows)
    {
        QString text;
        m_lines.appendRecords(text, rows);
        bytes += text.toUtf8();
    }
    QByteArray bytes;

private:
    db::RecordLines m_lines;
};

constexpr int RowsPerBlock = 4096;

QByteArray cultivarLines(TDMod& dmod, db::TextFormat format)
{
    db::TableView& cultivars = *dmod.tbCdata();
    Lines lines(cultivars, ExportColumns::CultivarList(), format);
    for (int first = 0; first < cultivars.recordCount(); first += RowsPerBlock)
        lines.append(rowsFrom(first, std::min(RowsPerBlock, cultivars.recordCount() - first)));
    return lines.bytes;
}

// Cultivar and source of the records at rows, one text each.
QList<QString> cultivarKeys(db::DataSet& view, const std::vector<int>& rows)
{
    const QList<const db::Field*> key{view.fieldByName(QStringLiteral("Cultivar")),
                                      view.fieldByName(QStringLiteral("Source"))};
    QList<QString> keys;
    keys.reserve(qsizetype(rows.size()));
    for (const QVariantList& values : view.valuesAt(rows, key))
        keys.append(values.at(0).toString() + QLatin1Char('\n') + values.at(1).toString());
    return keys;
}

// The sizes of the cultivars listed, in the list's order and then by size:
// the order of the size table's key.
QByteArray sizeLines(TDMod& dmod, db::TextFormat format)
{
    db::TableView& cultivars = *dmod.tbCdata();
    QSet<QString> listed;
    listed.reserve(cultivars.recordCount());
    for (int first = 0; first < cultivars.recordCount(); first += RowsPerBlock) {
        for (const QString& key :
             cultivarKeys(cultivars,
                          rowsFrom(first, std::min(RowsPerBlock, cultivars.recordCount() - first))))
            listed.insert(key);
    }
    db::TableView& sizes = *dmod.tbAllCsizes();
    Lines lines(sizes, ExportColumns::SizeTable(), format);
    for (int first = 0; first < sizes.recordCount(); first += RowsPerBlock) {
        const std::vector<int> block =
            rowsFrom(first, std::min(RowsPerBlock, sizes.recordCount() - first));
        const QList<QString> owners = cultivarKeys(sizes, block);
        std::vector<int> rows;
        for (size_t i = 0; i < block.size(); ++i) {
            if (listed.contains(owners.at(qsizetype(i))))
                rows.push_back(block[i]);
        }
        lines.append(rows);
    }
    return lines.bytes;
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
    QByteArray bytes;
    {
        CommandDatabase database;
        TDMod& dmod = database.DMod();
        if (request.hoofdgroep > 0)
            dmod.SetHoofdgroepFilter(request.hoofdgroep);
        bytes = request.table == Table::Cultivars ? cultivarLines(dmod, request.format)
                                                  : sizeLines(dmod, request.format);
    }
    if (file) {
        if (file->write(bytes) != bytes.size() || !file->commit())
            refuse(QStringLiteral("het bestand '%1' kan niet geschreven worden: %2")
                       .arg(*request.outputFile, file->errorString()));
        return;
    }
    // Everything is read before the first byte goes out, so a failure
    // leaves standard output empty.
    out.flush();
    bool written = false;
    if (auto* device = qobject_cast<QFileDevice*>(out.device())) {
        written = device->write(bytes) == bytes.size() && device->flush();
    } else {
        out << QString::fromUtf8(bytes);
        out.flush();
        written = out.status() == QTextStream::Ok;
    }
    if (!written)
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
