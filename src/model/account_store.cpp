// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/account_store.h"

#include "model/data_root.h"
#include "model/file_system.h"
#include "model/ledger_format.h"
#include "model/ledger_store.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>

namespace accountstore {

using storage::fileSystem;
using storage::PathKind;

namespace {

QString nativeText(const QString &path) {
    return QDir::toNativeSeparators(path);
}

Message invalidUserName() {
    return {QStringLiteral("Ese nombre de usuario no se puede usar como nombre de carpeta. Elija otro."),
            QStringLiteral("Nombre no válido")};
}

Message invalidPassword() {
    return {QStringLiteral("La contraseña debe estar formada solo por cifras del 0 al 9."),
            QStringLiteral("Contraseña no válida")};
}

Message passwordTooLarge() {
    return {QStringLiteral("La contraseña es un número demasiado grande: con ella, uno de los archivos de "
                           "este registro podría llevar el mismo nombre que un archivo de otra contraseña "
                           "y borrarlo. Use una contraseña de 14 cifras como mucho y menor que "
                           "99999999999999."),
            QStringLiteral("Contraseña no válida")};
}

Message dataRootFailed(std::error_code error) {
    return {QStringLiteral("No se ha podido crear la carpeta de datos %1 ni su archivo noborrar.text: %2.")
                .arg(nativeText(dataroot::path()), dataroot::reasonText(error)),
            QStringLiteral("Carpeta de datos")};
}

Message saveFailed(const QString &directory, std::error_code error) {
    return {QStringLiteral("No se ha podido guardar en %1: %2. Lo que había guardado no ha cambiado.")
                .arg(nativeText(directory), dataroot::reasonText(error)),
            QStringLiteral("Error al guardar")};
}

Message saveUnfinished(const QString &directory, std::error_code error) {
    return {QStringLiteral("No se ha podido terminar de guardar en %1: %2. Vuelva a guardar cuando se "
                           "haya resuelto; hasta entonces puede volver lo guardado antes.")
                .arg(nativeText(directory), dataroot::reasonText(error)),
            QStringLiteral("Error al guardar")};
}

Message accountDirectoryMissing(const QString &directory) {
    return {QStringLiteral("La carpeta de la cuenta %1 ya no existe. No se ha guardado nada.")
                .arg(nativeText(directory)),
            QStringLiteral("Error al guardar")};
}

Message accountBusy(const QString &title) {
    return {QStringLiteral("Otra ventana de Tesorila está abriendo o guardando esta cuenta en este momento. "
                           "Inténtelo de nuevo dentro de un momento; no se ha cambiado nada."),
            title};
}

Message savedElsewhere() {
    return {QStringLiteral("Otra ventana de Tesorila ha guardado esta cuenta después de que esta ventana la "
                           "abriera o la guardara. No se ha guardado nada, para no borrar lo que guardó la "
                           "otra ventana. Puede guardar en otra cuenta el registro que ve aquí."),
            QStringLiteral("Error al guardar")};
}

Message readFailed(std::error_code error) {
    return {QStringLiteral("No se ha podido leer el registro de esta cuenta: %1. No se ha cargado nada.")
                .arg(dataroot::reasonText(error)),
            QStringLiteral("Acceso denegado")};
}

Message tooManyLines(qsizetype maxLines) {
    return {QStringLiteral("Con los registros de esta cuenta la lista pasaría de %1 líneas. "
                           "No se ha cargado nada.")
                .arg(maxLines),
            QStringLiteral("Demasiados registros")};
}

Message lineTooLong(qsizetype limit, bool total) {
    return {(total ? QStringLiteral("El total guardado en esta cuenta tiene más de %1 caracteres, más de los "
                                    "que caben en la casilla del total. No se ha cargado nada.")
                   : QStringLiteral("El registro de esta cuenta tiene una línea de más de %1 caracteres, y "
                                    "ninguna anotación es tan larga. No se ha cargado nada."))
                .arg(limit),
            QStringLiteral("Registro no válido")};
}

// The characters named one by one: printable ones in quotes, the others by
// their code.
QString describe(const QString &characters) {
    QStringList names;
    for (qsizetype i = 0; i < characters.size(); ++i) {
        const QChar c = characters.at(i);
        if (c == QLatin1Char('\r')) {
            names.append(QStringLiteral("salto de línea"));
        } else if (c.isHighSurrogate() && i + 1 < characters.size()) {
            names.append(QStringLiteral("«%1»").arg(characters.mid(i, 2)));
            ++i;
        } else if (c.isPrint()) {
            names.append(QStringLiteral("«%1»").arg(c));
        } else {
            names.append(QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper());
        }
    }
    return names.join(QStringLiteral(", "));
}

Message unsavable(const QString &characters) {
    return {
        QStringLiteral("El registro tiene caracteres que no se pueden guardar: %1. No se ha guardado nada.")
            .arg(describe(characters)),
        QStringLiteral("Caracteres no válidos")};
}

ledgerformat::LedgerPaths pathsFor(const QString &userName, double password) {
    return ledgerformat::ledgerPaths(dataroot::path(), userName, password, dataroot::separator());
}

// The longest line a ledger file may have: an entry's date, amount and
// tabs, and a concept as long as its text box takes (32767), with room to
// spare.
constexpr qsizetype kMaxLineLength = 65536;

// The length of the longest line of the bytes, found without copying them:
// lines end at CR, so counting up to each CR is enough.
qsizetype longestLine(const QByteArray &bytes) {
    qsizetype longest = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\r', start);
        if (end < 0)
            end = bytes.size();
        longest = qMax(longest, end - start - (start > 0 && bytes.at(start) == '\n' ? 1 : 0));
        start = end + 1;
    }
    return longest;
}

QString lockPath(const QString &directory) {
    return directory + dataroot::separator() + QStringLiteral(".bloqueo");
}

} // namespace

