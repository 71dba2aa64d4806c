#pragma once

#include "storage/account_dialog.h"

// The save-account dialog: saves the ledger under a user name and a numeric
// password and makes that account the one in use.
class guardar : public AccountDialog {
    Q_OBJECT
public:
    explicit guardar(QWidget *parent = nullptr);

public slots:
    void Form_Load();
    void Image1_Click();
    void Image2_Click();
};
