// SPDX-License-Identifier: GPL-3.0-or-later
// The ledger window's commands that open or drive the other windows
// (the entry dialog, printing, export, import, find, the chart, the
// versions), apart from
// the window itself, so that those windows may know the ledger window
// without the ledger window's file knowing them.
#include "ui/ledger_window.h"

#include "model/entry_text.h"
#include "ui/chart_window.h"
#include "ui/export_command.h"
#include "ui/find_window.h"
#include "ui/form2.h"
#include "ui/import_window.h"
#include "ui/messagebox.h"
#include "ui/print_command.h"
#include "ui/versions_window.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QUndoStack>

void Form1::Image1_Click() {
    ui::windows().showForm2()->startAdding();
}

void Form1::modifySelected() {
    const int index = selectedIndex();
    if (index < 0) {
        messagebox::show(this, QStringLiteral("Debe de seleccionar primero el registro que desea modificar"),
                         QStringLiteral("Seleccione un registro"));
        return;
    }
    // A line of another layout (a file written by hand) would come back in
    // the entry layout: it is not rewritten unseen.
    const QString line = lst->item(index)->text();
    const std::optional<entrytext::Fields> fields = entrytext::fields(line);
    if (!fields || !entrytext::unusableCharacters(fields->date + fields->source).isEmpty()) {
        messagebox::show(this,
                         QStringLiteral("Este registro no tiene la forma de los que se anotan aquí (fecha, "
                                        "cantidad y procedencia), y modificarlo cambiaría su texto. Si desea "
                                        "cambiarlo, elimínelo y añádalo de nuevo."),
                         QStringLiteral("Registro no modificable"));
        return;
    }
    ui::windows().showForm2()->editEntry(index, *fields, line);
}

void Form1::fillListMenu(QMenu &menu) {
    QAction *modify =
        menu.addAction(QStringLiteral("Modificar…"), QKeySequence(Qt::Key_F2), this, &Form1::modifySelected);
    modify->setEnabled(selectedIndex() >= 0);
    QAction *undo = menu.addAction(m_undo->canUndo() ? QStringLiteral("Deshacer: ") + m_undo->undoText()
                                                     : QStringLiteral("Deshacer"),
                                   QKeySequence(Qt::CTRL | Qt::Key_Z), m_undo, &QUndoStack::undo);
    undo->setEnabled(m_undo->canUndo());
    QAction *redo = menu.addAction(m_undo->canRedo() ? QStringLiteral("Rehacer: ") + m_undo->redoText()
                                                     : QStringLiteral("Rehacer"),
                                   QKeySequence(Qt::CTRL | Qt::Key_Y), m_undo, &QUndoStack::redo);
    redo->setEnabled(m_undo->canRedo());
    menu.addSeparator();
    menu.addAction(QStringLiteral("Exportar…"), QKeySequence(Qt::CTRL | Qt::Key_E), this, &Form1::exportList);
    menu.addAction(QStringLiteral("Exportar a PDF…"), this, [this] { exporting::exportPdf(this); });
    menu.addAction(QStringLiteral("Importar movimientos…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O),
                   this, &Form1::importMovements);
    menu.addAction(QStringLiteral("Buscar…"), QKeySequence(Qt::CTRL | Qt::Key_F), this, &Form1::findInList);
    menu.addAction(QStringLiteral("Gráfico"), QKeySequence(Qt::CTRL | Qt::Key_G), this, &Form1::showChart);
    menu.addSeparator();
    menu.addAction(QStringLiteral("Versiones guardadas…"), QKeySequence(Qt::CTRL | Qt::Key_H), this,
                   &Form1::showVersions);
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
    // Qt's own dialog in the program's look, as the export's.
    QFileDialog dialog(this, QStringLiteral("Importar movimientos"), report::documentsFolder(),
                       QStringLiteral("Extractos bancarios (*.csv *.txt *.n43 *.aeb *.q43 *.ofx *.qfx);;"
                                      "Todos los archivos (*)"));
    dialog.setObjectName(QStringLiteral("importar_archivo"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    ui::fileDialogLook(&dialog);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        ImportWindow::previewFile(this, dialog.selectedFiles().first());
}

void Form1::showVersions() {
    VersionsWindow *window = ui::windows().showVersions();
    const storage::Result<ledgerformat::LedgerPaths> paths =
        windowTitle() == noUserCaption() ? storage::Result<ledgerformat::LedgerPaths>(storage::Error())
                                         : accountInUse().ledgerPaths();
    window->showLedger(user1->text(), paths ? std::optional(*paths) : std::nullopt);
}
