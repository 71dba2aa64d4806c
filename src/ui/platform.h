// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// What the windows need to know of the system they run on; defined in
// platform_unix.cpp and platform_win.cpp.
namespace platform {

// The folders where the Windows faces the application brings may lie
// (fonts-wine's); none where the system has those faces itself.
QStringList fontFolders();

// Whether the system resolves the generic family "sans-serif" to no face of
// sans-serif shape (Windows knows no face of that name and draws a serif
// one), so that the application names the face itself.
bool lacksSansSerif();

// Qt hands a finished print job to the print system inside QPainter::end()
// and keeps no note of its answer: true when the print system refused the
// last job, false where there is no telling.
bool printSystemRefusedJob();

} // namespace platform
