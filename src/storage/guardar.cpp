#include "storage/guardar.h"

#include "ledger/widgets.h"

#include <QLineEdit>

guardar::guardar(QWidget *parent)
    : AccountDialog(QStringLiteral("guardar"), QStringLiteral("Guardar "), "icon_save", "btn_guardar",
                    QRect(176, 280, 177, 25), parent) {
    setTabOrder(user, pass);
    connect(Image1, &ui::PictureButton::clicked, this, &guardar::Image1_Click);
    connect(Image2, &ui::PictureButton::clicked, this, &guardar::Image2_Click);
}

void guardar::Form_Load() {}

void guardar::Image1_Click() {}

void guardar::Image2_Click() {
    hide();
}
