// SPDX-License-Identifier: GPL-3.0-or-later
#include <QSaveFile> // before any header that may define open

#include "storage/file_system.h"

#include "platform/data_root.h"

#include <QFile>

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

PathKind FileSystem::kind(const QString &path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(dataroot::nativePath(path), error);
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
    return !error && kind(path) == PathKind::Directory;
}

bool FileSystem::makePath(const QString &path) {
    std::error_code error;
    std::filesystem::create_directories(dataroot::nativePath(path), error);
    return !error && kind(path) == PathKind::Directory;
}

bool FileSystem::removeDirectory(const QString &path) {
    std::error_code error;
    return std::filesystem::remove(dataroot::nativePath(path), error) && !error;
}

std::optional<QByteArray> FileSystem::read(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool FileSystem::open(QSaveFile &file) {
    return file.open(QIODevice::WriteOnly);
}

bool FileSystem::write(QSaveFile &file, const QByteArray &bytes) {
    return file.write(bytes) == bytes.size();
}

bool FileSystem::sync(QSaveFile &file) {
    // QSaveFile::commit() also syncs, but does not report a failure to.
    if (!file.flush())
        return false;
    return dataroot::syncFile(file.handle());
}

bool FileSystem::commit(QSaveFile &file) {
    return file.commit();
}

bool FileSystem::rename(const QString &from, const QString &to) {
    std::error_code error;
    std::filesystem::rename(dataroot::nativePath(from), dataroot::nativePath(to), error);
    return !error;
}

bool FileSystem::remove(const QString &path) {
    std::error_code error;
    std::filesystem::remove(dataroot::nativePath(path), error);
    return !error;
}

bool FileSystem::syncDirectory(const QString &path) {
    return dataroot::syncDirectory(path);
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
