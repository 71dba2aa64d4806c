// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/account_store.h"

#include "ledger/entry_list.h"
#include "ledger/ledger_window.h"
#include "platform/data_root.h"
#include "platform/messagebox.h"
#include "storage/file_system.h"
#include "storage/ledger_format.h"
#include "storage/ledger_store.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>

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

Message dataRootFailed() {
    return {QStringLiteral("No se ha podido crear la carpeta de datos %1 ni su archivo noborrar.text.")
                .arg(nativeText(dataroot::path())),
            QStringLiteral("Carpeta de datos")};
}

Message saveFailed(const QString &directory) {
    return {QStringLiteral("No se ha podido guardar en %1. Lo que había guardado no ha cambiado.")
                .arg(nativeText(directory)),
            QStringLiteral("Error al guardar")};
}

Message accountDirectoryMissing(const QString &directory) {
    return {QStringLiteral("La carpeta de la cuenta %1 ya no existe. No se ha guardado nada.")
                .arg(nativeText(directory)),
            QStringLiteral("Error al guardar")};
}

Message tooManyLines() {
    return {QStringLiteral("Con los registros de esta cuenta la lista pasaría de %1 líneas. "
                           "No se ha cargado nada.")
                .arg(entrylist::kMaxLines),
            QStringLiteral("Demasiados registros")};
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

QStringList entryLines(const Form1 &ledger) {
    QStringList lines;
    const int count = ledger.lst->count();
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines.append(ledger.lst->item(i)->text());
    return lines;
}

} // namespace

void show(QWidget *parent, const Message &message) {
    messagebox::show(parent, message.text, message.title);
}

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
    if (!bytes || !fs.makePath(dataroot::path()) || !storage::writeWholeFile(dataroot::markerPath(), *bytes))
        return dataRootFailed();
    // A new data root must outlast a power cut as surely as the ledgers in it.
    if (rootMissing && !fs.syncDirectory(QFileInfo(QDir::cleanPath(dataroot::path())).absolutePath()))
        return dataRootFailed();
    return std::nullopt;
}

std::optional<Message> saveLedger(const Form1 &ledger, const QString &userName, const QString &password,
                                  Directory directory, const QString &markerDate) {
    if (!dataroot::isSafeDirectoryName(userName))
        return invalidUserName();
    const std::optional<double> value = ledgerformat::passwordValue(password);
    if (!value)
        return invalidPassword();

    // Everything is turned into bytes before anything is written.
    const QStringList lines = entryLines(ledger);
    const QString total = ledger.txtt->text();
    const std::optional<QByteArray> entryBytes = ledgerformat::fileBytes(lines);
    const std::optional<QByteArray> totalBytes = ledgerformat::fileBytes({total});
    if (!entryBytes || !totalBytes)
        return unsavable(ledgerformat::unsavableCharacters(lines.join(QString()) + total));

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
                return saveFailed(paths.directory);
            created = true;
            // The new account directory's name must be durable too.
            if (!fs.syncDirectory(dataroot::path())) {
                fs.removeDirectory(paths.directory);
                return saveFailed(paths.directory);
            }
            break;
        default:
            return saveFailed(paths.directory);
        }
    } else if (fs.kind(paths.directory) != PathKind::Directory) {
        return accountDirectoryMissing(paths.directory);
    }

    if (!ledgerstore::save(paths, *entryBytes, *totalBytes)) {
        if (created)
            fs.removeDirectory(paths.directory); // only goes if the failed save left it empty
        return saveFailed(paths.directory);
    }
    return std::nullopt;
}

std::optional<Message> loadLedger(Form1 &ledger, const QString &userName, const QString &password) {
    if (!dataroot::isSafeDirectoryName(userName))
        return invalidUserName();
    const std::optional<double> value = ledgerformat::passwordValue(password);
    if (!value)
        return denied();
    const ledgerformat::LedgerPaths paths = pathsFor(userName, *value);
    if (fileSystem().kind(paths.directory) != PathKind::Directory)
        return denied();

    // Both files are read, and the result checked, before the window changes.
    const std::optional<ledgerstore::StoredLedger> stored = ledgerstore::read(paths);
    if (!stored)
        return denied();
    const QStringList entries = ledgerformat::fileLines(stored->entries);
    const QStringList totals = ledgerformat::fileLines(stored->total);
    if (qint64(ledger.lst->count()) + entries.size() > entrylist::kMaxLines)
        return tooManyLines();

    // Each line has the amount its text shows.
    entrylist::appendAll(ledger.lst, entries);
    // Each stored total line in turn, so that the last one stays.
    for (const QString &line : totals)
        ledger.txtt->setText(line);
    return std::nullopt;
}

} // namespace accountstore
