// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/messages.h"

#include <QString>

class QWidget;

namespace messagebox {

// A modal message box with the text, the title, a single OK button and no
// icon. Returns once the user has dismissed it.
void show(QWidget *parent, const QString &text, const QString &title);
void show(QWidget *parent, const messages::Message &message);

} // namespace messagebox
