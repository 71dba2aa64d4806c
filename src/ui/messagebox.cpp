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

int ask(QWidget *parent, const QString &title, const QString &text, const QStringList &buttons,
        int defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("pregunta"));
    box.setWindowModality(Qt::ApplicationModal);
    QList<QPushButton *> pushButtons;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const QMessageBox::ButtonRole role = i == 0                    ? QMessageBox::AcceptRole
                                             : i + 1 == buttons.size() ? QMessageBox::RejectRole
                                                                       : QMessageBox::DestructiveRole;
        pushButtons << box.addButton(buttons.at(i), role);
    }
    box.setDefaultButton(pushButtons.value(defaultButton));
    box.setEscapeButton(pushButtons.last());
    fitTitle(box);
    box.exec();
    const qsizetype pressed = pushButtons.indexOf(box.clickedButton());
    return int(pressed < 0 ? buttons.size() - 1 : pressed);
}

Answer askToSaveChanges(QWidget *parent) {
    switch (ask(parent, QStringLiteral("Cambios sin guardar"),
                QStringLiteral("Hay cambios sin guardar en este registro. ¿Desea guardarlos?"),
                {QStringLiteral("Guardar"), QStringLiteral("Descartar"), QStringLiteral("Cancelar")})) {
    case 0:
        return Answer::Save;
    case 1:
        return Answer::Discard;
    default:
        return Answer::Cancel;
    }
}

void show(QWidget *parent, const messages::Message &message) {

    show(parent, message.text, message.title);
}

} // namespace messagebox
