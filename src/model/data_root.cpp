// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/data_root.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dataroot {

namespace {

bool isReservedWindowsName(const QString &name) {
    // The device name counts with any extension ("NUL.txt") and with blanks
    // before the extension ("CON .txt").
    QString base = name.left(name.indexOf(QLatin1Char('.')));
    while (base.endsWith(QLatin1Char(' ')))
        base.chop(1);
    base = base.toUpper();
    static const QLatin1String kDevices[] = {QLatin1String("CON"),    QLatin1String("PRN"),
                                             QLatin1String("AUX"),    QLatin1String("NUL"),
                                             QLatin1String("CONIN$"), QLatin1String("CONOUT$")};
    for (const QLatin1String &device : kDevices) {
        if (base == device)
            return true;
    }
    if (base.size() == 4 &&
        (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT")))) {
        const QChar last = base.at(3);
        // COM1 … COM9, and the superscript digits ¹ ² ³ that Windows also reserves.
        if ((last >= QLatin1Char('1') && last <= QLatin1Char('9')) || last == QChar(0x00B9) ||
            last == QChar(0x00B2) || last == QChar(0x00B3))
            return true;
    }
    return false;
}

} // namespace

NameRules nativeRules() {
#ifdef Q_OS_WIN
    return NameRules::Windows;
#else
    return NameRules::Unix;
#endif
}

QString separator(NameRules rules) {
    return rules == NameRules::Windows ? QStringLiteral("\\") : QStringLiteral("/");
}

QString path() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Tesorila\\");
#else
    QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!home.endsWith(QLatin1Char('/')))
        home += QLatin1Char('/');
    return home + QStringLiteral("Tesorila/");
#endif
}

QString markerPath() {
    return path() + QStringLiteral("noborrar.text");
}

bool isSafeDirectoryName(const QString &name, NameRules rules) {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    // A lone surrogate has no encoded form and would name some other directory.
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return false;
    }

    if (rules == NameRules::Unix)
        return QFile::encodeName(name).size() <= 255;

    if (name.size() > 255)
        return false;
    for (const QChar c : name) {
        if (QStringView(u"<>:\"|?*").contains(c))
            return false;
    }
    if (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        return false;
    return !isReservedWindowsName(name);
}

std::filesystem::path nativePath(const QString &path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

bool syncDirectory(const QString &path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return true;
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#endif
}

std::optional<QByteArray> readRegularFile(const QString &path, qint64 limit, std::error_code &error) {
    const auto fail = [&](int code) -> std::optional<QByteArray> {
        error = std::error_code(code, std::generic_category());
        return std::nullopt;
    };
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.exists())
        return fail(ENOENT);
    if (info.isDir())
        return fail(EISDIR);
    if (!info.isFile())
        return fail(EINVAL);
    const qint64 size = info.size();
    if (size > limit)
        return fail(EFBIG);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.error() == QFileDevice::PermissionsError ? EACCES : EIO);
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(errno);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return fail(errno);
    if (S_ISDIR(status.st_mode))
        return fail(EISDIR);
    if (!S_ISREG(status.st_mode))
        return fail(EINVAL);
    const qint64 size = qint64(status.st_size);
    if (size > limit)
        return fail(EFBIG);
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return fail(EIO);
#endif
    // The file may grow while it is read: never more than limit + 1 bytes.
    QByteArray bytes = file.read(size + 1);
    if (bytes.size() > size && file.error() == QFileDevice::NoError)
        bytes += file.read(limit + 1 - bytes.size());
    if (file.error() != QFileDevice::NoError)
        return fail(EIO);
    if (bytes.size() > limit)
        return fail(EFBIG);
    return bytes;
}

QString reasonText(std::error_code error) {
    if (error.category() != std::generic_category() && error.category() != std::system_category())
        return QStringLiteral("error %1 de %2")
            .arg(error.value())
            .arg(QString::fromLatin1(error.category().name()));
    switch (error.value() != 0 ? error.value() : EIO) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("el disco está lleno");
    case EACCES:
    case EPERM:
        return QStringLiteral("no tiene permiso para hacerlo en esa carpeta");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case ENOENT:
        return QStringLiteral("la carpeta o el archivo ya no existe");
    case ENOTDIR:
    case EEXIST:
        return QStringLiteral("hay un archivo donde debería haber una carpeta");
    case EISDIR:
        return QStringLiteral("hay una carpeta con el nombre de uno de los archivos");
    case EINVAL:
        return QStringLiteral("uno de los archivos no es un archivo normal");
    case EFBIG:
        return QStringLiteral("el archivo es demasiado grande");
    case EOVERFLOW:
    case ERANGE:
        return QStringLiteral("el valor es demasiado grande");
    case ENAMETOOLONG:
        return QStringLiteral("el nombre del archivo es demasiado largo");
    case ELOOP:
        return QStringLiteral("los enlaces simbólicos de la ruta forman un bucle");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("hay demasiados archivos abiertos");
    case ENOMEM:
        return QStringLiteral("no queda memoria libre");
    case EBUSY:
    case ETXTBSY:
        return QStringLiteral("el archivo o la carpeta está en uso");
    case EXDEV:
        return QStringLiteral("los archivos están en discos distintos");
    case EIO:
        return QStringLiteral("el disco ha dado un error de lectura o escritura");
    default:
        // Without a Spanish name of its own: its number, for whoever helps.
        return QStringLiteral("el sistema ha dado el error número %1").arg(error.value());
    }
}

bool syncFile(int handle) {
#ifdef Q_OS_WIN
    // Windows writes the file's buffers through when QSaveFile commits it.
    Q_UNUSED(handle);
    return true;
#else
    return ::fsync(handle) == 0;
#endif
}

std::optional<FileStamp> fileStamp(const QString &path, std::error_code &error) {
    FileStamp stamp;
#ifdef Q_OS_WIN
    // No inode here: the creation time tells a new file from the one it
    // replaced.
    const QFileInfo info(path);
    if (!info.exists())
        return stamp;
    stamp.exists = true;
    stamp.inode = quint64(info.birthTime().toMSecsSinceEpoch());
    stamp.size = info.size();
    stamp.modified = info.lastModified().toMSecsSinceEpoch() * 1000000;
    Q_UNUSED(error);
#else
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0) {
        if (errno == ENOENT)
            return stamp;
        error = std::error_code(errno, std::generic_category());
        return std::nullopt;
    }
    stamp.exists = true;
    stamp.device = quint64(status.st_dev);
    stamp.inode = quint64(status.st_ino);
    stamp.size = qint64(status.st_size);
    stamp.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
#endif
    return stamp;
}

} // namespace dataroot
