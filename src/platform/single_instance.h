// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QWidget;

// One running copy of the program per user and display: a later start asks
// the running copy to bring its main window to the front, and ends.
namespace singleinstance {

// Called once the application object exists and before any window is shown.
// Returns false when a copy of this user already runs on this display and has
// brought its main window to the front: the caller then ends. Otherwise
// returns true, and this process serves later starts from then on: each one
// calls `mainWindow`, which shows the main window (creating it if it does not
// exist) and returns it; the window is then restored if minimised, raised
// and activated.
//
// This never keeps the program from starting: without a usable runtime
// folder, or when the running copy does not answer, the program starts as if
// it were the only copy.
bool claim(std::function<QWidget *()> mainWindow);

} // namespace singleinstance
