// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "bench_support.h"

namespace bench {

// The number of entries of the benchmark ledger: a full ledger.
constexpr int kEntries = 32767;

// The size of the ledger window, which the start-up baseline copies.
constexpr int kWindowWidth = 877;
constexpr int kWindowHeight = 621;

struct Setup {
    QString workDir;        // the run's temporary directory
    QString dataHome;       // the XDG data home of every program measured
    QString appPath;        // the built tesorila executable
    QString bareWindowPath; // the start-up baseline program
    QString selfPath;       // this program, for the memory modes
    LedgerData ledger;
    MessageAnswerer *messages = nullptr;
};

// Saves the benchmark ledger under the benchmark account through the ledger
// window and the account storage, as a user would have done before.
void saveBenchmarkLedger(const Setup &setup);

QList<Result> measureStartUp(const Setup &setup, int rounds);
Result measureSignIn(const Setup &setup, int rounds);
Result measureQuickSave(const Setup &setup, int rounds);
QList<Result> measureAddDelete(const Setup &setup, int rounds);
Result measurePrint(const Setup &setup, int rounds);
Result measureMemory(const Setup &setup, int rounds);

// The memory modes, run in a process of their own: "tesorila" signs in to
// the benchmark ledger through the real windows, "base" holds the same lines
// in a bare list. Each prints its peak resident set in KiB.
int runMemoryMode(int argc, char *argv[]);

} // namespace bench
