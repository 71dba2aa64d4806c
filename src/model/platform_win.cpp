// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the system's own file calls. Another program (a virus scanner,
// the search indexer, a backup tool, an editor) often holds a file open for
// a moment; a call it refuses is tried again for a while before it fails.
#include "model/data_root.h"
#include "model/file_system.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cstring>
#include <optional>
#include <utility>

#include <windows.h>

#include <sddl.h>

namespace storage {

namespace {

// How long a file another program holds open is waited for.
constexpr qint64 kBusyWaitMs = 1500;

// How many names ".apartado-N" a leftover may take.
constexpr int kAsideNames = 99;

// Not in every SDK's winerror.h.
constexpr DWORD kDiskQuotaExceeded = 1295; // ERROR_DISK_QUOTA_EXCEEDED

// The failures of Windows' error codes that have one.
const std::pair<DWORD, Failure> kWindowsErrors[] = {
    {ERROR_HANDLE_DISK_FULL, Failure::DiskFull},
    {ERROR_DISK_FULL, Failure::DiskFull},
    {kDiskQuotaExceeded, Failure::DiskFull},
    {ERROR_ACCESS_DENIED, Failure::NoPermission},
    {ERROR_PRIVILEGE_NOT_HELD, Failure::NoPermission},
    {ERROR_WRITE_PROTECT, Failure::ReadOnlyDisk},
    {ERROR_FILE_NOT_FOUND, Failure::Gone},
    {ERROR_PATH_NOT_FOUND, Failure::Gone},
    {ERROR_INVALID_DRIVE, Failure::Gone},
    {ERROR_NOT_READY, Failure::Gone},
    {ERROR_BAD_NETPATH, Failure::Gone},
    {ERROR_FILE_EXISTS, Failure::FileInTheWay},
    {ERROR_ALREADY_EXISTS, Failure::FileInTheWay},
    {ERROR_DIRECTORY, Failure::FileInTheWay},
    {ERROR_FILENAME_EXCED_RANGE, Failure::NameTooLong},
    {ERROR_TOO_MANY_OPEN_FILES, Failure::TooManyOpenFiles},
    {ERROR_NOT_ENOUGH_MEMORY, Failure::NoMemory},
    {ERROR_OUTOFMEMORY, Failure::NoMemory},
    {ERROR_NOT_SAME_DEVICE, Failure::OtherDisk},
    {ERROR_FILE_TOO_LARGE, Failure::FileTooBig},
    {ERROR_CRC, Failure::InputOutput},
    {ERROR_WRITE_FAULT, Failure::InputOutput},
    {ERROR_READ_FAULT, Failure::InputOutput},
    {ERROR_GEN_FAILURE, Failure::InputOutput},
    {ERROR_IO_DEVICE, Failure::InputOutput},
    // Still so after a wait (retried() below).
    {ERROR_SHARING_VIOLATION, Failure::HeldByAnotherProgram},
    {ERROR_LOCK_VIOLATION, Failure::HeldByAnotherProgram},
};

Error lastError() {
    return systemError(int(::GetLastError()));
}

LPCWSTR wide(const QString &path) {
    return reinterpret_cast<LPCWSTR>(path.utf16());
}

bool busy(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED || code == ERROR_LOCK_VIOLATION;
}

// Repeats the call while another program holds the file, for kBusyWaitMs at
// most; the call's last error is kept for the caller.
template <class Call> auto retried(Call call) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        auto result = call();
        const DWORD code = ::GetLastError();
        if (result || !busy(code) || clock.elapsed() >= kBusyWaitMs) {
            ::SetLastError(code);
            return result;
        }
        ::Sleep(25);
    }
}

