// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMessageBox>

class QPushButton;

namespace singleinstance {

// The question put when a copy runs but does not answer: whether to open a
// copy of its own. Rejected (QDialog::reject()) while it waits, it goes as
// if the user had declined.
class AnotherCopyQuestion : public QMessageBox {
public:
    AnotherCopyQuestion();

    // Asks, modal to the application, and returns once it is answered or
    // gone: true when the user chose a copy of its own.
    bool userOpensAnother();

private:
    QPushButton *m_open;
};

} // namespace singleinstance
