// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/form2.h"

#include "model/clock.h"
#include "model/entry_text.h"
#include "model/numbertext.h"
#include "ui/accessibility.h"
#include "ui/entry_list.h"
#include "ui/fonts.h"
#include "ui/ledger_undo.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include <cmath>
#include <utility>

Form2::Form2(QWidget *parent) : QWidget(parent) {
    ui::setUpWindow(this, QStringLiteral("Form2"), QStringLiteral("Agregar Dato"), QSize(450, 178),
                    ui::CloseOnly, true);
    setWindowIcon(QIcon(ui::artwork("icon_entry")));

    Image1 =
        new ui::Picture(this, QStringLiteral("Image1"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Ingresos"), QRect(32, 16, 129, 17));
    Label2 = ui::label(this, QStringLiteral("Label2"), QStringLiteral("Gastos"), QRect(32, 40, 113, 17));
    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Cantidad de dinero"),
                       QRect(104, 24, 97, 17));
    Label4 = ui::label(this, QStringLiteral("Label4"), QStringLiteral("Procedencia:"), QRect(16, 72, 73, 25));
    Label5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("Fecha"), QRect(16, 112, 41, 25));
    Image3 = new ui::PictureButton(this, QStringLiteral("Image3"), ui::artwork("btn_anadir"),
                                   QRect(192, 144, 128, 42));
    Image4 = new ui::PictureButton(this, QStringLiteral("Image4"), ui::artwork("btn_cancelar"),
                                   QRect(328, 144, 128, 42));
    Label6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral(","), QRect(344, 16, 49, 41));
    Label6->setFont(fonts::msSansSerif(24));

    opt1 =
        new ui::OptionButton(this, QStringLiteral("opt1"), QStringLiteral("Option1"), QRect(16, 16, 17, 17));
    opt2 =
        new ui::OptionButton(this, QStringLiteral("opt2"), QStringLiteral("Option2"), QRect(16, 40, 17, 17));
    for (ui::OptionButton *option : {opt1, opt2}) {
        QPalette palette = option->palette();
        palette.setColor(QPalette::Window,
                         QApplication::palette().color(QPalette::Inactive, QPalette::Button));
        palette.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::WindowText));
        option->setPalette(palette);
        option->setAutoFillBackground(true);
    }

    txt1 = ui::textBox(this, QStringLiteral("txt1"), QStringLiteral("Text1"), QRect(208, 24, 137, 19));
    QPalette unitsPalette = txt1->palette();
    unitsPalette.setColor(QPalette::Text, Qt::black);
    txt1->setPalette(unitsPalette);
    txt2 = ui::textBox(this, QStringLiteral("txt2"), QStringLiteral("Text2"), QRect(88, 72, 345, 19));
    txt3 = ui::textBox(this, QStringLiteral("txt3"), QStringLiteral("Text3"), QRect(88, 112, 137, 19));
    cd = ui::textBox(this, QStringLiteral("cd"), QStringLiteral("Text1"), QRect(352, 24, 33, 19));
    cd->setAlignment(Qt::AlignCenter);

    setTabOrder(opt1, opt2);
    setTabOrder(opt2, txt1);
    setTabOrder(txt1, txt2);
    setTabOrder(txt2, txt3);
    setTabOrder(txt3, cd);

    txt1->installEventFilter(this);
    cd->installEventFilter(this);
    // Any edit of the cents box after an overflow is its correction.
    connect(cd, &QLineEdit::textEdited, this, [this] { m_centsOverflow = false; });
    connect(Image3, &ui::PictureButton::clicked, this, &Form2::Image3_Click);
    connect(Image4, &ui::PictureButton::clicked, this, &Form2::Image4_Click);
    ui::keepLabelsApart(this);
    ui::dialogKeys(this, Image3, Image4);

    ui::placeAt(this, QPoint(278, 346));
}

void Form2::Form_Load() {
    cd->setMaxLength(2);
    txt1->setText(QString());
    txt2->setText(QString());
    cd->setText(QStringLiteral("00"));
    txt3->setText(clocktext::today());
}

void Form2::startAdding() {
    stopEditing();
    ui::windows().showForm2();
}

Form2::Boxes Form2::shownBoxes() const {
    return {!opt2->isChecked(), txt1->text(), cd->text(), txt2->text(), txt3->text()};
}

void Form2::setBoxes(const Boxes &boxes) {
    (boxes.income ? opt1 : opt2)->setChecked(true);
    txt1->setText(boxes.units);
    cd->setText(boxes.cents);
    txt2->setText(boxes.source);
    txt3->setText(boxes.date);
    forgetCentsTyping();
}

