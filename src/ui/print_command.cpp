// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/print_command.h"

#include "model/clock.h"
#include "model/data_root.h"
#include "model/file_system.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/platform.h"
#include "ui/report_painter.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace report {

namespace {

// A name in the folder that no file has yet: the moment of printing, and a
// counter when several reports are saved within one second.
QString freshPdfPath(const QString &folder, const QDateTime &moment) {
    const QString stem =
        folder + QStringLiteral("Informe-") + moment.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = stem + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".pdf");
    return path;
}

// Writes the report as a PDF in the folder; the path on success, the
// reason otherwise. The file appears complete or not at all.
storage::Result<QString> savePdf(const QString &folder, const QList<ReportLine> &lines,
                                 const QDateTime &moment) {
    if (const storage::Status made = storage::fileSystem().makeDirectory(folder); !made)
        return made.error();
    const QString path = freshPdfPath(folder, moment);
    if (const storage::Status written = writePdf(path, lines); !written)
        return written.error();
    return path;
}

void reportNoPrinter(Form1 *ledger, const QList<ReportLine> &lines, const QDateTime &moment) {
    const QString folder = documentsFolder();
    const storage::Result<QString> saved = savePdf(folder, lines, moment);
    if (saved) {
        messagebox::show(ledger,
                         QStringLiteral("No hay ninguna impresora predeterminada. El informe se ha guardado "
                                        "como PDF en:\n") +
                             QDir::toNativeSeparators(*saved),
                         messageTitle());
    } else {
        messagebox::show(ledger,
                         QStringLiteral("No hay ninguna impresora predeterminada y no se ha podido guardar "
                                        "el informe como PDF (%1) en:\n")
                                 .arg(messages::reason(saved.error())) +
                             QDir::toNativeSeparators(folder),
                         messageTitle());
    }
}

bool printOn(const QPrinterInfo &destination, const QList<ReportLine> &lines) {
    QPrinter printer(destination, QPrinter::HighResolution);
    if (!printer.isValid())
        return false;
    printer.setDocName(QStringLiteral("Tesorila"));
    printer.setCreator(QStringLiteral("Tesorila"));
    // The total is printed in colour. A queue whose driver declares no
    // colour (a raw queue, many driverless ones) would otherwise get the
    // whole page in grey; a printer without colour greys it by itself.
    printer.setColorMode(QPrinter::Color);
    if (paintReport(printer, lines) != PaintResult::Done)
        return false;
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted &&
           !platform::printSystemRefusedJob();
}

} // namespace

QString documentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return QDir(documents).absolutePath() + QLatin1Char('/');
    return dataroot::path();
}

storage::Error openError(const QFileDevice &file) {
    const QFileInfo info(file.fileName());
    if (info.exists() && !info.isFile())
        return storage::notAFile(info.isDir(), file.fileName());
    return storage::deviceError(file);
}

storage::Status writeWhole(const QString &path, const std::function<bool(QSaveFile &)> &write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return openError(file);
    if (!write(file)) {
        const storage::Error error = storage::deviceError(file);
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return storage::deviceError(file);
    return storage::Done{};
}

storage::Status writePdf(const QString &path, const QList<ReportLine> &lines) {
    return writeWhole(path, [&lines](QSaveFile &file) {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral("Tesorila"));
        writer.setTitle(QStringLiteral("Tesorila"));
        writer.setPageSize(QPageSize(
            QLocale().measurementSystem() == QLocale::ImperialUSSystem ? QPageSize::Letter : QPageSize::A4));
        return paintReport(writer, lines) == PaintResult::Done;
    });
}

QString messageTitle() {
    return QStringLiteral("Imprimir informe");
}

ReportInput ledgerInput(const Form1 &ledger, const QDateTime &moment) {
    ReportInput input;
    input.caption = ledger.windowTitle();
    input.dateText = clocktext::dateText(moment.date());
    input.timeText = clocktext::timeText(moment.time());
    input.count = ledger.lst->count();
    input.totalText = ledger.txtt->text();
    input.entries.reserve(input.count);
    for (int i = 0; i < input.count; ++i)
        input.entries.append(ledger.lst->item(i)->text());
    return input;
}

void printLedger(Form1 *ledger) {
    if (!ledger)
        return;
    const QDateTime moment = QDateTime::currentDateTime();
    const QList<ReportLine> lines = reportLines(ledgerInput(*ledger, moment));

    const QPrinterInfo destination = QPrinterInfo::defaultPrinter();
    if (destination.isNull()) {
        reportNoPrinter(ledger, lines, moment);
        return;
    }

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool printed = printOn(destination, lines);
    QGuiApplication::restoreOverrideCursor();
    if (!printed) {
        messagebox::show(ledger,
                         QStringLiteral("No se ha podido imprimir el informe en la impresora «") +
                             destination.printerName() +
                             QStringLiteral("». Compruebe la impresora y vuelva a intentarlo."),
                         messageTitle());
    }
}

} // namespace report