Message missingFields() {
    return {QStringLiteral("Debe de rellenar todas las casillas"), QStringLiteral("Faltan campos")};
}

Message saved() {
    return {QStringLiteral("Se ha guardado correctamente"), QStringLiteral("Operacion terminada")};
}

Message denied() {
    return {QStringLiteral("Usuario o contraseña incorrectas"), QStringLiteral("Acceso denegado")};
}

std::optional<Message> makeMarker(const QString &date) {
    storage::FileSystem &fs = fileSystem();
    const PathKind marker = fs.kind(dataroot::markerPath());
    if (marker != PathKind::Missing && marker != PathKind::Unknown)
        return std::nullopt;
    // The marker is never read: a date that the file cannot hold (a locale
    // with other digits, say) is written in the ISO form instead.
    std::optional<QByteArray> bytes = ledgerformat::fileBytes({date});
    if (!bytes)
        bytes = ledgerformat::fileBytes({QDate::currentDate().toString(Qt::ISODate)});
    const bool rootMissing = fs.kind(dataroot::path()) == PathKind::Missing;
    if (!bytes)
        return dataRootFailed(std::make_error_code(std::errc::invalid_argument));
    if (!fs.makePath(dataroot::path()) || !storage::writeWholeFile(dataroot::markerPath(), *bytes))
        return dataRootFailed(fs.lastError());
    // A new data root must outlast a power cut as surely as the ledgers in it.
    if (rootMissing && !fs.syncDirectory(QFileInfo(QDir::cleanPath(dataroot::path())).absolutePath()))
        return dataRootFailed(fs.lastError());
    return std::nullopt;
}

std::optional<Message> saveLedger(const Ledger &ledger, const QString &userName, const QString &password,
                                  Directory directory, const std::optional<ledgerstore::Stamp> &seen,
                                  ledgerstore::Stamp &stamp, const QString &markerDate) {
    if (!dataroot::isSafeDirectoryName(userName))
        return invalidUserName();
    const std::optional<double> value = ledgerformat::passwordValue(password);
    if (!value) {
        const bool digitsOnly =
            !password.isEmpty() && std::all_of(password.begin(), password.end(), [](QChar c) {
                return c >= QLatin1Char('0') && c <= QLatin1Char('9');
            });
        return digitsOnly ? passwordTooLarge() : invalidPassword();
    }
    if (!ledgerformat::namesStayApart(*value))
        return passwordTooLarge();

    // Everything is turned into bytes before anything is written.
    const std::optional<QByteArray> entryBytes = ledgerformat::fileBytes(ledger.lines);
    const std::optional<QByteArray> totalBytes = ledgerformat::fileBytes({ledger.total});
    if (!entryBytes || !totalBytes)
        return unsavable(ledgerformat::unsavableCharacters(ledger.lines.join(QString()) + ledger.total));

    storage::FileSystem &fs = fileSystem();
    const ledgerformat::LedgerPaths paths = pathsFor(userName, *value);
    bool created = false;
    if (directory == Directory::Create) {
        if (std::optional<Message> problem = makeMarker(markerDate))
            return problem;
        switch (fs.kind(paths.directory)) {
        case PathKind::Directory:
            break;
        case PathKind::Missing:
            if (!fs.makeDirectory(paths.directory))
                return saveFailed(paths.directory, fs.lastError());
            created = true;
            // The new account directory's name must be durable too.
            if (!fs.syncDirectory(dataroot::path())) {
                const std::error_code why = fs.lastError();
                fs.removeDirectory(paths.directory);
                return saveFailed(paths.directory, why);
            }
            break;
        case PathKind::Unknown:
            return saveFailed(paths.directory, fs.lastError());
        default:
            return saveFailed(paths.directory, std::make_error_code(std::errc::not_a_directory));
        }
    } else {
        switch (fs.kind(paths.directory)) {
        case PathKind::Directory:
            break;
        case PathKind::Missing:
            return accountDirectoryMissing(paths.directory);
        case PathKind::Unknown:
            return saveFailed(paths.directory, fs.lastError());
        default:
            return saveFailed(paths.directory, std::make_error_code(std::errc::not_a_directory));
        }
    }

    ledgerstore::SaveResult result;
    {
        const AccountLock lock(paths.directory);
        if (!lock.held())
            return accountBusy(QStringLiteral("Error al guardar"));
        result = ledgerstore::save(paths, *entryBytes, *totalBytes, seen ? &*seen : nullptr);
    }
    switch (result.outcome) {
    case ledgerstore::Outcome::Saved:
        stamp = result.stamp;
        return std::nullopt;
    case ledgerstore::Outcome::Unfinished:
        stamp = result.stamp;
        return saveUnfinished(paths.directory, result.error);
    case ledgerstore::Outcome::Changed:
        return savedElsewhere();
    case ledgerstore::Outcome::NotSaved:
        break;
    }
    if (created)
        fs.removeDirectory(paths.directory); // only goes if the failed save left it empty
    return saveFailed(paths.directory, result.error);
}

