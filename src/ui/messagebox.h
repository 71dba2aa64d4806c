// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/messages.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace messagebox {

// A modal message box with the text, the title, a single OK button and no
// icon, at least as wide as its title needs. Returns once the user has
// dismissed it.
void show(QWidget *parent, const QString &text, const QString &title);
void show(QWidget *parent, const messages::Message &message);

// A modal question with the buttons named, no icon: the first button
// accepts, the last one cancels (also Escape and the close button) and any
// between them is the alternative; Enter presses the default one. Returns
// the index of the button pressed.
int ask(QWidget *parent, const QString &title, const QString &text, const QStringList &buttons,
        int defaultButton = 0);

// The answers to the question before unsaved entries are thrown away.
enum class Answer { Save, Discard, Cancel };

// Asks whether the ledger's unsaved changes are to be saved first: Guardar,
// Descartar or Cancelar (also Escape and the close button), no icon.
Answer askToSaveChanges(QWidget *parent);

} // namespace messagebox
