// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/messagebox.h"

#include <QMessageBox>

namespace messagebox {

void show(QWidget *parent, const QString &text, const QString &title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("mensaje"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void show(QWidget *parent, const messages::Message &message) {
    show(parent, message.text, message.title);
}

} // namespace messagebox
