// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/data_root.h"

namespace dataroot {

namespace {

bool isReservedWindowsName(const QString &name) {
    // The device name counts with any extension ("NUL.txt") and with blanks
    // before the extension ("CON .txt").
    QString base = name.left(name.indexOf(QLatin1Char('.')));
    while (base.endsWith(QLatin1Char(' ')))
        base.chop(1);
    base = base.toUpper();
    static const QLatin1String kDevices[] = {QLatin1String("CON"),    QLatin1String("PRN"),
                                             QLatin1String("AUX"),    QLatin1String("NUL"),
                                             QLatin1String("CONIN$"), QLatin1String("CONOUT$")};
    for (const QLatin1String &device : kDevices) {
        if (base == device)
            return true;
    }
    if (base.size() == 4 &&
        (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT")))) {
        const QChar last = base.at(3);
        // COM1 … COM9, and the superscript digits ¹ ² ³ that Windows also reserves.
        if ((last >= QLatin1Char('1') && last <= QLatin1Char('9')) || last == QChar(0x00B9) ||
            last == QChar(0x00B2) || last == QChar(0x00B3))
            return true;
    }
    return false;
}

// The longest path Windows takes without its long-path prefix (MAX_PATH,
// less the closing NUL); the length of "C:\Tesorila\"; and the longest name
// of a file in an account folder, a journal set aside:
// "74999999999999,5.text.commit.apartado-99".
constexpr qsizetype kWindowsLongestPath = 259;
constexpr qsizetype kWindowsRootLength = 12;
constexpr qsizetype kLongestFileName = 40;

} // namespace

std::optional<storage::Error> newAccountRefusal(const QString &name) {
    if (!isSafeDirectoryName(name, NameRules::Windows))
        return storage::Error(storage::Failure::WindowsUserName);
    constexpr qsizetype longest = kWindowsLongestPath - kWindowsRootLength - 1 - kLongestFileName;
    if (name.size() > longest)
        return storage::Error::over(storage::Failure::UserNameTooLong, longest);
    return std::nullopt;
}

bool isSafeDirectoryName(const QString &name, NameRules rules) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    const bool windows = rules == NameRules::Windows;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control ||
            (windows && QStringView(u"<>:\"|?*").contains(c)))
            return false;
        // A lone surrogate has no encoded form and would name some other directory.
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }
    if (!windows)
        return name.toUtf8().size() <= 255;
    return name.size() <= 255 && !name.endsWith(QLatin1Char('.')) && !name.endsWith(QLatin1Char(' ')) &&
           !isReservedWindowsName(name);
}

} // namespace dataroot
