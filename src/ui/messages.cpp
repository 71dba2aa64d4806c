// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/messages.h"

#include "model/data_root.h"
#include "model/entry_text.h"
#include "model/ledger_versions.h"
#include "model/numbertext.h"

#include <QDir>
#include <QStringList>

#include <optional>

namespace messages {

using storage::Error;
using storage::Failure;

namespace {

const QString kSaveTitle = QStringLiteral("Error al guardar");
const QString kOpenTitle = QStringLiteral("Acceso denegado");

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

// The failures that are a whole message of their own, under the title of
// the command they stopped.
std::optional<Message> ownMessage(const Error &error, const QString &title) {
    const QString password = QStringLiteral("Contraseña no válida");
    const QString invalid = QStringLiteral("Registro no válido");
    switch (error.failure) {
    case Failure::InvalidUserName:
        return Message{
            QStringLiteral("Ese nombre de usuario no se puede usar como nombre de carpeta. Elija otro."),
            QStringLiteral("Nombre no válido")};
    case Failure::WindowsUserName:
        return Message{QStringLiteral("El nombre de usuario no puede usarse: Windows no admite nombres como "
                                      "CON, NUL o COM1, ni los caracteres < > : \" | ? *, ni un punto o un "
                                      "espacio al final. Elija otro."),
                       QStringLiteral("Nombre no válido")};
    case Failure::UserNameTooLong:
        return Message{
            QStringLiteral("El nombre de usuario es demasiado largo: puede tener %1 caracteres como "
                           "mucho. Elija otro.")
                .arg(error.limit),
            QStringLiteral("Nombre no válido")};
    case Failure::InvalidPassword:
        return Message{QStringLiteral("La contraseña debe estar formada solo por cifras del 0 al 9."),
                       password};
    case Failure::NameClash:
        return Message{
            QStringLiteral("La contraseña es un número demasiado grande: con ella, uno de los archivos de "
                           "este registro podría llevar el mismo nombre que un archivo de otra contraseña "
                           "y borrarlo. Use una contraseña de 14 cifras como mucho y menor que "
                           "99999999999999."),
            password};
    case Failure::Unsavable:
        return Message{
            QStringLiteral("El registro tiene caracteres que no se pueden guardar: %1. No se ha guardado "
                           "nada.")
                .arg(describe(error.name)),
            QStringLiteral("Caracteres no válidos")};
    case Failure::AccountMissing:
        return Message{QStringLiteral("La carpeta de la cuenta %1 ya no existe. No se ha guardado nada.")
                           .arg(QDir::toNativeSeparators(error.name)),
                       kSaveTitle};
    case Failure::AccountInUse:
        return Message{
            QStringLiteral("Otra ventana de Tesorila está abriendo o guardando esta cuenta en este "
                           "momento. Inténtelo de nuevo dentro de un momento; no se ha cambiado nada."),
            title};
    case Failure::ChangedSinceRead:
        return Message{
            QStringLiteral("Otra ventana de Tesorila ha guardado esta cuenta después de que esta ventana "
                           "la abriera o la guardara. No se ha guardado nada, para no borrar lo que "
                           "guardó la otra ventana. Puede guardar en otra cuenta el registro que ve aquí."),
            kSaveTitle};
    case Failure::TooManyLines:
        return Message{QStringLiteral("Con los registros de esta cuenta la lista pasaría de %1 líneas. "
                                      "No se ha cargado nada.")
                           .arg(error.limit),
                       QStringLiteral("Demasiados registros")};
    case Failure::LineTooLong:
        return Message{QStringLiteral("El registro de esta cuenta tiene una línea de más de %1 caracteres, y "
                                      "ninguna anotación es tan larga. No se ha cargado nada.")
                           .arg(error.limit),
                       invalid};
    case Failure::TotalTooLong:
        return Message{
            QStringLiteral("El total guardado en esta cuenta tiene más de %1 caracteres, más de los "
                           "que caben en la casilla del total. No se ha cargado nada.")
                .arg(error.limit),
            invalid};
    case Failure::System:
    case Failure::NotRegularFile:
    case Failure::FolderInTheWay:
    case Failure::FileInTheWay:
    case Failure::TooLarge:
    case Failure::Shortened:
    case Failure::Missing:
    case Failure::DiskFull:
    case Failure::NoPermission:
    case Failure::ReadOnlyDisk:
    case Failure::Gone:
    case Failure::FileTooBig:
    case Failure::ValueTooLarge:
    case Failure::NameTooLong:
    case Failure::LinkLoop:
    case Failure::TooManyOpenFiles:
    case Failure::NoMemory:
    case Failure::Busy:
    case Failure::OtherDisk:
    case Failure::InputOutput:
    case Failure::HeldByAnotherProgram:
    case Failure::NoOneThere:
    case Failure::NoFileLocks:
    case Failure::EmptyFile:
    case Failure::NotAStatement:
    case Failure::NoAmountColumn:
        return std::nullopt; // a reason within the command's own message
    }
    return std::nullopt;
}

} // namespace

Message missingFields() {
    return {QStringLiteral("Debe de rellenar todas las casillas"), QStringLiteral("Faltan campos")};
}

Message saved() {
    return {QStringLiteral("Se ha guardado correctamente"), QStringLiteral("Operacion terminada")};
}

QString reason(const Error &error) {
    switch (error.failure) {
    case Failure::System:
        // Without a Spanish name of its own: its number, for whoever helps.
        return QStringLiteral("el sistema ha dado el error número %1").arg(error.code);
    case Failure::NotRegularFile:
        return QStringLiteral("hay algo llamado %1 que no es un archivo normal").arg(error.name);
    case Failure::FolderInTheWay:
        if (error.name.isEmpty())
            return QStringLiteral("hay una carpeta con el nombre de uno de los archivos");
        return QStringLiteral("hay una carpeta llamada %1 donde debería haber un archivo").arg(error.name);
    case Failure::FileInTheWay:
        return QStringLiteral("hay un archivo donde debería haber una carpeta");
    case Failure::TooLarge:
        return QStringLiteral("el archivo %1 es demasiado grande").arg(error.name);
    case Failure::Shortened:
        return QStringLiteral("otro programa ha acortado el archivo %1 mientras se guardaba").arg(error.name);
    case Failure::Missing:
    case Failure::Gone:
        return QStringLiteral("la carpeta o el archivo ya no existe");
    case Failure::DiskFull:
        return QStringLiteral("el disco está lleno");
    case Failure::NoPermission:
        return QStringLiteral("no tiene permiso para hacerlo en esa carpeta");
    case Failure::ReadOnlyDisk:
        return QStringLiteral("el disco es de solo lectura");
    case Failure::FileTooBig:
        return QStringLiteral("el archivo es demasiado grande");
    case Failure::ValueTooLarge:
        return QStringLiteral("el valor es demasiado grande");
    case Failure::NameTooLong:
        return QStringLiteral("el nombre del archivo es demasiado largo");
    case Failure::LinkLoop:
        return QStringLiteral("los enlaces simbólicos de la ruta forman un bucle");
    case Failure::TooManyOpenFiles:
        return QStringLiteral("hay demasiados archivos abiertos");
    case Failure::NoMemory:
        return QStringLiteral("no queda memoria libre");
    case Failure::Busy:
        return QStringLiteral("el archivo o la carpeta está en uso");
    case Failure::OtherDisk:
        return QStringLiteral("los archivos están en discos distintos");
    case Failure::InputOutput:
        return QStringLiteral("el disco ha dado un error de lectura o escritura");
    case Failure::HeldByAnotherProgram:
        return QStringLiteral("otro programa tiene abierto el archivo");
    case Failure::NoOneThere:
        return QStringLiteral(
            "el nombre es el de un socket o un dispositivo sin nada conectado al otro lado");
    case Failure::NoFileLocks:
        return QStringLiteral(
            "el sistema no puede bloquear archivos en esa carpeta (una carpeta de red, quizá)");
    case Failure::EmptyFile:
        return QStringLiteral("el archivo está vacío");
    case Failure::NotAStatement:
        return QStringLiteral("no es un extracto en CSV, Norma 43 u OFX, o ninguna de sus líneas tiene una "
                              "fecha y un importe que se entiendan");
    case Failure::NoAmountColumn:
        return QStringLiteral("tiene fechas, pero ninguna columna de importes");
    case Failure::InvalidUserName:
    case Failure::WindowsUserName:
    case Failure::UserNameTooLong:
    case Failure::InvalidPassword:
    case Failure::NameClash:
    case Failure::Unsavable:
    case Failure::AccountMissing:
    case Failure::AccountInUse:
    case Failure::ChangedSinceRead:
    case Failure::TooManyLines:
    case Failure::LineTooLong:
    case Failure::TotalTooLong:
        return ownMessage(error, QString()).value_or(Message{}).text;
    }
    return QString();
}

Message dataRootFailed(const Error &error) {
    return {QStringLiteral("No se ha podido crear la carpeta de datos %1 ni su archivo noborrar.text: %2.")
                .arg(QDir::toNativeSeparators(dataroot::path()), reason(error)),
            QStringLiteral("Carpeta de datos")};
}

Message saveFailed(const Error &error, const QString &directory) {
    if (std::optional<Message> own = ownMessage(error, kSaveTitle))
        return *own;
    if (error.dataRoot)
        return dataRootFailed(error);
    const QString place = QDir::toNativeSeparators(directory);
    if (error.unfinished)
        return {QStringLiteral("No se ha podido terminar de guardar en %1: %2. Lo nuevo está anotado y se "
                               "terminará de guardar la próxima vez que abra o guarde esta cuenta; hasta "
                               "entonces, un corte de luz puede devolver lo guardado antes.")
                    .arg(place, reason(error)),
                kSaveTitle};
    if (error.version)
        return {QStringLiteral("No se ha podido guardar en %1: no se ha podido conservar en la carpeta %2 "
                               "una copia de lo que había guardado, porque %3. Lo que había guardado no "
                               "ha cambiado.")
                    .arg(place,
                         QDir::toNativeSeparators(directory + QLatin1Char('/') +
                                                  QLatin1String(ledgerversions::kFolderName)),
                         reason(error)),
                kSaveTitle};
    return {QStringLiteral("No se ha podido guardar en %1: %2. Lo que había guardado no ha cambiado.")
                .arg(place, reason(error)),
            kSaveTitle};
}

Message exportFailed(const Error &error, const QString &path) {
    return {QStringLiteral("No se ha podido exportar el registro a %1: %2. No se ha escrito nada.")
                .arg(QDir::toNativeSeparators(path), reason(error)),
            QStringLiteral("Exportar")};
}

Message openFailed(const Error &error) {
    // A missing file says nothing of whether the user name or the password
    // was wrong.
    if (error.failure == Failure::Missing)
        return {QStringLiteral("Usuario o contraseña incorrectas"), kOpenTitle};
    if (std::optional<Message> own = ownMessage(error, kOpenTitle))
        return *own;
    return {QStringLiteral("No se ha podido leer el registro de esta cuenta: %1. No se ha cargado nada.")
                .arg(reason(error)),
            kOpenTitle};
}

Message importFailed(const Error &error, const QString &fileName) {
    const QString title = QStringLiteral("Importar movimientos");
    if (error.failure == Failure::TooLarge)
        return {
            QStringLiteral("El archivo %1 ocupa más de %2 MB, más que cualquier extracto bancario. No se ha "
                           "añadido nada.")
                .arg(fileName)
                .arg(error.limit / (qint64(1024) * 1024)),
            title};
    return {QStringLiteral("No se ha podido leer el archivo %1: %2. No se ha añadido nada.")
                .arg(fileName, reason(error)),
            title};
}

QString skipReason(const bankimport::Skipped &skipped) {
    using bankimport::Skip;
    switch (skipped.reason) {
    case Skip::BadDate:
        return QStringLiteral("«%1» no es una fecha válida.").arg(skipped.detail);
    case Skip::BadAmount:
        return QStringLiteral("«%1» no es un importe válido.").arg(skipped.detail);
    case Skip::NoAmount:
        return QStringLiteral("No tiene importe.");
    case Skip::TooFewColumns:
        return QStringLiteral("Tiene solo %1 columnas; faltan la de la fecha o la del importe.")
            .arg(skipped.detail);
    case Skip::BadRecord:
        return QStringLiteral("No es un registro de movimiento de la Norma 43.");
    case Skip::AmountTooLarge:
        return QStringLiteral("El importe pasa de %1 €, el mayor que se puede anotar.")
            .arg(numbertext::format(entrytext::kMaxAmountCents / 100.0));
    case Skip::Unsavable:
        return QStringLiteral("Tiene caracteres que no se pueden guardar: %1.").arg(describe(skipped.detail));
    case Skip::Duplicate:
        return QStringLiteral("Ya está en la lista.");
    }
    return QString();
}

} // namespace messages