struct Handle {
    HANDLE handle;
    ~Handle() {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
};

HANDLE openFile(const QString &path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    return retried([&]() -> HANDLE {
        const HANDLE file = ::CreateFileW(wide(path), access, share, nullptr, disposition, flags, nullptr);
        return file == INVALID_HANDLE_VALUE ? nullptr : file;
    });
}

bool missing(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

// What stands at the open handle, when it is not a regular file.
std::optional<Error> notRegular(HANDLE file, const QString &path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file) == FILE_TYPE_DISK && ::GetFileInformationByHandle(file, &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return std::nullopt;
    return notAFile((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, path);
}

bool isDirectory(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A file marked read-only takes no writes, whatever the disk beneath would
// let this user do: refused at once, not waited on as a busy file.
std::optional<Error> markedReadOnly(DWORD attributes) {
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != FILE_ATTRIBUTE_READONLY)
        return std::nullopt;
    return systemError(int(ERROR_ACCESS_DENIED));
}

// Opens whatever stands at path (a file, a folder, a link itself) to be
// renamed by its handle.
HANDLE openAside(const QString &path) {
    return openFile(QDir::toNativeSeparators(path), DELETE | FILE_READ_ATTRIBUTES,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
}

// Renames what the handle holds open to the first free name of path +
// ".apartado-1", "-2"…, never over anything there. Whatever has taken the
// name path meanwhile keeps it.
Result<QString> renameAside(HANDLE file, const QString &path) {
    for (int n = 1; n <= kAsideNames; ++n) {
        const QString to = path + QStringLiteral(".apartado-%1").arg(n);
        const QString native = QDir::toNativeSeparators(to);
        const DWORD nameBytes = DWORD(native.size() * sizeof(WCHAR));
        QByteArray buffer(qsizetype(sizeof(FILE_RENAME_INFO) + nameBytes), '\0');
        auto *rename = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
        rename->ReplaceIfExists = FALSE;
        rename->RootDirectory = nullptr;
        rename->FileNameLength = nameBytes;
        std::memcpy(rename->FileName, native.utf16(), nameBytes);
        if (retried([&] {
                return ::SetFileInformationByHandle(file, FileRenameInfo, rename, DWORD(buffer.size()));
            }))
            return to;
        const DWORD code = ::GetLastError();
        if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS)
            return systemError(int(code));
    }
    return lastError();
}

// What cannot be the lock file: a folder, or a file marked read-only, which
// no copy can open to lock (and no lock file a copy makes is).
bool leftover(DWORD attributes) {
    return isDirectory(attributes) || markedReadOnly(attributes);
}

// Sets aside what stands at the lock's name and cannot be the lock file,
// where the data root lets it be renamed. By its handle, and only once the
// handle shows a leftover: of two copies that find it at once, the one that
// comes second finds the lock file the first made in its place, and leaves
// it be. True when the name can be tried again.
bool setAsideLeftover(const QString &path) {
    const HANDLE opened = openAside(path);
    if (!opened) // gone meanwhile, or no leftover now: try again
        return !leftover(::GetFileAttributesW(wide(path)));
    const Handle aside{opened};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(aside.handle, &info))
        return false;
    if (!leftover(info.dwFileAttributes))
        return true; // set aside by another copy, and the lock file made anew
    return bool(renameAside(aside.handle, path));
}

} // namespace

Error systemError(int code) {
    for (const auto &[windows, failure] : kWindowsErrors) {
        if (int(windows) == code)
            return Error(failure, code);
    }
    return Error(Failure::System, code);
}

Result<PathKind> FileSystem::kind(const QString &path) {
    const DWORD attributes = ::GetFileAttributesW(wide(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return missing(::GetLastError()) ? Result<PathKind>(PathKind::Missing) : lastError();
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return isDirectory(attributes) ? PathKind::Directory : PathKind::File;
    // A link: what it leads to.
    const Handle file{::CreateFileW(wide(path), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    BY_HANDLE_FILE_INFORMATION info{};
    if (file.handle == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(file.handle, &info))
        return missing(::GetLastError()) ? Result<PathKind>(PathKind::Missing) : lastError();
    if (isDirectory(info.dwFileAttributes))
        return PathKind::Directory;
    return ::GetFileType(file.handle) == FILE_TYPE_DISK ? PathKind::File : PathKind::Other;
}

namespace {

// The access list of an account folder: full control for this user, the
// system and the administrators, and for no one else, whatever the data
// root lets others do (C:\ lets every signed-in user change what is made in
// it). The files made in the folder take it on. Empty when this user's
// security identifier cannot be found.
QString privateFolderRights() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    DWORD size = 0;
    (void)::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    QByteArray buffer(qsizetype(size), '\0');
    LPWSTR sid = nullptr;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        (void)::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(buffer.data())->User.Sid, &sid);
    ::CloseHandle(token);
    if (!sid)
        return {};
    const QString user = QString::fromWCharArray(sid);
    ::LocalFree(sid);
    return QStringLiteral("D:P(A;OICI;FA;;;%1)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)").arg(user);
}

// Whether the folder is one directly inside the data root: an account's.
bool isAccountFolder(const QString &path) {
    return QFileInfo(QDir::cleanPath(path))
               .path()
               .compare(QDir::cleanPath(dataroot::path()), Qt::CaseInsensitive) == 0;
}

} // namespace

Status createDirectory(const QString &path) {
    const QString native = QDir::toNativeSeparators(path);
    // An account folder is made with its own access list, never without it.
    PSECURITY_DESCRIPTOR rights = nullptr;
    if (isAccountFolder(path)) {
        const QString sddl = privateFolderRights();
        if (sddl.isEmpty() || !::ConvertStringSecurityDescriptorToSecurityDescriptorW(
                                  wide(sddl), SDDL_REVISION_1, &rights, nullptr))
            return lastError();
    }
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), rights, FALSE};
    const BOOL made = ::CreateDirectoryW(wide(native), rights ? &attributes : nullptr);
    const DWORD code = ::GetLastError();
    if (rights)
        ::LocalFree(rights);
    if (!made)
        return systemError(int(code));
    return Done{};
}

Status FileSystem::removeDirectory(const QString &path) {
    if (!::RemoveDirectoryW(wide(path)) && !missing(::GetLastError()))
        return lastError();
    return Done{};
}

Result<QByteArray> FileSystem::read(const QString &path, qint64 limit) {
    const HANDLE opened = openFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (!opened)
        return missing(::GetLastError()) ? Error{Failure::Missing} : lastError();
    const Handle file{opened};
    if (std::optional<Error> odd = notRegular(file.handle, path))
        return *odd;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.handle, &size))
        return lastError();
    return readWhole(path, size.QuadPart, limit, [&](char *into, qint64 room) -> Result<qint64> {
        DWORD got = 0;
        if (!::ReadFile(file.handle, into, DWORD(qMin<qint64>(room, 1 << 30)), &got, nullptr))
            return lastError();
        return qint64(got);
    });
}

