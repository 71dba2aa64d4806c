// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/messages.h"

#include "model/data_root.h"

#include <QDir>
#include <QStringList>

#include <cerrno>
#include <utility>

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
    default:
        return std::nullopt;
    }
}

// The error numbers of the same meaning as Windows error codes (winerror.h,
// by number, so that this builds everywhere).
const std::pair<int, int> kWindowsErrors[] = {
    {39, ENOSPC},        // ERROR_HANDLE_DISK_FULL
    {112, ENOSPC},       // ERROR_DISK_FULL
    {1295, ENOSPC},      // ERROR_DISK_QUOTA_EXCEEDED
    {5, EACCES},         // ERROR_ACCESS_DENIED
    {1314, EACCES},      // ERROR_PRIVILEGE_NOT_HELD
    {19, EROFS},         // ERROR_WRITE_PROTECT
    {2, ENOENT},         // ERROR_FILE_NOT_FOUND
    {3, ENOENT},         // ERROR_PATH_NOT_FOUND
    {15, ENOENT},        // ERROR_INVALID_DRIVE
    {21, ENOENT},        // ERROR_NOT_READY
    {53, ENOENT},        // ERROR_BAD_NETPATH
    {80, EEXIST},        // ERROR_FILE_EXISTS
    {183, EEXIST},       // ERROR_ALREADY_EXISTS
    {267, ENOTDIR},      // ERROR_DIRECTORY
    {206, ENAMETOOLONG}, // ERROR_FILENAME_EXCED_RANGE
    {4, EMFILE},         // ERROR_TOO_MANY_OPEN_FILES
    {8, ENOMEM},         // ERROR_NOT_ENOUGH_MEMORY
    {14, ENOMEM},        // ERROR_OUTOFMEMORY
    {17, EXDEV},         // ERROR_NOT_SAME_DEVICE
    {223, EFBIG},        // ERROR_FILE_TOO_LARGE
    {23, EIO},           // ERROR_CRC
    {29, EIO},           // ERROR_WRITE_FAULT
    {30, EIO},           // ERROR_READ_FAULT
    {31, EIO},           // ERROR_GEN_FAILURE
    {1117, EIO},         // ERROR_IO_DEVICE
};

// The error number of the error; -1 for a Windows code without one.
int errnoOf(const Error &error) {
    if (!error.windowsCode)
        return error.code;
    for (const auto &[code, number] : kWindowsErrors) {
        if (code == error.code)
            return number;
    }
    return -1;
}

QString systemReason(const Error &error) {
    if (error.heldByAnotherProgram())
        return QStringLiteral("otro programa tiene abierto el archivo");
    switch (errnoOf(error)) {
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
        return QStringLiteral("el sistema ha dado el error número %1").arg(error.code);
    }
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
        return systemReason(error);
    case Failure::NotRegularFile:
        return QStringLiteral("hay algo llamado %1 que no es un archivo normal").arg(error.name);
    case Failure::FolderInTheWay:
        return QStringLiteral("hay una carpeta llamada %1 donde debería haber un archivo").arg(error.name);
    case Failure::FileInTheWay:
        return systemReason(Error::system(ENOTDIR));
    case Failure::TooLarge:
        return QStringLiteral("el archivo %1 es demasiado grande").arg(error.name);
    case Failure::Shortened:
        return QStringLiteral("otro programa ha acortado el archivo %1 mientras se guardaba").arg(error.name);
    case Failure::Missing:
        return systemReason(Error::system(ENOENT));
    default:
        return ownMessage(error, QString()).value_or(Message{}).text;
    }
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
        return {QStringLiteral("No se ha podido terminar de guardar en %1: %2. Vuelva a guardar cuando se "
                               "haya resuelto; hasta entonces puede volver lo guardado antes.")
                    .arg(place, reason(error)),
                kSaveTitle};
    return {QStringLiteral("No se ha podido guardar en %1: %2. Lo que había guardado no ha cambiado.")
                .arg(place, reason(error)),
            kSaveTitle};
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

} // namespace messages
