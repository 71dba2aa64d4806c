// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/storage_error.h"

#include <QChar>
#include <QString>
#include <QStringList>

#include <optional>

// What the readers of bank statements share.
namespace bankimport::detail {

// An amount in cents, as parseAmount() reads it; with a decimal separator
// given, that one alone is the decimal one (and the other may group).
std::optional<qint64> parseAmount(const QString &text, std::optional<QChar> decimal);

// The lines of a text, each ended by CR LF, a lone CR or a lone LF.
QStringList splitLines(const QString &text);

// Whether the text holds a letter of any script.
bool hasLetter(QStringView text);

// A file in which no movement was found.
storage::Error nothingFound();

} // namespace bankimport::detail
