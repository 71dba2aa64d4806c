// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form3.h"

#include "ui/widgets.h"

#include <QLabel>

Form3::Form3(QWidget *parent) : QWidget(parent) {
    ui::setUpWindow(this, QStringLiteral("Form3"), QStringLiteral("Acerca de..."), QSize(359, 150),
                    ui::CloseOnly, true);

    Image2 =
        new ui::Picture(this, QStringLiteral("Image2"), ui::artwork("background"), QRect(-8, -8, 1701, 1701));
    Label1 =
        ui::label(this, QStringLiteral("Label1"), QStringLiteral("© 2026 Tesorila"), QRect(8, 112, 129, 25));
    Label2 =
        ui::label(this, QStringLiteral("Label2"), QStringLiteral("Tesorila V 1.2"), QRect(136, 32, 161, 25));
    Label3 =
        ui::label(this, QStringLiteral("Label3"),
                  QStringLiteral("Aplicación de gestion economica de facil uso"), QRect(136, 48, 217, 25));
    Label4 = ui::label(this, QStringLiteral("Label4"),
                       QStringLiteral("Diseño y programación: equipo Tesorila"), QRect(136, 80, 217, 25));
    Label5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("https://tesorila.example.org"),
                       QRect(16, 96, 185, 17));
    Image1 = new ui::Picture(this, QStringLiteral("Image1"), ui::artwork("logo"), QRect(16, 24, 84, 65));

    ui::keepLabelsApart(this);
    ui::dialogKeys(this, nullptr, nullptr);
    ui::placeAt(this, QPoint(314, 332));
}