void Form2::editEntry(int row, const entrytext::Fields &fields, const QString &line) {
    const Boxes before = m_editing ? m_editing->before : shownBoxes();
    m_editing = Editing{row, line, before};
    // Shown first: the first showing selects income.
    ui::windows().showForm2();
    setBoxes({fields.income, fields.units, fields.centsDigits, fields.source, fields.date});
    setWindowTitle(QStringLiteral("Modificar Dato"));
    Image3->setResource(ui::artwork("btn_modificar"));
    Image3->setAccessibleName(QStringLiteral("Modificar (Intro)"));
    Image3->setAccessibleDescription(QStringLiteral("Pone el registro en el lugar del que se modifica"));
    Image4->setAccessibleDescription(QStringLiteral("Cierra la ventana sin modificar nada"));
    txt1->setFocus(Qt::OtherFocusReason);
    txt1->selectAll();
}

void Form2::stopEditing() {
    if (!m_editing)
        return;
    const Boxes before = std::exchange(m_editing, std::nullopt)->before;
    setWindowTitle(QStringLiteral("Agregar Dato"));
    Image3->setResource(ui::artwork("btn_anadir"));
    accessibility::describe(this); // the names of adding again
    setBoxes(before);
}

void Form2::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    stopEditing();
}

void Form2::clearBoxes() {
    txt1->setText(QString());
    txt2->setText(QString());
    txt3->setText(clocktext::today());
    forgetCentsTyping();
}

void Form2::refuse(const QString &text, const QString &title) {
    messagebox::show(this, text, title);
}

void Form2::Image3_Click() {
    // Cents completion: a lone digit is tenths, an empty box no cents.
    const QString cents = entrytext::completeCents(cd->text());
    if (cents != cd->text())
        cd->setText(cents);

    if (txt1->text().isEmpty()) {
        refuse(QStringLiteral("Debe introducir una cantidad de dinero"),
               QStringLiteral("Introduzca la cantidad"));
        return;
    }

    Form1 *ledger = ui::windows().form1();
    if (!ledger)
        return;
    if (const QString characters = entrytext::unusableCharacters(txt3->text() + txt2->text());
        !characters.isEmpty()) {
        refuse(Form1::unusableCharactersText(characters), QStringLiteral("Caracteres no válidos"));
        return;
    }

    // Every refusal comes before the total, the list or a stored amount
    // changes.
    const entrytext::Amount amount = entrytext::readAmount(amountBoxes());
    switch (amount.problem) {
    case entrytext::AmountProblem::None:
        break;
    case entrytext::AmountProblem::NotDigits:
        refuse(QStringLiteral("La cantidad de dinero solo puede contener cifras del 0 al 9, "
                              "y los céntimos dos cifras."),
               QStringLiteral("Cantidad incorrecta"));
        return;
    case entrytext::AmountProblem::Unclear:
        refuse(QStringLiteral("La cantidad «%1» con los céntimos «%2» puede leerse de más de una manera. "
                              "Escriba las unidades solo con cifras, o agrupadas de tres en tres "
                              "(«%3»), y los céntimos, dos cifras, tras la coma.")
                   .arg(txt1->text(), cd->text(),
                        QStringLiteral("1") + QLocale().groupSeparator() + QStringLiteral("234")),
               QStringLiteral("Cantidad incorrecta"));
        return;
    case entrytext::AmountProblem::TooLarge:
        refuse(
            QStringLiteral("La cantidad es demasiado grande. La mayor cantidad que se puede anotar es %1 €.")
                .arg(numbertext::format(entrytext::kMaxAmountCents / 100.0)),
            QStringLiteral("Cantidad demasiado grande"));
        return;
    }
    if (!m_editing && ledger->lst->count() >= entrylist::kMaxLines) {
        refuse(QStringLiteral("La lista ya tiene %1 registros, el máximo posible. "
                              "Elimine alguno antes de añadir otro.")
                   .arg(entrylist::kMaxLines),
               QStringLiteral("Lista completa"));
        return;
    }
    // The line being corrected must still be where it was, as it was.
    const int row = m_editing ? m_editing->row : ledger->lst->count();
    if (m_editing && (row >= ledger->lst->count() || ledger->lst->item(row)->text() != m_editing->line)) {
        refuse(QStringLiteral("El registro que se estaba modificando ha cambiado o ya no está en la lista. "
                              "No se ha modificado nada."),
               QStringLiteral("Registro cambiado"));
        hide();
        return;
    }
    const std::optional<double> total = ledger->totalValue();
    if (!total) {
        refuse(QStringLiteral("El total no es un número válido. Corríjalo antes de %1 un registro.")
                   .arg(m_editing ? QStringLiteral("modificar") : QStringLiteral("añadir")),
               QStringLiteral("Total incorrecto"));
        return;
    }

    const bool income = opt1->isChecked();
    const qint32 signedCents = income ? amount.cents : -amount.cents;
    const qint64 moved = m_editing ? qint64(signedCents) - entrylist::cents(ledger->lst, row) : signedCents;
    const double newTotal =
        numbertext::moveByCents(*total, numbertext::decimalPlaces(ledger->txtt->text()), moved);
    if (!std::isfinite(newTotal)) {
        refuse(QStringLiteral("El total resultante es demasiado grande para anotarlo."),
               QStringLiteral("Total incorrecto"));
        return;
    }

    const QString text = entrytext::displayText(txt3->text(), income, amount.units, cd->text(), txt2->text());
    const QString name = QStringLiteral("%1 «%2»").arg(
        m_editing ? QStringLiteral("modificar") : QStringLiteral("añadir"), ledgerundo::lineName(text));
    ledger->changeLedger(name, row, m_editing ? 1 : 0, 1, [&] {
        ledger->setTotalText(numbertext::format(newTotal));
        entrylist::replace(ledger->lst, row, m_editing ? 1 : 0, {{text, signedCents}});
        ledger->applyClosingColour();
    });

    const bool edited = m_editing.has_value();
    hide();
    if (!edited)
        clearBoxes();
}

