// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

namespace fonts {

// Makes Tahoma and MS Sans Serif available to the application: when the
// system does not know those families, the metric-compatible faces shipped
// by Debian's fonts-wine are registered with the application. Safe to call
// more than once.
void registerFonts();

// A font of the family, or of the closest sans face when it is missing.
QFont tahoma(qreal pointSize, bool bold = false);
// MS Sans Serif where its bitmap face is drawn at one of its own sizes;
// Tahoma at other sizes and wherever the screens scale the layout.
QFont msSansSerif(qreal pointSize);

// The windows' default font: MS Sans Serif at 8 points (or Tahoma, as above).
QFont dialogFont();

} // namespace fonts