std::variant<Loaded, Message> loadLedger(const QString &userName, const QString &password, const Room &room) {
    if (!dataroot::isSafeDirectoryName(userName))
        return invalidUserName();
    const std::optional<double> value = ledgerformat::passwordValue(password);
    if (!value)
        return denied();
    const ledgerformat::LedgerPaths paths = pathsFor(userName, *value);
    switch (fileSystem().kind(paths.directory)) {
    case PathKind::Directory:
        break;
    case PathKind::Unknown: // the folder is there but cannot be looked at
        return readFailed(fileSystem().lastError());
    default:
        return denied();
    }

    // Both files are read, and the result checked, before the window changes.
    std::error_code error;
    std::optional<ledgerstore::StoredLedger> stored;
    {
        const AccountLock lock(paths.directory);
        if (!lock.held())
            return accountBusy(QStringLiteral("Acceso denegado"));
        stored = ledgerstore::read(paths, &error);
    }
    if (!stored) {
        // A missing file says nothing of whether the user name or the
        // password was wrong.
        if (!error || error == std::errc::no_such_file_or_directory)
            return denied();
        return readFailed(error);
    }
    if (longestLine(stored->entries) > kMaxLineLength || longestLine(stored->total) > kMaxLineLength)
        return lineTooLong(kMaxLineLength, false);
    // Of the total file's lines only the last one stays in the total box, so
    // only it is decoded; the entries are counted before they are decoded.
    Loaded loaded;
    loaded.stamp = stored->stamp;
    loaded.total = ledgerformat::lastLine(stored->total);
    if (loaded.total && loaded.total->size() > room.totalLength)
        return lineTooLong(room.totalLength, true);
    if (room.shownLines + ledgerformat::lineCount(stored->entries) > room.maxLines)
        return tooManyLines(room.maxLines);
    loaded.entries = ledgerformat::fileLines(stored->entries);
    return loaded;
}

AccountLock::AccountLock(const QString &directory) : m_file(lockPath(directory)) {
    const QString path = lockPath(directory);
    // A lock left by a process that has ended is taken over; one held by a
    // live process is never, however long it takes.
    m_file.setStaleLockTime(0);
    // Every command lets go of the lock before it returns, so one that
    // names this process was left by a removal that failed; where it cannot
    // be removed either, nothing can be written there.
    qint64 pid = 0;
    QString host;
    QString application;
    if (m_file.getLockInfo(&pid, &host, &application)) {
        if (pid == QCoreApplication::applicationPid() && host == QSysInfo::machineHostName() &&
            !m_file.removeStaleLockFile()) {
            m_held = true;
            return;
        }
    } else {
        // A lock file that names no process (an empty one, left by a power
        // cut before its contents reached the disk) or a symbolic link is
        // nobody's lock, and QLockFile would wait for it for ever. It goes,
        // unless it is so new that its maker may still be writing it.
        const QFileInfo info(path);
        if (info.isSymLink() ||
            (info.exists() && info.lastModified().secsTo(QDateTime::currentDateTime()) > 2))
            QFile::remove(path);
    }
    m_held = m_file.tryLock(2000) || m_file.error() != QLockFile::LockFailedError;
}

} // namespace accountstore