Status FileSystem::write(const QString &path, const QByteArray &bytes, Links links, qint64 from) {
    const DWORD attributes = ::GetFileAttributesW(wide(path));
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // A link at one of our own names is no file of ours: it goes, and
        // the file is made afresh where its name says.
        if (links == Links::Replace && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            const auto removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0
                                     ? retried([&] { return ::RemoveDirectoryW(wide(path)); })
                                     : retried([&] { return ::DeleteFileW(wide(path)); });
            if (!removed)
                return lastError();
        } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return notAFile(true, path);
        } else if (std::optional<Error> refused = markedReadOnly(attributes)) {
            return *refused;
        }
    }
    const HANDLE opened = openFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    if (!opened)
        return lastError();
    Handle file{opened};
    if (std::optional<Error> odd = notRegular(file.handle, path))
        return *odd;
    // Only what differs from the file's bytes is written, from `from` on.
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.handle, &size))
        return lastError();
    if (size.QuadPart < from)
        return Error::at(Failure::Shortened, QFileInfo(path).fileName());
    if (bytes.isEmpty() && from > 0 && size.QuadPart == from)
        return Done{};
    LARGE_INTEGER start{};
    start.QuadPart = from;
    if (!::SetFilePointerEx(file.handle, start, nullptr, FILE_BEGIN))
        return lastError();
    for (qsizetype done = 0; done < bytes.size();) {
        DWORD written = 0;
        if (!::WriteFile(file.handle, bytes.constData() + done,
                         DWORD(qMin<qsizetype>(bytes.size() - done, 1 << 30)), &written, nullptr))
            return lastError();
        done += qsizetype(written);
    }
    // Whatever lies beyond the new end goes.
    if (!::SetEndOfFile(file.handle) || !::FlushFileBuffers(file.handle))
        return lastError();
    if (!::CloseHandle(std::exchange(file.handle, INVALID_HANDLE_VALUE)))
        return lastError();
    return Done{};
}

