// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <utility>
#include <variant>

// What went wrong in storage, as a value that travels back to whoever shows
// it. The model names the failure; the windows word it (ui/messages).
namespace storage {

enum class Failure {
    System,          // the system refused: code holds its error
    NotRegularFile,  // a pipe, socket or device stands at name, one of our own file names
    FolderInTheWay,  // a folder stands at name, one of our own file names
    FileInTheWay,    // a file stands where a folder belongs
    TooLarge,        // the file at name holds more than limit bytes
    Shortened,       // the file at name became shorter than the bytes a save keeps of it
    LineTooLong,     // a stored line is longer than limit
    TotalTooLong,    // the stored total is longer than limit
    TooManyLines,    // the list would hold more than limit lines
    InvalidUserName, // the user name cannot name a folder
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
    int code;                 // System: errno, or GetLastError() where windowsCode
    bool windowsCode = false; // code is a Windows error code
    QString name;             // the file, folder or characters concerned
    qint64 limit = 0;
    bool unfinished = false; // a save that a read already finds, but not durably done
    bool dataRoot = false;   // the data root or its marker failed, not the account

    // Another program holds the file open, refusing to share it, still so
    // after a wait (Windows' sharing and lock violations).
    bool heldByAnotherProgram() const { return windowsCode && (code == 32 || code == 33); }

    static Error system(int code) { return Error(Failure::System, code); }
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
