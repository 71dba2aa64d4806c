// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/messagebox.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>

namespace messagebox {

namespace {

// Qt sizes a box for its title in the box's own font and leaves 50 pixels
// for the title bar's buttons; window managers draw the title in bold, often
// in a larger face, beside an icon and up to three buttons. A box whose
// contents are narrower than that gets an empty row of the width needed, so
// that a box whose title already fits keeps its size.
void fitTitle(QMessageBox &box) {
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    if (titleFont.pointSizeF() < box.font().pointSizeF())
        titleFont.setPointSizeF(box.font().pointSizeF());
    const int titleBarButtons = 4 * QFontMetrics(titleFont).height() + 24;
    const int needed = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + titleBarButtons;
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    const int ownWidth =
        qMax(grid->totalSizeHint().width(), box.fontMetrics().horizontalAdvance(box.windowTitle()) + 50);
    if (needed <= ownWidth)
        return;
    grid->addItem(new QSpacerItem(needed - 2 * grid->contentsMargins().left(), 0, QSizePolicy::Minimum,
                                  QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

} // namespace

void show(QWidget *parent, const QString &text, const QString &title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("mensaje"));
    box.setWindowModality(Qt::ApplicationModal);
    fitTitle(box);
    box.exec();
}

Answer askToSaveChanges(QWidget *parent) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Cambios sin guardar"),
                    QStringLiteral("Hay cambios sin guardar en este registro. ¿Desea guardarlos?"),
                    QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("pregunta"));
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton *save = box.addButton(QStringLiteral("Guardar"), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(QStringLiteral("Descartar"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    fitTitle(box);
    box.exec();
    if (box.clickedButton() == save)
        return Answer::Save;
    if (box.clickedButton() == discard)
        return Answer::Discard;
    return Answer::Cancel;
}

void show(QWidget *parent, const messages::Message &message) {

    show(parent, message.text, message.title);
}

} // namespace messagebox
