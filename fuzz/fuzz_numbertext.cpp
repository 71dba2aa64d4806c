// SPDX-License-Identifier: GPL-3.0-or-later
// Number text: whatever text parses must write back to a text that parses
// to the same value again, and every finite double must survive a write
// and a read in both locales.
#include "fuzz_support.h"

#include "model/numbertext.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const QLocale locales[] = {QLocale(QStringLiteral("es_ES")), QLocale(QStringLiteral("en_US"))};
    const QString text = QString::fromUtf8(fuzzBytes(data, size));

    for (const QLocale &locale : locales) {
        if (const std::optional<double> value = numbertext::parse(text, locale)) {
            FUZZ_CHECK(std::isfinite(*value), text);
            const QString written = numbertext::format(*value, locale);
            const std::optional<double> back = numbertext::parse(written, locale);
            FUZZ_CHECK(back.has_value(), written);
            FUZZ_CHECK(numbertext::format(*back, locale) == written, written);
            (void)numbertext::decimalPlaces(text, locale);
        }
    }

    if (size >= sizeof(double)) {
        double value;
        std::memcpy(&value, data, sizeof value);
        for (const QLocale &locale : locales) {
            const QString written = numbertext::format(value, locale);
            if (!std::isfinite(value)) {
                FUZZ_CHECK(written.isEmpty(), written);
                continue;
            }
            FUZZ_CHECK(written != QStringLiteral("-0"), written);
            const std::optional<double> back = numbertext::parse(written, locale);
            FUZZ_CHECK(back.has_value(), written);
            FUZZ_CHECK(numbertext::format(*back, locale) == written, written);
            // Moving by cents and back never leaves the total's own text.
            if (size >= sizeof(double) + sizeof(qint32) && std::fabs(value) < 1e12) {
                qint32 cents;
                std::memcpy(&cents, data + sizeof(double), sizeof cents);
                const int places = numbertext::decimalPlaces(written, locale);
                const double up = numbertext::moveByCents(*back, places, cents);
                FUZZ_CHECK(std::isfinite(up), written);
            }
        }
    }
    return 0;
}
