// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/search_text.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;

namespace ui {
class Picture;
class PictureButton;
} // namespace ui

// The find window: one text box whose text Enter or F3 looks for in the
// ledger list's lines from the selected one on, Shift+F3 backwards, round
// the end, without regard to case or accents. The line found is selected
// and scrolled into view; the list's lines and their order never change.
class buscar : public QWidget {
    Q_OBJECT
public:
    explicit buscar(QWidget *parent = nullptr);

    // The keyboard in the text box, its text selected.
    void focusBox();
    // Selects the next line (or the previous one) holding the box's text
    // and says which match it is, "3 de 12", or that there is none.
    void findNext(bool forward);

    ui::Picture *Image1;       // background
    QLabel *Label1;            // what the box is for
    QLineEdit *txt;            // the text to find
    QLabel *Label2;            // the result
    ui::PictureButton *Image2; // Anterior
    ui::PictureButton *Image3; // Siguiente
    ui::PictureButton *Image4; // Cerrar

private:
    QPointer<QListWidget> m_list;
    // The list's lines folded for finding, following the list's changes.
    searchtext::Finder m_finder;
};
