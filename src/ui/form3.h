// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;

namespace ui {
class Picture;
}

// The About window: names the product and its version. It has no commands
// and keeps no data.
class Form3 : public QWidget {
    Q_OBJECT
public:
    explicit Form3(QWidget *parent = nullptr);

    ui::Picture *Image1; // logo
    ui::Picture *Image2; // background
    QLabel *Label1;      // copyright line
    QLabel *Label2;      // product and version
    QLabel *Label3;      // what the application is for
    QLabel *Label4;      // credits line
    QLabel *Label5;      // web address
};
