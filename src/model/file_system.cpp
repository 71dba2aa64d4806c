// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/file_system.h"

#include "model/data_root.h"

#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace storage {

namespace {

FileSystem *g_current = nullptr;

Error fromStd(std::error_code code) {
    Error error = Error::system(code.value());
#ifdef Q_OS_WIN
    error.windowsCode = code.category() == std::system_category();
#endif
    return error;
}

Status checked(std::error_code code) {
    if (code)
        return fromStd(code);
    return Done{};
}

} // namespace

FileSystem::~FileSystem() = default;

Result<PathKind> FileSystem::kind(const QString &path) {
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
        return fromStd(error ? error : std::make_error_code(std::errc::io_error));
    default:
        return PathKind::Other;
    }
}

Status FileSystem::makeDirectory(const QString &path) {
    std::error_code error;
    std::filesystem::create_directories(dataroot::nativePath(path), error);
    return checked(error);
}

Status FileSystem::removeDirectory(const QString &path) {
    std::error_code error;
    std::filesystem::remove(dataroot::nativePath(path), error);
    return checked(error);
}

Error notAFile(bool folder, const QString &path) {
    return Error::at(folder ? Failure::FolderInTheWay : Failure::NotRegularFile, QFileInfo(path).fileName());
}

Result<QByteArray> readWhole(const QString &path, qint64 size, qint64 limit,
                             const std::function<Result<qint64>(char *, qint64)> &readSome) {
    const Error tooLarge(Failure::TooLarge, 0, QFileInfo(path).fileName(), limit);
    if (size > limit)
        return tooLarge;
    // One byte more shows whether the file has grown; then twice the room
    // each time. resize() sizes the block as a growing array's (the next
    // power of two): the C library then keeps reusing one block for a
    // save's reads, where blocks of the exact size were mapped afresh at
    // each quick save here, 2-5 ms more.
    QByteArray bytes;
    bytes.resize(qsizetype(qMin(limit + 1, size + 1)));
    qsizetype done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done > limit)
                return tooLarge;
            bytes.resize(qsizetype(qMin(limit + 1, 2 * qint64(done))));
        }
        const Result<qint64> got = readSome(bytes.data() + done, bytes.size() - done);
        if (!got)
            return got.error();
        if (*got == 0)
            break;
        done += qsizetype(*got);
    }
    bytes.truncate(done);
    return bytes;
}

FileSystem &fileSystem() {
    static FileSystem real;
    return g_current ? *g_current : real;
}

ScopedFileSystem::ScopedFileSystem(FileSystem &replacement) : m_previous(g_current) {
    g_current = &replacement;
}

ScopedFileSystem::~ScopedFileSystem() {
    g_current = m_previous;
}

} // namespace storage
