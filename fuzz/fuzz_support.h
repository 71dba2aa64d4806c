// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
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
