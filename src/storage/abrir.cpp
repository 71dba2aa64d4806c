#include "storage/abrir.h"

#include "ledger/widgets.h"

#include <QLineEdit>

abrir::abrir(QWidget *parent)
    : AccountDialog(QStringLiteral("abrir"), QStringLiteral("Abrir"), "icon_open", "btn_abrir",
                    QRect(336, 40, 33, 25), parent) {
    setTabOrder(pass, user);
    connect(Image1, &ui::PictureButton::clicked, this, &abrir::Image1_Click);
    connect(Image2, &ui::PictureButton::clicked, this, &abrir::Image2_Click);
}

void abrir::Form_Load() {}

void abrir::Image1_Click() {}

void abrir::Image2_Click() {
    hide();
}
