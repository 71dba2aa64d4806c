// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/file_system.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace storage {

namespace {

FileSystem *g_current = nullptr;

} // namespace

FileSystem::~FileSystem() = default;

Status FileSystem::makeDirectory(const QString &path) {
    const QString clean = QDir::cleanPath(path);
    // What stands there already, through links; nothing when missing.
    const auto existing = [&]() -> std::optional<Status> {
        const Result<PathKind> found = FileSystem::kind(clean);
        if (!found)
            return Status(found.error());
        if (*found == PathKind::Missing)
            return std::nullopt;
        return *found == PathKind::Directory ? Status(Done{}) : Status(Error{Failure::FileInTheWay});
    };
    if (std::optional<Status> found = existing())
        return *found;
    const QString parent = QFileInfo(clean).path();
    if (parent != clean) {
        if (Status made = FileSystem::makeDirectory(parent); !made)
            return made;
    }
    Status made = createDirectory(clean);
    // Made by someone else meanwhile?
    if (!made && made.error().failure == Failure::FileInTheWay)
        return existing().value_or(made);
    return made;
}

Error deviceError(const QFileDevice &device) {
    // Qt names only the step that failed. A new file that cannot be made in
    // a folder that is there is refused by the folder's permissions (or by
    // a read-only disk, which refuses everyone alike); writing runs out of
    // room (Qt's resource error on a write); a rename is refused while the
    // file is in use.
    switch (device.error()) {
    case QFileDevice::OpenError:
    case QFileDevice::PermissionsError:
        return Error{Failure::NoPermission};
    case QFileDevice::ResourceError:
        return Error{Failure::DiskFull};
    case QFileDevice::RenameError:
    case QFileDevice::RemoveError:
        return Error{Failure::Busy};
    default:
        return Error{Failure::InputOutput};
    }
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

Result<QByteArray> readOrEmpty(const QString &path) {
    Result<QByteArray> bytes = fileSystem().read(path);
    if (!bytes && bytes.error().failure == Failure::Missing)
        return QByteArray();
    return bytes;
}

ScopedFileSystem::ScopedFileSystem(FileSystem &replacement) : m_previous(g_current) {
    g_current = &replacement;
}

ScopedFileSystem::~ScopedFileSystem() {
    g_current = m_previous;
}

} // namespace storage