Status FileSystem::writable(const QString &path) {
    if (std::optional<Error> refused = markedReadOnly(::GetFileAttributesW(wide(path))))
        return *refused;
    const HANDLE opened =
        openFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                 FILE_ATTRIBUTE_NORMAL);
    if (!opened && !missing(::GetLastError()))
        return lastError();
    const Handle file{opened ? opened : INVALID_HANDLE_VALUE};
    return Done{};
}

Result<QString> FileSystem::setAside(const QString &path) {
    const HANDLE opened = openAside(path);
    if (!opened)
        return lastError();
    const Handle aside{opened};
    return renameAside(aside.handle, path);
}

Status FileSystem::remove(const QString &path) {
    if (!retried([&] { return ::DeleteFileW(wide(path)); }) && !missing(::GetLastError()))
        return lastError();
    return Done{};
}

Status FileSystem::syncDirectory(const QString &) {
    return Done{}; // Windows keeps a folder's names itself
}

Status FileSystem::rename(const QString &from, const QString &to) {
    const QString source = QDir::toNativeSeparators(from);
    const QString target = QDir::toNativeSeparators(to);
    if (!retried([&] {
            return ::MoveFileExW(wide(source), wide(target),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        }))
        return lastError();
    return Done{};
}

Result<QStringList> FileSystem::list(const QString &directory) {
    const QString pattern = QDir::toNativeSeparators(directory) + QStringLiteral("\\*");
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW(wide(pattern), &found);
    if (search == INVALID_HANDLE_VALUE)
        return missing(::GetLastError()) ? Error{Failure::Missing} : lastError();
    QStringList names;
    do {
        const QString name = QString::fromWCharArray(found.cFileName);
        if (name != QLatin1String(".") && name != QLatin1String(".."))
            names.append(name);
    } while (::FindNextFileW(search, &found));
    const DWORD code = ::GetLastError();
    ::FindClose(search);
    if (code != ERROR_NO_MORE_FILES)
        return systemError(int(code));
    return names;
}

FileLock::~FileLock() {
    if (m_handle != -1)
        ::CloseHandle(HANDLE(m_handle)); // lets go of the lock, and of the file
}

// Every handle on the lock file removes it once the last one is closed; a
// file that is being removed cannot be opened again (access denied) until
// then, and counts as held.
// A folder or a read-only file at the lock's name is set aside first.
Result<FileLock> lockFile(const QString &path, int waitMs) {
    for (int waited = 0;; waited += 10) {
        if (const DWORD attributes = ::GetFileAttributesW(wide(path)); leftover(attributes)) {
            if (!setAsideLeftover(path))
                return isDirectory(attributes) ? notAFile(true, path) : *markedReadOnly(attributes);
            continue;
        }
        const HANDLE opened =
            ::CreateFileW(wide(path), GENERIC_READ | GENERIC_WRITE | DELETE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        const DWORD code = ::GetLastError();
        if (opened != INVALID_HANDLE_VALUE) {
            Handle file{opened};
            if (std::optional<Error> odd = notRegular(file.handle, path))
                return *odd;
            OVERLAPPED whole{};
            if (::LockFileEx(file.handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                             &whole)) {
                FileLock lock;
                lock.m_handle = qintptr(std::exchange(file.handle, INVALID_HANDLE_VALUE));
                lock.m_path = path;
                return lock;
            }
            if (::GetLastError() != ERROR_LOCK_VIOLATION)
                return lastError();
        } else if (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) {
            return systemError(int(code));
        }
        if (waited >= waitMs) {
            // Denied, and no file there: a folder where nothing can be made.
            if (opened == INVALID_HANDLE_VALUE &&
                ::GetFileAttributesW(wide(path)) == INVALID_FILE_ATTRIBUTES && missing(::GetLastError()))
                return FileLock{};
            return Error{Failure::AccountInUse};
        }
        ::Sleep(10);
    }
}

} // namespace storage

// ---------------------------------------------------------------------------
// The data root: where it lies and how its names are written on Windows.

namespace dataroot {

NameRules nativeRules() {
    return NameRules::Windows;
}

QString path() {
    return QStringLiteral("C:\\Tesorila\\");
}

} // namespace dataroot
