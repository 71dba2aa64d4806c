// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_registry.h"

#include <QtGlobal>

namespace ui {

namespace {
Windows *g_windows = nullptr;
} // namespace

Windows::~Windows() = default;

Windows &windows() {
    Q_ASSERT(g_windows);
    return *g_windows;
}

void setWindows(Windows *set) {
    g_windows = set;
}

} // namespace ui
