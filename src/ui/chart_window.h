// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/month_summary.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QTableWidget;

namespace ui {
class Picture;
class PictureButton;
} // namespace ui

// Draws a month summary: above, the running total of the dated entries over
// their dates, green at zero and above, dark red below; beneath, each
// month's income and expenses as a pair of bars. Axes and labels in
// Spanish, amounts with the decimal comma. Drawn in the widget's own
// coordinates, so that it is as sharp at every screen scale.
class ChartView : public QWidget {
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent);
    void setSummary(const summary::Summary &summary);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    summary::Summary m_summary;
};

// The chart window: the chart of the ledger list's entries, and under it a
// table of months with their income, expenses and balance and each year's
// totals. It follows the list as it changes. On a screen too small for it
// the window is smaller, the chart and the table sharing what there is.
class grafico : public QWidget {
    Q_OBJECT
public:
    explicit grafico(QWidget *parent = nullptr);

    // Reads the ledger list again.
    void refresh();

    ui::Picture *Image1; // background
    ChartView *chart;
    QTableWidget *table;
    ui::PictureButton *Image2; // Cerrar

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QTimer m_refresh;
};
