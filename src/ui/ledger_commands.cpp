// SPDX-License-Identifier: GPL-3.0-or-later
// The ledger window's commands that open or drive the other windows
// (printing, export, import, find, the chart, the versions), apart from
// the window itself, so that those windows may know the ledger window
// without the ledger window's file knowing them.
#include "ui/ledger_window.h"

#include "ui/chart_window.h"
#include "ui/export_command.h"
#include "ui/find_window.h"
#include "ui/import_window.h"
#include "ui/print_command.h"
#include "ui/versions_window.h"
#include "ui/window_registry.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QStandardPaths>

void Form1::fillListMenu(QMenu &menu) {
    menu.addAction(QStringLiteral("Exportar…"), QKeySequence(Qt::CTRL | Qt::Key_E), this, &Form1::exportList);
    menu.addAction(QStringLiteral("Exportar a PDF…"), this, [this] { exporting::exportPdf(this); });
    menu.addAction(QStringLiteral("Importar movimientos…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                   this, &Form1::importMovements);
    menu.addAction(QStringLiteral("Buscar…"), QKeySequence(Qt::CTRL | Qt::Key_F), this, &Form1::findInList);
    menu.addAction(QStringLiteral("Gráfico"), QKeySequence(Qt::CTRL | Qt::Key_G), this, &Form1::showChart);
}

void Form1::exportList() {
    exporting::exportCsv(this);
}

void Form1::findInList() {
    ui::windows().showBuscar()->focusBox();
}

void Form1::showChart() {
    ui::windows().showGrafico();
}

void Form1::Image5_Click() {
    report::printLedger(this);
}

void Form1::importMovements() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Importar movimientos"),
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
        QStringLiteral(
            "Extractos bancarios (*.csv *.txt *.n43 *.aeb *.q43 *.ofx *.qfx);;Todos los archivos (*)"),
        nullptr, QFileDialog::DontUseNativeDialog);
    if (!path.isEmpty())
        ImportWindow::previewFile(this, path);
}

void Form1::showVersions() {
    VersionsWindow *window = ui::windows().showVersions();
    const storage::Result<ledgerformat::LedgerPaths> paths =
        windowTitle() == noUserCaption() ? storage::Result<ledgerformat::LedgerPaths>(storage::Error())
                                         : accountInUse().ledgerPaths();
    window->showLedger(user1->text(), paths ? std::optional(*paths) : std::nullopt);
}
