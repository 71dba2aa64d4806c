// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/data_root.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <system_error>

class QSaveFile;

// Every file operation of the account storage goes through one FileSystem,
// so that a test can put its own in place and make any single step fail.
namespace storage {

// What a path names, as far as the file system can tell.
enum class PathKind { Missing, File, Directory, Other, Unknown };

class FileSystem {
public:
    virtual ~FileSystem();

    // Unknown when the file system cannot answer (as opposed to Missing).
    virtual PathKind kind(const QString &path);
    // Creates one directory; an existing directory is no failure.
    virtual bool makeDirectory(const QString &path);
    // Creates a directory and every missing parent.
    virtual bool makePath(const QString &path);
    // Removes an empty directory.
    virtual bool removeDirectory(const QString &path);
    // The whole content of a regular file of at most limit bytes, or
    // nothing. Nothing but a regular file is opened, so a pipe or a device
    // cannot block the read; such a file fails with invalid_argument, a
    // larger one with file_too_large.
    virtual std::optional<QByteArray> read(const QString &path, qint64 limit = kDefaultReadLimit);

    // The steps of writing a file through QSaveFile.
    virtual bool open(QSaveFile &file);
    virtual bool write(QSaveFile &file, const QByteArray &bytes);
    virtual bool sync(QSaveFile &file);
    virtual bool commit(QSaveFile &file);

    // Renames a file, replacing the target if there is one.
    virtual bool rename(const QString &from, const QString &to);
    // Removes a file; a missing file is no failure.
    virtual bool remove(const QString &path);
    // Makes the directory's new, renamed and removed names durable.
    virtual bool syncDirectory(const QString &path);
    // What the file is now (see dataroot::fileStamp), or nothing when the
    // file system cannot tell.
    virtual std::optional<dataroot::FileStamp> stamp(const QString &path);

    // Why the last operation that failed did: the system's error where
    // there is one, an input/output error otherwise.
    std::error_code lastError() const { return m_error; }

    // Ledger files are far smaller: 32767 entries of a thousand characters
    // each still fit.
    static constexpr qint64 kDefaultReadLimit = qint64(32) * 1024 * 1024;

protected:
    // Keeps errno (or an input/output error when errno is 0) as the reason
    // of a failure and returns false.
    bool failed();
    void setError(std::error_code error) { m_error = error; }

private:
    std::error_code m_error;
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

// Replaces the file with the bytes in one step (open, write, sync, commit):
// afterwards it holds either its old content or the new one. A symbolic
// link of that name is replaced, never written through: the file is always
// made anew where its name says.
bool writeWholeFile(const QString &path, const QByteArray &bytes);

} // namespace storage
