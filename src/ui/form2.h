// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/entry_text.h"

#include <QWidget>

class QLabel;
class QKeyEvent;
class QLineEdit;

namespace ui {
class Picture;
class PictureButton;
class OptionButton;
} // namespace ui

// The entry dialog: one entry is typed here, completed and added to the
// ledger window's list and total, or an entry of the list is corrected.
class Form2 : public QWidget {
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);

    ui::OptionButton *opt1;    // income
    ui::OptionButton *opt2;    // expense
    QLineEdit *txt1;           // whole units, digits only
    QLineEdit *txt2;           // where the money came from or went to
    QLineEdit *txt3;           // date text
    QLineEdit *cd;             // cents, at most two characters
    ui::PictureButton *Image3; // Añadir
    ui::PictureButton *Image4; // Cancelar
    ui::Picture *Image1;       // background
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLabel *Label6;

    // Shows the dialog for a new entry; after a correction, its boxes hold
    // again what they held before it.
    void startAdding();
    // Shows the dialog filled in from the line at the row, to correct it:
    // accepting puts the entry in that line's place.
    void editEntry(int row, const entrytext::Fields &fields, const QString &line);
    // Whether the dialog corrects a line rather than adding one.
    bool isEditing() const { return m_editing.has_value(); }

public slots:
    void Form_Load();
    void Image3_Click();
    void Image4_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The key-press hook of txt1: true when the typed character is dropped.
    bool Txt1_Keypress(QKeyEvent *event);
    // The key-press hook of cd: true when the key has been dealt with.
    bool Cd_Keypress(QKeyEvent *event);
    // The two amount boxes as they stand, for the amount rules.
    entrytext::AmountBoxes amountBoxes() const;
    // Forgets what typing into the cents box has noted.
    void forgetCentsTyping();
    void refuse(const QString &text, const QString &title);
    // Empties the boxes for the next entry; the cents box keeps its text.
    void clearBoxes();
    // Back from correcting to adding: the caption, the button and the boxes.
    void stopEditing();

    struct Boxes {
        bool income = true;
        QString units, cents, source, date;
    };
    Boxes shownBoxes() const;
    void setBoxes(const Boxes &boxes);
    // The line being corrected, at its row, as the dialog was filled from it.
    struct Editing {
        int row = -1;
        QString line;
        Boxes before; // what the boxes held for adding
    };
    std::optional<Editing> m_editing;

    bool m_shownOnce = false;
    // Since the last move to the cents box on a separator that may group
    // digits: what the cents box held before it.
    std::optional<QString> m_centsBeforeGroup;
    // A character was typed into the full cents box and dropped.
    bool m_centsOverflow = false;
    // The cents box has just got the focus from a click, not yet handled.
    bool m_clickFocusedCents = false;
};
