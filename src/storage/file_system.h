// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

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
    // The whole content of a file, or nothing when it cannot be read.
    virtual std::optional<QByteArray> read(const QString &path);

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
// afterwards it holds either its old content or the new one.
bool writeWholeFile(const QString &path, const QByteArray &bytes);

} // namespace storage
