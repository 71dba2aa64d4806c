// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/messages.h"

#include <QString>

class QWidget;

namespace messagebox {

// A modal message box with the text, the title, a single OK button and no
// icon, at least as wide as its title needs. Returns once the user has
// dismissed it.
void show(QWidget *parent, const QString &text, const QString &title);
void show(QWidget *parent, const messages::Message &message);

// The answers to the question before unsaved entries are thrown away.
enum class Answer { Save, Discard, Cancel };

// Asks whether the ledger's unsaved changes are to be saved first: Guardar,
// Descartar or Cancelar (also Escape and the close button), no icon.
Answer askToSaveChanges(QWidget *parent);

} // namespace messagebox
