// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/file_system.h"

#include <QByteArray>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QString>

#include <cstdio>
#include <cstdlib>

// Stops the run with a message when a property does not hold; libFuzzer
// then keeps the input that broke it.
#define FUZZ_CHECK(condition, detail)                                                                        \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "property failed: %s (%s)\n", #condition,                                   \
                         QString(detail).toUtf8().constData());                                              \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

inline QByteArray fuzzBytes(const uint8_t *data, size_t size) {
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Files and folders in memory: each input runs in milliseconds and leaves
// nothing on disk.
class MemoryFileSystem : public storage::FileSystem {
public:
    QMap<QString, QByteArray> files;
    QSet<QString> folders;
    QString onlyWritable; // when set, every other file refuses writes

    storage::Result<storage::PathKind> kind(const QString &path) override {
        return files.contains(path)     ? storage::PathKind::File
               : folders.contains(path) ? storage::PathKind::Directory
                                        : storage::PathKind::Missing;
    }
    storage::Status makeDirectory(const QString &path) override {
        for (QString at = path; at.size() > 1; at = QFileInfo(at).path())
            folders.insert(at);
        return storage::Done{};
    }
    storage::Status removeDirectory(const QString &path) override {
        const QString inside = path + QLatin1Char('/');
        for (const QString &name : files.keys() + folders.values()) {
            if (name.startsWith(inside))
                return storage::Error::at(storage::Failure::System, path);
        }
        folders.remove(path);
        return storage::Done{};
    }
    storage::Result<QByteArray> read(const QString &path, qint64 limit) override {
        if (!files.contains(path))
            return storage::Error::at(storage::Failure::Missing, path);
        if (files.value(path).size() > limit)
            return storage::Error::over(storage::Failure::TooLarge, limit);
        return files.value(path);
    }
    storage::Status write(const QString &path, const QByteArray &bytes, storage::Links,
                          qint64 from) override {
        if (!onlyWritable.isEmpty() && path != onlyWritable)
            return storage::Error::at(storage::Failure::Shortened, path);
        QByteArray &file = files[path];
        if (from > file.size())
            return storage::Error::at(storage::Failure::Shortened, path);
        file = file.left(from) + bytes;
        return storage::Done{};
    }
    storage::Status writable(const QString &) override { return storage::Done{}; }
    storage::Status remove(const QString &path) override {
        files.remove(path);
        return storage::Done{};
    }
    storage::Status syncDirectory(const QString &) override { return storage::Done{}; }
    storage::Status rename(const QString &from, const QString &to) override {
        if (!files.contains(from))
            return storage::Error::at(storage::Failure::Missing, from);
        files.insert(to, files.take(from));
        return storage::Done{};
    }
    storage::Result<QStringList> list(const QString &directory) override {
        if (!folders.contains(directory))
            return storage::Error{storage::Failure::Missing};
        QStringList names;
        for (const QString &name : files.keys() + folders.values()) {
            if (QFileInfo(name).path() == directory)
                names.append(QFileInfo(name).fileName());
        }
        return names;
    }
};
