// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Date and time texts in the user's short formats.
namespace clocktext {

QString dateText(const QDate &date, const QLocale &locale = QLocale());
QString timeText(const QTime &time, const QLocale &locale = QLocale());

// Today's date in the user's short date format, without a time part.
QString today();

} // namespace clocktext
