// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <optional>
#include <system_error>

// Where the ledgers live, and the few file-system rules that differ between
// Windows and the Unix systems.
namespace dataroot {

// The naming rules of a file system family.
enum class NameRules { Unix, Windows };

// The rules of the system the program runs on.
NameRules nativeRules();

// The separator between path components: "\" on Windows, "/" elsewhere.
QString separator(NameRules rules = nativeRules());

// The data root with its closing separator: exactly "C:\Tesorila\" on
// Windows; elsewhere "Tesorila/" inside the XDG data home.
QString path();

// The marker file inside the data root.
QString markerPath();

// True when the name can be used as one directory name directly below the
// data root: not empty, not "." or "..", no "/" or "\", no control
// characters, and at most 255 bytes in the file system's encoding (UTF-8 on
// Unix, UTF-16 units on Windows). Windows also refuses its reserved device
// names (CON, NUL, COM1, …, with or without an extension), the characters
// < > : " | ? * and a trailing dot or blank.
bool isSafeDirectoryName(const QString &name, NameRules rules = nativeRules());

// The path as the standard library wants it, in the file system's encoding.
std::filesystem::path nativePath(const QString &path);

// Makes the directory's entries (new, renamed or removed names) durable.
// Windows has no such call and commits directory changes itself.
bool syncDirectory(const QString &path);

// The whole content of the file, or nothing with the reason in error. Only
// a regular file is read, and opening it never waits (a named pipe would
// block until someone writes to it): anything else fails with
// invalid_argument (is_a_directory for a directory). A file of more than
// limit bytes fails with file_too_large, having read at most limit + 1.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 limit, std::error_code &error);

// The reason of a file-system failure in the user's words, in Spanish: the
// usual ones (disk full, permission denied, read-only disk, folder missing,
// file too large, …) spelt out, any other by the system's own description.
QString reasonText(std::error_code error);

// Makes an open file's written bytes durable; the handle is the file's
// descriptor.
bool syncFile(int handle);

// What tells one version of a file from another. Replacing a file through
// a new file and a rename gives it a new identity (device and inode), and
// writing in place changes its size or its modification time.
struct FileStamp {
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modified = 0; // nanoseconds since the epoch

    friend bool operator==(const FileStamp &a, const FileStamp &b) {
        return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.size == b.size &&
               a.modified == b.modified;
    }
    friend bool operator!=(const FileStamp &a, const FileStamp &b) { return !(a == b); }
};

// The stamp of the file the path names (through links); one that does not
// exist when nothing is there. Nothing, with the reason in error, when the
// system cannot tell.
std::optional<FileStamp> fileStamp(const QString &path, std::error_code &error);

} // namespace dataroot
