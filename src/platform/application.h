// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace application {

// Names the application, registers its fonts, sets its icon and default
// font. The ledger window is shown by the caller.
void setUp(QApplication &app);

} // namespace application
