// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <utility>
#include <variant>

// What went wrong in storage, as a value that travels back to whoever shows
// it. The model names the failure; the windows word it (ui/messages).
namespace storage {

enum class Failure {
    System, // the system refused, for a reason without a kind of its own: code holds its error

    // The system's reasons, from its error codes (platform files) or a
    // file device's error.
    DiskFull,             // no room left, or the user's quota is spent
    NoPermission,         // the user may not do it there
    ReadOnlyDisk,         // the disk takes no writes
    Gone,                 // a folder or file on the way is not there (any more)
    FileTooBig,           // the file would be larger than the system allows
    ValueTooLarge,        // a size or offset does not fit the system's numbers
    NameTooLong,          // a name or the whole path is too long
    LinkLoop,             // the symbolic links of the path lead round in a circle
    TooManyOpenFiles,     // the process or the system has no file handle left
    NoMemory,             // the system has no memory left for the call
    Busy,                 // the file or folder is in use by the system
    OtherDisk,            // a move between two disks
    InputOutput,          // the disk failed to read or write
    HeldByAnotherProgram, // another program holds the file open, refusing to share it, still after a wait
    NoOneThere,           // a socket or device at the name, with nothing connected to it
    NoFileLocks,          // the folder's file system cannot lock files (a network share, often)

    // A bank statement read for an import.
    EmptyFile,      // the file holds nothing
    NotAStatement,  // no movement with a date and an amount could be read from the file
    NoAmountColumn, // the file is a table with dates but no column of amounts

    NotRegularFile,  // a pipe, socket or device stands at name, one of our own file names
    FolderInTheWay,  // a folder stands at name, one of our own file names (no name where unknown)
    FileInTheWay,    // a file stands where a folder belongs
    TooLarge,        // the file at name holds more than limit bytes
    Shortened,       // the file at name became shorter than the bytes a save keeps of it
    LineTooLong,     // a stored line is longer than limit
    TotalTooLong,    // the stored total is longer than limit
    TooManyLines,    // the list would hold more than limit lines
    InvalidUserName, // the user name cannot name a folder
    WindowsUserName, // no account is made under a name Windows cannot hold as a folder
    UserNameTooLong, // no account is made under a name longer than limit, which Windows' paths cannot hold
    InvalidPassword, // the password is not all digits
    NameClash,       // the password's file names could be another password's
    Unsavable,       // name holds characters a ledger file cannot hold
    Missing,         // no such account, ledger or file: the plain denial
    AccountMissing,  // the account folder at name is gone
    AccountInUse,    // another running copy holds the account
    ChangedSinceRead // another save came in after this window read or saved
};

struct Error {
    explicit Error(Failure failure = Failure::System, int code = 0, QString name = {}, qint64 limit = 0)
        : failure(failure), code(code), name(std::move(name)), limit(limit) {}

    Failure failure;
    int code;     // the system's own error number where it gave one (errno, GetLastError()), for the log
    QString name; // the file, folder or characters concerned
    qint64 limit = 0;
    bool unfinished = false; // a save that a read already finds, but not durably done
    bool dataRoot = false;   // the data root or its marker failed, not the account
    bool version = false;    // keeping the ledger a save replaces as a version failed

    static Error at(Failure failure, const QString &name) { return Error(failure, 0, name); }
    static Error over(Failure failure, qint64 limit) { return Error(failure, 0, QString(), limit); }
};

// A value or the error that took its place.
template <class T> class [[nodiscard]] Result {
public:
    // Either converts implicitly, so that a function returns a value or an error alike.
    // cppcheck-suppress noExplicitConstructor
    Result(T value) : m_value(std::move(value)) {} // NOLINT(google-explicit-constructor)
    // cppcheck-suppress noExplicitConstructor
    Result(Error error) : m_value(std::move(error)) {} // NOLINT(google-explicit-constructor)
    bool ok() const { return m_value.index() == 0; }
    explicit operator bool() const { return ok(); }
    T &operator*() { return std::get<0>(m_value); }
    const T &operator*() const { return std::get<0>(m_value); }
    T *operator->() { return &std::get<0>(m_value); }
    const T *operator->() const { return &std::get<0>(m_value); }
    const Error &error() const { return std::get<1>(m_value); }

private:
    std::variant<T, Error> m_value;
};

struct Done {};
using Status = Result<Done>;

} // namespace storage
