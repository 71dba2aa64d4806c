// SPDX-License-Identifier: GPL-3.0-or-later
// The windows on Windows.
#include "ui/platform.h"

namespace platform {

QStringList fontFolders() {
    return {}; // the faces are the system's own
}

bool lacksSansSerif() {
    return true;
}

bool printSystemRefusedJob() {
    return false; // no status of the print system to read
}

} // namespace platform
