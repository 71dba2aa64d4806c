// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/storage_error.h"

#include <QByteArray>
#include <QString>

#include <utility>

// The few file calls that differ between systems, one file per system
// (platform_unix.cpp, platform_win.cpp).
namespace platform {

// Whether writing through a symbolic link at the file's name reaches the
// file it points to (a ledger file kept elsewhere), or replaces the link
// with a file of its own (our own files, which are never links).
enum class Links { Follow, Replace };

// The whole content of a regular file of at most limit bytes. Opening it
// never waits (a named pipe would), and anything but a regular file is
// refused: NotRegularFile, FolderAtFile; a larger one is TooLarge.
storage::Result<QByteArray> readFile(const QString &path, qint64 limit);

// Makes the bytes the file's content from offset from on, in place, keeping
// the bytes before it, creating the file when missing, and durable before
// returning. A file shorter than from is refused.
storage::Status writeFile(const QString &path, const QByteArray &bytes, Links links, qint64 from = 0);

// Removes a file (or an empty folder, on Unix); a missing one is no
// failure.
storage::Status removeFile(const QString &path);

// Makes the folder's new and removed names durable.
storage::Status syncDirectory(const QString &path);

// A lock the system holds on a file for this process until it is let go or
// the process ends, whatever the file holds or who made it.
class FileLock {
public:
    FileLock() = default;
    FileLock(FileLock &&other) noexcept
        : m_handle(std::exchange(other.m_handle, -1)), m_path(std::move(other.m_path)) {}
    FileLock &operator=(FileLock &&other) noexcept {
        std::swap(m_handle, other.m_handle);
        std::swap(m_path, other.m_path);
        return *this;
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    ~FileLock();

private:
    friend storage::Result<FileLock> lockFile(const QString &path, int waitMs);
    qintptr m_handle = -1;
    QString m_path; // removed while still locked, when let go
};

// Locks the file, made where missing and removed again when let go, waiting up to waitMs for another
// process to let go (AccountInUse). A folder or anything else at that name
// is NotOurs. Where the folder can be neither written nor locked in, no one
// can change it either, and no lock is needed: the lock returned holds
// nothing.
storage::Result<FileLock> lockFile(const QString &path, int waitMs);

} // namespace platform
