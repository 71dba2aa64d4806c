// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/platform.h"
#include "model/storage_error.h"

#include <QByteArray>
#include <QString>

// Every file operation of the account storage goes through one FileSystem,
// so that a test can put its own in place and make any single step fail.
// Each returns its result or why it failed.
namespace storage {

// What a path names (through links).
enum class PathKind { Missing, File, Directory, Other };

class FileSystem {
public:
    virtual ~FileSystem();

    virtual Result<PathKind> kind(const QString &path);
    // Creates one directory; an existing directory is no failure.
    virtual Status makeDirectory(const QString &path);
    // Creates a directory and every missing parent.
    virtual Status makePath(const QString &path);
    // Removes an empty directory.
    virtual Status removeDirectory(const QString &path);
    // See platform::readFile.
    virtual Result<QByteArray> read(const QString &path, qint64 limit = kDefaultReadLimit);
    // See platform::writeFile.
    virtual Status write(const QString &path, const QByteArray &bytes, platform::Links links,
                         qint64 from = 0);
    // Removes a file; a missing file is no failure.
    virtual Status remove(const QString &path);
    // Makes the directory's new and removed names durable.
    virtual Status syncDirectory(const QString &path);

    // Ledger files are far smaller: 32767 entries of a thousand characters
    // each still fit.
    static constexpr qint64 kDefaultReadLimit = qint64(32) * 1024 * 1024;
};

// The file system in use: the real one unless a test has put another in
// place.
FileSystem &fileSystem();

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

} // namespace storage
