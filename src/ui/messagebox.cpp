// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/messagebox.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QList>
#include <QMessageBox>
#include <QPushButton>

namespace messagebox {

namespace {

// The faces a window manager may draw a title in: the one the platform
// names, the box's own in bold, and, for the window managers that do not
// say (openbox and most others on X11), a wide sans in bold at 10 points,
// as wide as the widest in common use (DejaVu Sans Bold at 8 or 9 points,
// Cantarell Bold at 11, Noto Sans at 10, Segoe UI at 9 are narrower).
QList<QFont> titleFonts(const QFont &boxFont) {
    QFont platform = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    platform.setBold(true);
    QFont own = boxFont;
    own.setBold(true);
    QFont wide(QStringLiteral("DejaVu Sans"));
    wide.setFamilies(
        {QStringLiteral("DejaVu Sans"), QStringLiteral("Verdana"), QStringLiteral("Sans Serif")});
    wide.setPointSizeF(10);
    wide.setBold(true);
    return {platform, own, wide};
}

// Qt sizes a box for its title in the box's own font and leaves 50 pixels
// for the title bar's buttons; window managers draw the title in bold, often
// in a larger or wider face, beside an icon and up to three buttons. A box
// whose contents are narrower than the widest of those titles needs gets an
// empty row of that width, so that a box whose title already fits keeps its
// size.
void fitTitle(QMessageBox &box) {
    int needed = 0;
    for (const QFont &font : titleFonts(box.font())) {
        const QFontMetrics metrics(font);
        // The icon and three buttons, each about as wide as the bar is tall
        // (the font's height and some padding), with the gaps between them
        // and the title's own margins: openbox's bar takes that much.
        const int titleBarButtons = 6 * (metrics.height() + 8);
        needed = qMax(needed, metrics.horizontalAdvance(box.windowTitle()) + titleBarButtons);
    }
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
