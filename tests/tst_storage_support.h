// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Helpers shared by the storage tests: a file system that fails (or kills
// the process) at a chosen operation, and small file utilities.

#include "model/file_system.h"
#include "model/ledger_format.h"
#include "model/ledger_store.h"
#include "model/ledger_versions.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cerrno>
#include <csignal>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace storagetest {

// Passes every operation to the real file system, except the one whose
// number (counted from 0 over all operations) is failAt (or alsoFailAt), and
// every one named failEvery: that one fails with the system error code given
// (errno, or GetLastError() on Windows) without doing anything, or, for a
// write, after writing half of the bytes. With crash set, the process kills
// itself at that operation instead. Each write is also noted in writes as
// "name from+bytes".
class FaultyFileSystem : public storage::FileSystem {
public:
    int failAt = -1;
    int alsoFailAt = -1; // a second failing operation, if any
    QString failEvery;   // an operation that always fails
#ifdef Q_OS_WIN
    int error = ERROR_CRC;
#else
    int error = EIO;
#endif
    bool crash = false;
    int count = 0;
    QStringList log;    // "operation path" for every call
    QStringList writes; // "name offset+size" for every write

    storage::Result<storage::PathKind> kind(const QString &path) override {
        return fails(QStringLiteral("kind"), path) ? refusal() : FileSystem::kind(path);
    }
    storage::Status makeDirectory(const QString &path) override {
        return fails(QStringLiteral("makeDirectory"), path) ? refusal() : FileSystem::makeDirectory(path);
    }
    storage::Status removeDirectory(const QString &path) override {
        return fails(QStringLiteral("removeDirectory"), path) ? refusal() : FileSystem::removeDirectory(path);
    }
    storage::Result<QByteArray> read(const QString &path, qint64 limit) override {
        return fails(QStringLiteral("read"), path) ? refusal() : FileSystem::read(path, limit);
    }
    storage::Status write(const QString &path, const QByteArray &bytes, storage::Links links,
                          qint64 from) override {
        writes.append(QStringLiteral("%1 %2+%3").arg(QDir(path).dirName()).arg(from).arg(bytes.size()));
        // Half the bytes reach the file before the failure.
        if (count == failAt || count == alsoFailAt || failEvery == QLatin1String("write"))
            (void)FileSystem::write(path, bytes.left(bytes.size() / 2), links, from);
        return fails(QStringLiteral("write"), path) ? refusal() : FileSystem::write(path, bytes, links, from);
    }
    storage::Status writable(const QString &path) override {
        return fails(QStringLiteral("writable"), path) ? refusal() : FileSystem::writable(path);
    }
    storage::Result<QString> setAside(const QString &path) override {
        return fails(QStringLiteral("setAside"), path) ? refusal() : FileSystem::setAside(path);
    }
    storage::Status remove(const QString &path) override {
        return fails(QStringLiteral("remove"), path) ? refusal() : FileSystem::remove(path);
    }
    storage::Status syncDirectory(const QString &path) override {
        return fails(QStringLiteral("syncDirectory"), path) ? refusal() : FileSystem::syncDirectory(path);
    }

    storage::Status rename(const QString &from, const QString &to) override {
        return fails(QStringLiteral("rename"), from) ? refusal() : FileSystem::rename(from, to);
    }
    storage::Result<QStringList> list(const QString &directory) override {
        return fails(QStringLiteral("list"), directory) ? refusal() : FileSystem::list(directory);
    }

private:
    storage::Error refusal() const {
        return storage::systemError(error);
    }

    bool fails(const QString &operation, const QString &path) {
        log.append(operation + QLatin1Char(' ') + QDir(path).dirName());
        const bool target = count == failAt || count == alsoFailAt || operation == failEvery;
        ++count;
        if (target && crash) {
#ifdef Q_OS_WIN
            // Ended with a crash's status, so that QProcess reports a crash.
            ::TerminateProcess(::GetCurrentProcess(), 0xC0000409);
#else
            ::raise(SIGKILL);
#endif
        }
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

// The journal a save of these bytes leaves when it is cut short before
// either ledger file is written; the files stay as they were, and the
// journal is taken away again.
inline QByteArray journalOfCutSave(const ledgerformat::LedgerPaths &paths, const QByteArray &entries,
                                   const QByteArray &total) {
    struct JournalOnly : storage::FileSystem {
        QString journal;
        storage::Status write(const QString &path, const QByteArray &bytes, storage::Links links,
                              qint64 from) override {
            return path == journal ? FileSystem::write(path, bytes, links, from)
                                   : storage::Error(storage::Failure::InputOutput);
        }
    } journalOnly;
    journalOnly.journal = paths.journal();
    {
        const storage::ScopedFileSystem scope(journalOnly);
        (void)ledgerstore::save(paths, entries, total);
    }
    const QByteArray bytes = readBytes(paths.journal());
    QFile::remove(paths.journal());
    return bytes;
}

inline qsizetype lineCount(const QByteArray &bytes) {
    return ledgerformat::fileLines(bytes).size();
}

// The names in a directory, sorted, without "." and "..".
inline QStringList listing(const QString &directory) {
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                     QDir::Name);
}

// The names in an account directory but its versions' folder.
inline QStringList ledgerFiles(const QString &directory) {
    QStringList names = listing(directory);
    names.removeOne(QLatin1String(ledgerversions::kFolderName));
    return names;
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
