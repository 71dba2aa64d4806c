// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

// One running copy of the program per user and display: a later start asks
// the running copy to come forward, and ends. This only carries the request;
// what coming forward means is the caller's.
namespace singleinstance {

// Called once the application is set up and before any window is shown.
// Returns false when a copy of this user already runs on this display and has
// come forward: the caller then ends. Otherwise returns true, and this
// process serves later starts from then on: each one calls `comeForward`,
// and is answered once it has returned.
//
// A running copy that does not answer within a second (stopped, hung, busy)
// is named in a message box that asks whether to start another copy; the
// box closes by itself, and false is returned, should it answer meanwhile.
// Returns false, too, when the user declines. Without a usable runtime
// folder the program starts as if it were the only copy.
bool claim(std::function<void()> comeForward);

} // namespace singleinstance
