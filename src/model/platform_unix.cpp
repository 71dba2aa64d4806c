// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/data_root.h"
#include "model/file_system.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage {

namespace {

Failure failureOf(int code) {
    switch (code) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return Failure::DiskFull;
    case EACCES:
    case EPERM:
        return Failure::NoPermission;
    case EROFS:
        return Failure::ReadOnlyDisk;
    case ENOENT:
        return Failure::Gone;
    case ENOTDIR:
    case EEXIST:
        return Failure::FileInTheWay;
    case EISDIR:
        return Failure::FolderInTheWay;
    case EFBIG:
        return Failure::FileTooBig;
    case EOVERFLOW:
    case ERANGE:
        return Failure::ValueTooLarge;
    case ENAMETOOLONG:
        return Failure::NameTooLong;
    case ELOOP:
        return Failure::LinkLoop;
    case EMFILE:
    case ENFILE:
        return Failure::TooManyOpenFiles;
    case ENOMEM:
        return Failure::NoMemory;
    case EBUSY:
    case ETXTBSY:
        return Failure::Busy;
    case EXDEV:
        return Failure::OtherDisk;
    case EIO:
        return Failure::InputOutput;
    case ENXIO:
        return Failure::NoOneThere;
    case ENOLCK:
        return Failure::NoFileLocks;
    default:
        return Failure::System;
    }
}

// The error of the last system call, read at once, before any other call.
Error lastError() {
    return systemError(errno != 0 ? errno : EIO);
}

// What stands at the path, when it is not a regular file.
std::optional<Error> notRegular(const struct stat &status, const QString &path) {
    if (S_ISREG(status.st_mode))
        return std::nullopt;
    return notAFile(S_ISDIR(status.st_mode), path);
}

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// A file made here is the user's alone, whatever the umask; one that is
// there keeps its mode.
int openFile(const QString &path, int flags) {
    const QByteArray name = QFile::encodeName(path);
    int fd = ::open(name.constData(), flags | O_CLOEXEC | O_NONBLOCK, 0600);
    // A link at one of our own names is no file of ours: it goes, and the
    // file is made afresh where its name says.
    if (fd < 0 && errno == ELOOP && (flags & O_NOFOLLOW) != 0 && ::unlink(name.constData()) == 0)
        fd = ::open(name.constData(), flags | O_CLOEXEC | O_NONBLOCK, 0600);
    return fd;
}

// How many names a leftover may be set aside under before setAside() gives up.
constexpr int kAsideNames = 99;

// Renames from to to unless something is there already (EEXIST).
bool renameWithoutReplacing(const QByteArray &from, const QByteArray &to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    // A file system without the flag: nothing but this program makes these names.
    struct stat there {};
    if (::lstat(to.constData(), &there) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.constData(), to.constData()) == 0;
}

// Opens the lock file, made where missing (with create O_CREAT). A lock
// file this user may not write (left by a run as root, say) can still be
// locked. nowhere tells a folder where the file can be neither made nor found.
int openLock(const QString &path, int create, bool *nowhere = nullptr) {
    int fd = openFile(path, O_RDWR | O_NOFOLLOW | create);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        fd = openFile(path, O_RDONLY | O_NOFOLLOW);
        if (nowhere)
            *nowhere = fd < 0 && errno == ENOENT;
    }
    return fd;
}

// Whether the failure to open a lock file, or what it opened, says that
// something there can never be locked: a folder, a socket, a file this user
// may not open, or no regular file at all.
bool unlockable(int fd, int error, const struct stat &status) {
    if (fd >= 0)
        return !S_ISREG(status.st_mode);
    return error == EISDIR || error == ENXIO || error == EACCES || error == EPERM;
}

