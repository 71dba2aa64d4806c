// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

namespace clocktext {

QString dateText(const QDate &date, const QLocale &locale) {
    return locale.toString(date, QLocale::ShortFormat);
}

QString timeText(const QTime &time, const QLocale &locale) {
    return locale.toString(time, QLocale::ShortFormat);
}

QString today() {
    return dateText(QDate::currentDate());
}

} // namespace clocktext
