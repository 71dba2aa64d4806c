// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/another_copy.h"

#include <QPushButton>

namespace singleinstance {

AnotherCopyQuestion::AnotherCopyQuestion()
    : QMessageBox(QMessageBox::NoIcon, QStringLiteral("Tesorila"),
                  QStringLiteral("Tesorila ya está abierto, pero no responde.\n\n"
                                 "¿Desea abrir otra ventana de Tesorila?"),
                  QMessageBox::NoButton) {
    setObjectName(QStringLiteral("mensaje"));
    setWindowModality(Qt::ApplicationModal);
    m_open = addButton(QStringLiteral("Sí"), QMessageBox::YesRole);
    setDefaultButton(addButton(QStringLiteral("No"), QMessageBox::NoRole));
}

bool AnotherCopyQuestion::userOpensAnother() {
    exec();
    return clickedButton() == m_open;
}

} // namespace singleinstance
