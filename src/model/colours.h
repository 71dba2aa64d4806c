// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The colours the ledger gives its running total, on screen and on paper,
// as red, green and blue parts from 0 to 255.
namespace colours {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend constexpr bool operator==(Rgb a, Rgb b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    friend constexpr bool operator!=(Rgb a, Rgb b) { return !(a == b); }
};

constexpr Rgb kBlack{0, 0, 0};
// Zero and above.
constexpr Rgb kGreen{0, 128, 0};
// Below zero.
constexpr Rgb kDarkRed{192, 0, 0};

} // namespace colours
