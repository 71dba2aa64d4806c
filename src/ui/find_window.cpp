// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/find_window.h"

#include "model/search_text.h"
#include "ui/ledger_window.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QKeySequence>
#include <QListWidget>
#include <QShortcut>

buscar::buscar(QWidget *parent) : QWidget(parent) {
    ui::setUpWindow(this, QStringLiteral("buscar"), QStringLiteral("Buscar"), QSize(432, 142), ui::CloseOnly,
                    true);
    Image1 =
        new ui::Picture(this, QStringLiteral("Image1"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Texto que buscar:"),
                       QRect(16, 12, 400, 17));
    txt = ui::textBox(this, QStringLiteral("txt"), QString(), QRect(16, 32, 400, 21));
    Label2 =
        ui::label(this, QStringLiteral("Label2"),
                  QStringLiteral("Intro o F3: el siguiente; Mayús+F3: el anterior"), QRect(16, 60, 400, 17));
    Image2 = new ui::PictureButton(this, QStringLiteral("Image2"), ui::artwork("btn_anterior"),
                                   QRect(16, 88, 128, 42));
    Image3 = new ui::PictureButton(this, QStringLiteral("Image3"), ui::artwork("btn_siguiente"),
                                   QRect(152, 88, 128, 42));
    Image4 = new ui::PictureButton(this, QStringLiteral("Image4"), ui::artwork("btn_cerrar"),
                                   QRect(288, 88, 128, 42));
    connect(Image2, &ui::PictureButton::clicked, this, [this] { findNext(false); });
    connect(Image3, &ui::PictureButton::clicked, this, [this] { findNext(true); });
    connect(Image4, &ui::PictureButton::clicked, this, &QWidget::close);
    ui::keepLabelsApart(this);

    if (Form1 *ledger = ui::windows().form1()) {
        m_list = ledger->lst;
        const QAbstractItemModel *model = m_list->model();
        m_finder.reset(model->rowCount());
        connect(
            model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { m_finder.inserted(first, last - first + 1); });
        connect(
            model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { m_finder.removed(first, last - first + 1); });
        connect(model, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    m_finder.changed(topLeft.row(), bottomRight.row() - topLeft.row() + 1);
                });
        const auto anew = [this] { m_finder.reset(m_list->count()); };
        connect(model, &QAbstractItemModel::modelReset, this, anew);
        connect(model, &QAbstractItemModel::layoutChanged, this, anew);
        connect(model, &QAbstractItemModel::rowsMoved, this, anew);
    }

    ui::dialogKeys(this, Image3, Image4);
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, Image3,
            &ui::PictureButton::press);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, Image2,
            &ui::PictureButton::press);
    txt->setFocus(Qt::OtherFocusReason);
    ui::placeAt(this, QPoint(314, 200));
}

void buscar::focusBox() {
    txt->setFocus(Qt::OtherFocusReason);
    txt->selectAll();
}

void buscar::findNext(bool forward) {
    const QString needle = txt->text();
    if (!m_list || needle.isEmpty())
        return;
    const QList<int> &rows = m_finder.rows(needle, [this](int row) { return m_list->item(row)->text(); });
    const bool selected = m_list->selectionModel()->hasSelection();
    const int match = searchtext::nextMatch(rows, selected ? m_list->currentRow() : -1, forward);
    if (match < 0) {
        Label2->setText(QStringLiteral("No se ha encontrado «%1»").arg(needle));
        return;
    }
    QListWidgetItem *item = m_list->item(rows.at(match));
    m_list->setCurrentItem(item);
    m_list->scrollToItem(item);
    Label2->setText(QStringLiteral("%1 de %2").arg(match + 1).arg(rows.size()));
}
