// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/storage_error.h"

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// Every file operation of the account storage goes through one FileSystem,
// so that a test can put its own in place and make any single step fail.
// Each returns its result or why it failed. The calls that differ between
// systems are in platform_unix.cpp and platform_win.cpp.
namespace storage {

// What a path names (through links).
enum class PathKind { Missing, File, Directory, Other };

// Whether writing through a symbolic link at the file's name reaches the
// file it points to (a ledger file kept elsewhere), or replaces the link
// with a file of its own (our own files, which are never links).
enum class Links { Follow, Replace };

class FileSystem {
public:
    virtual ~FileSystem();

    virtual Result<PathKind> kind(const QString &path);
    // Creates a directory and every missing parent; an existing directory
    // is no failure, a file in its place or in a parent's FileInTheWay.
    virtual Status makeDirectory(const QString &path);
    // Removes an empty directory; a missing one is no failure.
    virtual Status removeDirectory(const QString &path);
    // The whole content of a regular file of at most limit bytes. Opening
    // it never waits (a named pipe would), and anything but a regular file
    // is refused: a folder as FolderInTheWay, anything else as
    // NotRegularFile; a larger file as TooLarge.
    virtual Result<QByteArray> read(const QString &path, qint64 limit = kDefaultReadLimit);
    // Makes the bytes the file's content from offset from on, in place,
    // keeping the bytes before it, creating the file when missing, and
    // durable before returning. A file shorter than from is Shortened.
    virtual Status write(const QString &path, const QByteArray &bytes, Links links, qint64 from = 0);
    // Whether the file can be opened for writing, as write() will, without
    // changing it; a missing file is no failure (its folder decides).
    virtual Status writable(const QString &path);
    // Removes a file (or an empty folder, on Unix); a missing one is no
    // failure.
    virtual Status remove(const QString &path);
    // Renames whatever stands at path (a file, a folder, a pipe…) to the
    // first free name of path + ".apartado-1", "-2"… (never over anything
    // there) and returns that name.
    virtual Result<QString> setAside(const QString &path);
    // Makes the directory's new and removed names durable.
    virtual Status syncDirectory(const QString &path);
    // Gives the file at from the name to in one step, replacing a file of
    // that name; both lie in one directory.
    virtual Status rename(const QString &from, const QString &to);
    // The names in a directory, hidden ones too, without "." and "..", in
    // no order; a missing directory is Failure::Missing.
    virtual Result<QStringList> list(const QString &directory);

    // Ledger files are far smaller: 32767 entries of a thousand characters
    // each still fit.
    static constexpr qint64 kDefaultReadLimit = qint64(32) * 1024 * 1024;
};

// The failure a system error code names: errno on Unix, GetLastError() on
// Windows (platform_unix.cpp, platform_win.cpp). A code without a kind of
// its own is Failure::System with that code.
Error systemError(int code);

// Makes one directory, whose parent is there (for makeDirectory()).
Status createDirectory(const QString &path);

// The failure a file device (QFile, QSaveFile) names for its last error,
// whose own text is in English.
Error deviceError(const QFileDevice &device);

// What stands at one of our own file names when it is no regular file: a
// folder, or something else (a pipe, a socket, a device).
Error notAFile(bool folder, const QString &path);

// For the system's FileSystem::read(): the content of an open file of size
// bytes, read piece by piece by readSome (the bytes it read into the room
// given, none at the end) and never more than limit + 1 bytes. A file
// larger than limit, or grown past it while read, is TooLarge.
Result<QByteArray> readWhole(const QString &path, qint64 size, qint64 limit,
                             const std::function<Result<qint64>(char *, qint64)> &readSome);

// The file system in use: the real one unless a test has put another in
// place.
FileSystem &fileSystem();

// A ledger file's bytes through the file system in use; a missing file is
// empty.
Result<QByteArray> readOrEmpty(const QString &path);

// Puts a file system in place for its lifetime (tests only).
class ScopedFileSystem {
public:
    explicit ScopedFileSystem(FileSystem &replacement);
    ~ScopedFileSystem();
    ScopedFileSystem(const ScopedFileSystem &) = delete;
    ScopedFileSystem &operator=(const ScopedFileSystem &) = delete;

private:
    FileSystem *m_previous;
};

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
    friend Result<FileLock> lockFile(const QString &path, int waitMs);
    qintptr m_handle = -1;
    QString m_path; // removed while still locked, when let go
};

// Locks the file, made where missing and removed again when let go,
// waiting up to waitMs for another process to let go (AccountInUse).
// Something at that name that cannot be locked (a folder, a pipe, a socket,
// a file this user may not open; on Windows a folder) is set aside where the
// folder lets it be renamed; otherwise a folder there is FolderInTheWay,
// anything else but a file NotRegularFile.
// Where the folder can be neither written nor locked in, no one can change
// it either, and no lock is needed: the lock returned holds nothing.
Result<FileLock> lockFile(const QString &path, int waitMs);

} // namespace storage
