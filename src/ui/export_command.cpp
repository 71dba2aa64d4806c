// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/export_command.h"

#include "model/clock.h"
#include "model/csv_export.h"
#include "model/file_system.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/print_command.h"
#include "ui/widgets.h"

#include <QDateTime>
#include <QFileDialog>
#include <QLineEdit>
#include <QSaveFile>

namespace exporting {

namespace {

// Qt's own save dialog, in Spanish through Qt's translation, with the
// proposed name in the documents folder; the chosen path, or "" when the
// user cancels.
QString askForPath(Form1 *ledger, const QString &title, const QString &extension, const QString &filter) {
    QFileDialog dialog(ledger, title, report::documentsFolder(), filter);
    dialog.setObjectName(QStringLiteral("exportar"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(extension);
    dialog.selectFile(proposedName(*ledger, extension));
    ui::fileDialogLook(&dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

storage::Status writeFile(const QString &path, const QByteArray &bytes) {
    return report::writeWhole(path, [&bytes](QSaveFile &file) { return file.write(bytes) == bytes.size(); });
}

void tell(Form1 *ledger, const storage::Status &written, const QString &path) {
    if (!written)
        messagebox::show(ledger, messages::exportFailed(written.error(), path));
}

} // namespace

QString proposedName(const Form1 &ledger, const QString &extension) {
    const QString user =
        ledger.windowTitle() == Form1::noUserCaption() ? QStringLiteral("Sin Usuario") : ledger.user1->text();
    return csvexport::proposedFileName(user, clocktext::today(), extension);
}

void exportCsv(Form1 *ledger) {
    if (!ledger)
        return;
    const QString path = askForPath(ledger, QStringLiteral("Exportar"), QStringLiteral("csv"),
                                    QStringLiteral("Archivos CSV (*.csv)"));
    if (path.isEmpty())
        return;
    tell(ledger, writeFile(path, csvexport::ledgerCsv(ledger->shownLedger().lines)), path);
}

void exportPdf(Form1 *ledger) {
    if (!ledger)
        return;
    const QString path = askForPath(ledger, QStringLiteral("Exportar a PDF"), QStringLiteral("pdf"),
                                    QStringLiteral("Documentos PDF (*.pdf)"));
    if (path.isEmpty())
        return;
    const QDateTime moment = QDateTime::currentDateTime();
    tell(ledger, report::writePdf(path, report::reportLines(report::ledgerInput(*ledger, moment))), path);
}

} // namespace exporting
