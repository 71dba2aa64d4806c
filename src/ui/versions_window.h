// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/ledger_format.h"
#include "model/ledger_versions.h"

#include <QList>
#include <QWidget>

#include <optional>

class QLabel;
class QTreeWidget;

namespace ui {
class Picture;
class PictureButton;
} // namespace ui

// The saved versions of the account in use, newest first: when each was
// replaced, its entries and total, and how many entries the save that
// replaced it added and removed. Recuperar puts the chosen one into the
// ledger window as an unsaved change; nothing is written until the user
// saves.
class VersionsWindow : public QWidget {
    Q_OBJECT
public:
    explicit VersionsWindow(QWidget *parent = nullptr);

    // Lists the versions of the ledger at paths, that of the account
    // userName; without paths, says that no account is in use.
    void showLedger(const QString &userName, const std::optional<ledgerformat::LedgerPaths> &paths);

    ui::Picture *Image3;       // background
    QLabel *Label1;            // which account, or that there is none
    QTreeWidget *lst;          // the versions
    ui::PictureButton *Image1; // Recuperar
    ui::PictureButton *Image2; // Cancelar

public slots:
    void Image1_Click();

private:
    QList<ledgerversions::Version> m_versions; // as listed, row by row
};