// Sets aside what stands at the lock's name and cannot be locked, where
// the folder lets it be renamed. Under a lock on the folder itself, and only
// while what stands there still cannot be locked, so that of two copies
// that find it at once only one sets it aside, never the lock file the
// other made in its place. True when the name can be tried again.
bool setAsideLeftover(const QString &path) {
    const Descriptor folder{
        ::open(QFile::encodeName(QFileInfo(path).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (folder.fd < 0 || ::flock(folder.fd, LOCK_EX) != 0)
        return false;
    const Descriptor again{openLock(path, 0)};
    const int error = errno;
    struct stat status {};
    if (again.fd >= 0 && ::fstat(again.fd, &status) != 0)
        return false;
    if (again.fd < 0 && error == ENOENT)
        return true; // gone meanwhile
    if (!unlockable(again.fd, error, status))
        return true; // set aside by another copy, and made anew
    return bool(fileSystem().setAside(path));
}

} // namespace

Error systemError(int code) {
    return Error(failureOf(code), code);
}

Result<PathKind> FileSystem::kind(const QString &path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Result<PathKind>(PathKind::Missing) : lastError();
    if (S_ISREG(status.st_mode))
        return PathKind::File;
    return S_ISDIR(status.st_mode) ? PathKind::Directory : PathKind::Other;
}

// The user's alone, as the files in it.
Status createDirectory(const QString &path) {
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
        return lastError();
    return Done{};
}

Status FileSystem::removeDirectory(const QString &path) {
    if (::rmdir(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        return lastError();
    return Done{};
}

Result<QByteArray> FileSystem::read(const QString &path, qint64 limit) {
    const Descriptor file{openFile(path, O_RDONLY)};
    if (file.fd < 0) {
        const Error error = lastError();
        return error.failure == Failure::Gone ? Error{Failure::Missing} : error;
    }
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        return lastError();
    if (std::optional<Error> odd = notRegular(status, path))
        return *odd;
    return readWhole(path, qint64(status.st_size), limit, [&](char *into, qint64 room) -> Result<qint64> {
        ssize_t got = 0;
        while ((got = ::read(file.fd, into, size_t(room))) < 0) {
            if (errno != EINTR)
                return lastError();
        }
        return qint64(got);
    });
}

Status FileSystem::write(const QString &path, const QByteArray &bytes, Links links, qint64 from) {
    Descriptor file{openFile(path, O_WRONLY | O_CREAT | (links == Links::Replace ? O_NOFOLLOW : 0))};
    if (file.fd < 0)
        return errno == EISDIR ? notAFile(true, path) : lastError();
    struct stat status {};
    if (::fstat(file.fd, &status) != 0)
        return lastError();
    if (std::optional<Error> odd = notRegular(status, path))
        return *odd;
    const qint64 end = from + bytes.size();
    if (qint64(status.st_size) < from)
        return Error::at(Failure::Shortened, QFileInfo(path).fileName());
    // A file that already ends as asked was made durable when it was written.
    if (bytes.isEmpty() && from > 0 && qint64(status.st_size) == end)
        return Done{};
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::pwrite(file.fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(from + done));
        if (written < 0 && errno != EINTR)
            return lastError();
        done += written > 0 ? written : 0;
    }
    if (qint64(status.st_size) > end && ::ftruncate(file.fd, off_t(end)) != 0)
        return lastError();
        // The data and the size, not the times, which no reader needs.
#ifdef __APPLE__
    if (::fsync(file.fd) != 0)
#else
    if (::fdatasync(file.fd) != 0)
#endif
        return lastError();
    const int fd = std::exchange(file.fd, -1);
    if (::close(fd) != 0)
        return lastError();
    return Done{};
}

Status FileSystem::writable(const QString &path) {
    const Descriptor file{openFile(path, O_WRONLY)};
    if (file.fd < 0 && errno != ENOENT)
        return errno == EISDIR ? notAFile(true, path) : lastError();
    return Done{};
}

Result<QString> FileSystem::setAside(const QString &path) {
    const QByteArray from = QFile::encodeName(path);
    for (int n = 1; n <= kAsideNames; ++n) {
        const QString to = path + QStringLiteral(".apartado-%1").arg(n);
        if (renameWithoutReplacing(from, QFile::encodeName(to)))
            return to;
        if (errno != EEXIST && errno != ENOTEMPTY)
            break;
    }
    return lastError();
}

Status FileSystem::remove(const QString &path) {
    if (::remove(QFile::encodeName(path).constData()) != 0 && errno != ENOENT)
        return lastError();
    return Done{};
}

Status FileSystem::syncDirectory(const QString &path) {
    const Descriptor directory{
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (directory.fd < 0 || ::fsync(directory.fd) != 0)
        return lastError();
    return Done{};
}

Status FileSystem::rename(const QString &from, const QString &to) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return lastError();
    return Done{};
}

Result<QStringList> FileSystem::list(const QString &directory) {
    DIR *const opened = ::opendir(QFile::encodeName(directory).constData());
    if (!opened)
        return errno == ENOENT ? Error{Failure::Missing} : lastError();
    const std::unique_ptr<DIR, int (*)(DIR *)> folder(opened, ::closedir);
    QStringList names;
    for (;;) {
        errno = 0;
        const struct dirent *entry = ::readdir(folder.get());
        if (!entry)
            break;
        const QString name = QFile::decodeName(entry->d_name);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names.append(name);
    }
    if (errno != 0)
        return lastError();
    return names;
}

FileLock::~FileLock() {
    if (m_handle < 0)
        return;
    // Removed while still held: whoever waits on it then finds it gone and
    // locks the next one made. One that cannot go is taken by the next
    // lock all the same.
    (void)::unlink(QFile::encodeName(m_path).constData());
    ::close(int(m_handle));
}

Result<FileLock> lockFile(const QString &path, int waitMs) {
    for (int waited = 0;;) {
        bool nowhere = false;
        Descriptor file{openLock(path, O_CREAT, &nowhere)};
        if (nowhere)
            return FileLock{}; // a folder where nothing can be made
        const int error = errno;
        struct stat status {};
        if (file.fd >= 0 && ::fstat(file.fd, &status) != 0)
            return lastError();
        if (unlockable(file.fd, error, status)) {
            const Error why = file.fd >= 0      ? *notRegular(status, path)
                              : error == EISDIR ? notAFile(true, path)
                                                : systemError(error);
            if (file.fd >= 0)
                ::close(std::exchange(file.fd, -1));
            if (!setAsideLeftover(path))
                return why;
            continue;
        }
        if (file.fd < 0)
            return systemError(error);
        for (; ::flock(file.fd, LOCK_EX | LOCK_NB) != 0; waited += 10) {
            if (errno != EWOULDBLOCK && errno != EINTR)
                return lastError();
            if (waited >= waitMs)
                return Error{Failure::AccountInUse};
            QThread::msleep(10);
        }
        // Still the file of that name, not one its last holder removed?
        struct stat named {};
        if (::stat(QFile::encodeName(path).constData(), &named) == 0 && named.st_ino == status.st_ino &&
            named.st_dev == status.st_dev) {
            FileLock lock;
            lock.m_handle = std::exchange(file.fd, -1);
            lock.m_path = path;
            return lock;
        }
    }
}

} // namespace storage

// ---------------------------------------------------------------------------
// The data root: where it lies and how its names are written on the Unix
// systems.

namespace dataroot {

NameRules nativeRules() {
    return NameRules::Unix;
}

QString path() {
    QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!home.endsWith(QLatin1Char('/')))
        home += QLatin1Char('/');
    return home + QStringLiteral("Tesorila/");
}

} // namespace dataroot
