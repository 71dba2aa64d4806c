// SPDX-License-Identifier: GPL-3.0-or-later
// The windows on the Unix systems.
#include "ui/platform.h"

#include <QLibrary>

namespace platform {

QStringList fontFolders() {
    return {QStringLiteral("/usr/share/wine/fonts"), QStringLiteral("/usr/local/share/wine/fonts")};
}

bool lacksSansSerif() {
    return false; // fontconfig resolves it to one of the desktop's faces
}

// libcups keeps the answer as the calling thread's last status, which is
// read here from the library Qt's print support has already loaded.
bool printSystemRefusedJob() {
#ifdef Q_OS_DARWIN
    return false; // Qt's print support there does not go through libcups' calls
#else
    QLibrary cups(QStringLiteral("cups"), 2);
    using LastError = int (*)();
    const auto lastError = reinterpret_cast<LastError>(cups.resolve("cupsLastError"));
    if (!lastError)
        return false;
    constexpr int kFirstErrorStatus = 0x0400; // IPP client-error-bad-request
    return lastError() >= kFirstErrorStatus;
#endif
}

} // namespace platform
