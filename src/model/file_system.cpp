// SPDX-License-Identifier: GPL-3.0-or-later
#include <QSaveFile> // before any header that may define open

#include "model/file_system.h"

#include "model/data_root.h"

#include <QFile>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace storage {

namespace {

FileSystem &realFileSystem() {
    static FileSystem real;
    return real;
}

FileSystem *g_current = nullptr;

} // namespace

FileSystem::~FileSystem() = default;

bool FileSystem::failed() {
    m_error = std::error_code(errno != 0 ? errno : EIO, std::generic_category());
    return false;
}

PathKind FileSystem::kind(const QString &path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(dataroot::nativePath(path), error);
    if (error && error != std::errc::no_such_file_or_directory)
        m_error = error;
    switch (status.type()) {
    case std::filesystem::file_type::not_found:
        return PathKind::Missing;
    case std::filesystem::file_type::regular:
        return PathKind::File;
    case std::filesystem::file_type::directory:
        return PathKind::Directory;
    case std::filesystem::file_type::none:
        return PathKind::Unknown;
    default:
        return error ? PathKind::Unknown : PathKind::Other;
    }
}

bool FileSystem::makeDirectory(const QString &path) {
    std::error_code error;
    std::filesystem::create_directory(dataroot::nativePath(path), error);
    if (error)
        m_error = error;
    else if (kind(path) != PathKind::Directory)
        m_error = std::make_error_code(std::errc::not_a_directory);
    return !error && kind(path) == PathKind::Directory;
}

bool FileSystem::makePath(const QString &path) {
    std::error_code error;
    std::filesystem::create_directories(dataroot::nativePath(path), error);
    if (error)
        m_error = error;
    else if (kind(path) != PathKind::Directory)
        m_error = std::make_error_code(std::errc::not_a_directory);
    return !error && kind(path) == PathKind::Directory;
}

bool FileSystem::removeDirectory(const QString &path) {
    std::error_code error;
    const bool removed = std::filesystem::remove(dataroot::nativePath(path), error) && !error;
    if (error)
        m_error = error;
    return removed;
}

std::optional<QByteArray> FileSystem::read(const QString &path, qint64 limit) {
    std::error_code error;
    std::optional<QByteArray> bytes = dataroot::readRegularFile(path, limit, error);
    if (!bytes)
        m_error = error;
    return bytes;
}

bool FileSystem::open(QSaveFile &file) {
    errno = 0;
    return file.open(QIODevice::WriteOnly) || failed();
}

bool FileSystem::write(QSaveFile &file, const QByteArray &bytes) {
    errno = 0;
    return file.write(bytes) == bytes.size() || failed();
}

bool FileSystem::sync(QSaveFile &file) {
    // QSaveFile::commit() also syncs, but does not report a failure to.
    errno = 0;
    if (!file.flush())
        return failed();
    return dataroot::syncFile(file.handle()) || failed();
}

bool FileSystem::commit(QSaveFile &file) {
    errno = 0;
    return file.commit() || failed();
}

bool FileSystem::rename(const QString &from, const QString &to) {
    std::error_code error;
    std::filesystem::rename(dataroot::nativePath(from), dataroot::nativePath(to), error);
    if (error)
        m_error = error;
    return !error;
}

bool FileSystem::remove(const QString &path) {
    std::error_code error;
    std::filesystem::remove(dataroot::nativePath(path), error);
    if (error)
        m_error = error;
    return !error;
}

bool FileSystem::syncDirectory(const QString &path) {
    errno = 0;
    return dataroot::syncDirectory(path) || failed();
}

std::optional<dataroot::FileStamp> FileSystem::stamp(const QString &path) {
    std::error_code error;
    std::optional<dataroot::FileStamp> found = dataroot::fileStamp(path, error);
    if (!found)
        m_error = error;
    return found;
}

FileSystem &fileSystem() {
    return g_current ? *g_current : realFileSystem();
}

ScopedFileSystem::ScopedFileSystem(FileSystem &replacement) : m_previous(g_current) {
    g_current = &replacement;
}

ScopedFileSystem::~ScopedFileSystem() {
    g_current = m_previous;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes) {
    FileSystem &fs = fileSystem();
    // QSaveFile writes to the target of a link, wherever it points.
    std::error_code error;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(dataroot::nativePath(path), error)) &&
        !fs.remove(path))
        return false;
    QSaveFile file(path);
    if (!fs.open(file))
        return false;
    if (!fs.write(file, bytes) || !fs.sync(file)) {
        file.cancelWriting();
        return false;
    }
    return fs.commit(file);
}

} // namespace storage
