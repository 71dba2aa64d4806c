// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/account_dialog.h"

// The open-account dialog: signs in to a saved ledger and loads it into the
// ledger window.
class abrir : public AccountDialog {
    Q_OBJECT
public:
    explicit abrir(QWidget *parent = nullptr);

public slots:
    void Form_Load();
    void Image1_Click();
};
