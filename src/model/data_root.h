// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/storage_error.h"

#include <QString>

#include <optional>

// Where the ledgers live, and the few file-system rules that differ between
// Windows and the Unix systems. What depends on the system the program runs
// on is defined in platform_unix.cpp and platform_win.cpp; the separator
// between path components is QDir::separator().
namespace dataroot {

// The naming rules of a file system family.
enum class NameRules { Unix, Windows };

// The rules of the system the program runs on.
NameRules nativeRules();

// The data root with its closing separator: exactly "C:\Tesorila\" on
// Windows; elsewhere "Tesorila/" inside the XDG data home.
QString path();

// The marker file inside the data root.
inline QString markerPath() {
    return path() + QStringLiteral("noborrar.text");
}

// True when the name can be used as one directory name directly below the
// data root: not empty, not "." or "..", no "/" or "\", no control
// characters, and at most 255 bytes in the file system's encoding (UTF-8 on
// Unix, UTF-16 units on Windows). Windows also refuses its reserved device
// names (CON, NUL, COM1, …, with or without an extension), the characters
// < > : " | ? * and a trailing dot or blank.
bool isSafeDirectoryName(const QString &name, NameRules rules = nativeRules());

// Why no account is made under the name, on any system alike, so that each
// account can move between them: a name Windows cannot hold as a folder
// (WindowsUserName), or one so long that the paths of the account's files
// below C:\Tesorila\ would pass Windows' limit (UserNameTooLong); none when
// an account can be made. An account that is there keeps its name.
std::optional<storage::Error> newAccountRefusal(const QString &name);

} // namespace dataroot
