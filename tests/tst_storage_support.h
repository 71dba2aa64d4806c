// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers shared by the storage tests: a file system that fails (or kills
// the process) at a chosen operation, and small file utilities.

#include <QSaveFile>

#include "model/file_system.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace storagetest {

// Passes every operation to the real file system, except the one whose
// number (counted from 0 over all operations) is failAt (or alsoFailAt): that one fails
// without doing anything, or, for a write, after writing half of the bytes.
// With crash set, the process kills itself at that operation instead.
class FaultyFileSystem : public storage::FileSystem {
public:
    int failAt = -1;
    int alsoFailAt = -1; // a second failing operation, if any
    bool crash = false;
    int count = 0;
    QStringList log; // "operation path" for every call

    storage::PathKind kind(const QString &path) override {
        return fails(QStringLiteral("kind"), path) ? storage::PathKind::Unknown : FileSystem::kind(path);
    }
    bool makeDirectory(const QString &path) override {
        return !fails(QStringLiteral("makeDirectory"), path) && FileSystem::makeDirectory(path);
    }
    bool makePath(const QString &path) override {
        return !fails(QStringLiteral("makePath"), path) && FileSystem::makePath(path);
    }
    bool removeDirectory(const QString &path) override {
        return !fails(QStringLiteral("removeDirectory"), path) && FileSystem::removeDirectory(path);
    }
    std::optional<QByteArray> read(const QString &path, qint64 limit) override {
        if (fails(QStringLiteral("read"), path))
            return std::nullopt;
        return FileSystem::read(path, limit);
    }
    bool open(QSaveFile &file) override {
        return !fails(QStringLiteral("open"), file.fileName()) && FileSystem::open(file);
    }
    bool write(QSaveFile &file, const QByteArray &bytes) override {
        if (isTarget()) {
            // Half the bytes reach the file before the failure.
            FileSystem::write(file, bytes.left(bytes.size() / 2));
            FileSystem::sync(file);
        }
        return !fails(QStringLiteral("write"), file.fileName()) && FileSystem::write(file, bytes);
    }
    bool sync(QSaveFile &file) override {
        return !fails(QStringLiteral("sync"), file.fileName()) && FileSystem::sync(file);
    }
    bool commit(QSaveFile &file) override {
        return !fails(QStringLiteral("commit"), file.fileName()) && FileSystem::commit(file);
    }
    bool rename(const QString &from, const QString &to) override {
        return !fails(QStringLiteral("rename"), from) && FileSystem::rename(from, to);
    }
    bool remove(const QString &path) override {
        return !fails(QStringLiteral("remove"), path) && FileSystem::remove(path);
    }
    bool syncDirectory(const QString &path) override {
        return !fails(QStringLiteral("syncDirectory"), path) && FileSystem::syncDirectory(path);
    }

private:
    bool isTarget() const { return count == failAt || count == alsoFailAt; }

    bool fails(const QString &operation, const QString &path) {
        log.append(operation + QLatin1Char(' ') + QDir(path).dirName());
        const bool target = isTarget();
        ++count;
        if (target && crash) {
#ifdef Q_OS_WIN
            // Ended with a crash's status, so that QProcess reports a crash.
            ::TerminateProcess(::GetCurrentProcess(), 0xC0000409);
#else
            ::raise(SIGKILL);
#endif
        }
        if (target)
            setError(std::make_error_code(std::errc::io_error));
        return target;
    }
};

inline bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The names in a directory, sorted, without "." and "..".
inline QStringList listing(const QString &directory) {
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                     QDir::Name);
}

// Ledger file bytes with a tag, so that two ledgers are told apart.
inline QByteArray ledgerBytes(const QByteArray &tag, int lines) {
    QByteArray bytes;
    for (int i = 0; i < lines; ++i)
        bytes +=
            tag + "\t\t+" + QByteArray::number(i) + ",00\x80\t\tN\xf3mina " + QByteArray::number(i) + "\r\n";
    return bytes;
}

} // namespace storagetest
