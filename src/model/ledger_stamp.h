// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/data_root.h"

namespace ledgerstore {

// The two files of one ledger as a window last read or wrote them. Every
// save makes both files anew, so a save by anyone else, or the completion
// of one that was cut short, gives them another stamp. The default stamp
// is that of no files at all.
struct Stamp {
    dataroot::FileStamp entries;
    dataroot::FileStamp total;
};

} // namespace ledgerstore
