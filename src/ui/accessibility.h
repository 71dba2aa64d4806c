// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// What a screen reader hears of the windows: the picture buttons as push
// buttons with a Spanish name, a description and a press action that runs
// their click handler; the text boxes, the list, the total and the option
// buttons named after the labels beside them; each window as a window named
// by its caption.
namespace accessibility {

// Makes Qt's accessibility interface present the picture buttons and the
// windows as above. Call before the first window is built; safe to call
// more than once.
void installFactory();

// Gives the controls of a newly built window of the window set their
// accessible names and descriptions.
void describe(QWidget *window);

} // namespace accessibility
