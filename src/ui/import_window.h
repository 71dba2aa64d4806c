// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/bank_import.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QTableView;

namespace ui {
class Picture;
class PictureButton;
} // namespace ui

// The preview of a bank statement: the lines it will add to the ledger,
// the lines it will not add and why, and for a table the columns its
// dates, descriptions and amounts are read from. Añadir adds every line at
// once; Cancelar adds nothing. On a screen too small for it the window is
// smaller, its boxes narrower and the table of lines to add shorter.
class ImportWindow : public QWidget {
    Q_OBJECT
public:
    explicit ImportWindow(QWidget *parent = nullptr);

    // Reads the file and shows what it holds in the preview window; a file
    // that cannot be read, or holds no movement, gets a message instead and
    // the window is not shown. True when the preview is shown.
    static bool previewFile(QWidget *parent, const QString &path);

    // Shows the statement read from the file's bytes.
    void preview(const QString &fileName, const QByteArray &bytes, const bankimport::Statement &statement);

    ui::Picture *Image1;       // background
    ui::PictureButton *Image2; // Añadir
    ui::PictureButton *Image3; // Cancelar
    QLabel *Label1;            // the file and its format
    QLabel *Label2;            // how many found, added and skipped
    QLabel *Label3;            // "Fecha:"
    QLabel *Label4;            // "Procedencia:"
    QLabel *Label5;            // "Importe:"
    QLabel *Label6;            // above the skipped lines
    QComboBox *cmbFecha;
    QComboBox *cmbProcedencia;
    QComboBox *cmbImporte;
    QTableView *tblAnadir;   // the lines to add
    QTableView *tblOmitidas; // the lines not added, with their reasons

    // What Añadir would add now, and what it would not.
    const bankimport::Plan &plan() const { return m_plan; }

public slots:
    void Image2_Click();
    void Image3_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    // Reads the table again with the columns the boxes name.
    void columnsChosen();
    // Works out the lines again against the ledger as it is, and shows them.
    void replan();

    QString m_fileName;
    QByteArray m_bytes;
    bankimport::Statement m_statement;
    bankimport::Columns m_guessed; // the columns first read, with a debit and credit pair if any
    bankimport::Plan m_plan;
};