void Form2::Image4_Click() {
    if (m_editing) {
        hide(); // the boxes get back what they held for adding
        return;
    }
    clearBoxes();
    cd->setText(QStringLiteral("00"));
    hide();
}

entrytext::AmountBoxes Form2::amountBoxes() const {
    entrytext::AmountBoxes boxes;
    boxes.units = txt1->text();
    boxes.cents = cd->text();
    boxes.inCents = cd->hasFocus();
    boxes.centsSelected = !cd->text().isEmpty() && cd->selectedText() == cd->text();
    boxes.centsBeforeGroup = m_centsBeforeGroup;
    boxes.centsOverflow = m_centsOverflow;
    return boxes;
}

void Form2::forgetCentsTyping() {
    m_centsBeforeGroup.reset();
    m_centsOverflow = false;
}

bool Form2::eventFilter(QObject *watched, QEvent *event) {
    if (watched == txt1 && event->type() == QEvent::KeyPress)
        return Txt1_Keypress(static_cast<QKeyEvent *>(event));
    if (watched == cd) {
        switch (event->type()) {
        case QEvent::KeyPress:
            return Cd_Keypress(static_cast<QKeyEvent *>(event));
        case QEvent::MouseButtonPress:
            // The click that gives the cents box the focus leaves its text
            // selected, as Tab does, so that typing replaces it; a click
            // inside the box that has the focus places the cursor.
            if (std::exchange(m_clickFocusedCents, false)) {
                cd->selectAll();
                return true;
            }
            break;
        case QEvent::FocusIn:
            m_clickFocusedCents = static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason;
            cd->selectAll();
            break;
        case QEvent::FocusOut:
            m_clickFocusedCents = false;
            forgetCentsTyping();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool Form2::Cd_Keypress(QKeyEvent *event) {
    const QString text = event->text();
    if (text.size() != 1 || !text.at(0).isPrint() || cd->cursorPosition() != cd->text().size() ||
        (cd->hasSelectedText() && cd->selectedText() != cd->text()))
        return false;
    entrytext::AmountBoxes boxes = amountBoxes();
    boxes.inCents = true;
    entrytext::typeKey(boxes, text.at(0));
    if (!boxes.inCents) {
        // The separator grouped digits: they go back to the units.
        txt1->setText(boxes.units);
        cd->setText(boxes.cents);
        forgetCentsTyping();
        txt1->setFocus(Qt::OtherFocusReason);
        txt1->end(false);
        return true;
    }
    m_centsOverflow = boxes.centsOverflow;
    return false;
}

bool Form2::Txt1_Keypress(QKeyEvent *event) {
    // Keys that type no character (arrows, Delete, Tab) are not filtered,
    // nor are the editing keys the context menu offers too.
    const QString text = event->text();
    if (text.isEmpty() || event->key() == Qt::Key_Delete || event->key() == Qt::Key_Tab ||
        event->key() == Qt::Key_Backtab)
        return false;
    for (const QKeySequence::StandardKey editing :
         {QKeySequence::SelectAll, QKeySequence::Copy, QKeySequence::Paste, QKeySequence::Cut,
          QKeySequence::Undo}) {
        if (event->matches(editing))
            return false;
    }
    if (text.size() == 1 && text.at(0).isPrint()) {
        entrytext::AmountBoxes boxes = amountBoxes();
        boxes.inCents = false;
        entrytext::typeKey(boxes, text.at(0));
        if (boxes.inCents) {
            // The separator ends the units: the cents follow, in cd.
            cd->setFocus(Qt::TabFocusReason);
            cd->selectAll();
            m_centsBeforeGroup = boxes.centsBeforeGroup;
            m_centsOverflow = false;
            return true;
        }
        return boxes.units == txt1->text(); // dropped unless typed
    }
    for (QChar c : text) {
        if (!entrytext::passesUnitsFilter(c.unicode()))
            return true; // the character is dropped
    }
    return false;
}

void Form2::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        // The first time the dialog is shown the focus goes to opt1, which
        // thereby selects income.
        opt1->setFocus(Qt::TabFocusReason);
        opt1->setChecked(true);
    }
}
