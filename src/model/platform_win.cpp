// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: Qt's own file calls for now, and a lock file that stays. The system's LockFileEx,
// FlushFileBuffers and MoveFileExW belong here.
#include "model/platform.h"

#include <QFile>
#include <QFileInfo>

#include <io.h>
#include <windows.h>

namespace platform {

using storage::Error;
using storage::Failure;

namespace {

Error lastError() {
    Error error = Error::system(int(::GetLastError()));
    error.windowsCode = true;
    return error;
}

} // namespace

storage::Result<QByteArray> readFile(const QString &path, qint64 limit) {
    const QFileInfo info(path);
    if (!info.exists())
        return Error{Failure::Missing};
    if (info.isDir())
        return Error::at(Failure::FolderAtFile, info.fileName());
    if (!info.isFile())
        return Error::at(Failure::NotRegularFile, info.fileName());
    if (info.size() > limit)
        return Error::at(Failure::TooLarge, info.fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return lastError();
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return lastError();
    if (bytes.size() > limit)
        return Error::at(Failure::TooLarge, info.fileName());
    return bytes;
}

storage::Status writeFile(const QString &path, const QByteArray &bytes, Links links, qint64 from) {
    const QFileInfo info(path);
    if (links == Links::Replace && info.isSymLink() && !QFile::remove(path))
        return lastError();
    if (info.isDir())
        return Error::at(Failure::FolderAtFile, info.fileName());
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return lastError();
    const qint64 end = from + bytes.size();
    if (file.size() < from)
        return Error::system(ERROR_INVALID_PARAMETER);
    if (bytes.isEmpty() && from > 0 && file.size() == end)
        return storage::Done{};
    if (!file.seek(from) || file.write(bytes) != bytes.size() || (file.size() > end && !file.resize(end)) ||
        !file.flush() || !::FlushFileBuffers(HANDLE(_get_osfhandle(file.handle()))))
        return lastError();
    return storage::Done{};
}

storage::Status syncDirectory(const QString &) {
    return storage::Done{}; // Windows commits a folder's names itself
}

FileLock::FileLock(FileLock &&other) noexcept
    : m_handle(std::exchange(other.m_handle, -1)), m_path(std::move(other.m_path)) {}

FileLock &FileLock::operator=(FileLock &&other) noexcept {
    std::swap(m_handle, other.m_handle);
    std::swap(m_path, other.m_path);
    return *this;
}

FileLock::~FileLock() {
    if (m_handle != -1)
        ::CloseHandle(HANDLE(m_handle)); // lets go of the lock
}

storage::Result<FileLock> lockFile(const QString &path, int waitMs) {
    if (QFileInfo(path).isDir())
        return Error::at(Failure::FolderInTheWay, QFileInfo(path).fileName());
    const HANDLE file = ::CreateFileW(reinterpret_cast<LPCWSTR>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ::GetLastError() == ERROR_ACCESS_DENIED ? storage::Result<FileLock>(FileLock{}) : lastError();
    FileLock lock;
    lock.m_handle = qintptr(file);
    for (int waited = 0;; waited += 10) {
        OVERLAPPED whole{};
        if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole))
            return lock;
        if (::GetLastError() != ERROR_LOCK_VIOLATION)
            return lastError();
        if (waited >= waitMs)
            return Error{Failure::AccountInUse};
        ::Sleep(10);
    }
}

} // namespace platform
