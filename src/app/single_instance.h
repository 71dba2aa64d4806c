// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// One running copy of the program per user and display: a later start asks
// the running copy to come forward, and ends. This only carries the request;
// what coming forward means is the caller's.
namespace singleinstance {

// Called once the application object exists and before any window is shown.
// Returns false when a copy of this user already runs on this display and has
// come forward: the caller then ends. Otherwise returns true, and this
// process serves later starts from then on: each one calls `comeForward`,
// and is answered once it has returned.
//
// This never keeps the program from starting: without a usable runtime
// folder, or when the running copy does not answer, the program starts as if
// it were the only copy.
bool claim(std::function<void()> comeForward);

} // namespace singleinstance
