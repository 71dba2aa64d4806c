// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every figure of the benchmark program shares: the samples and their
// medians, the way failures are reported, clicks and waiting for the screen
// to show a change, the answering of message boxes, and the ledger used.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <initializer_list>
#include <optional>

class QWidget;

namespace bench {

// A figure that could not be measured: the program ends with this message.
struct Failure {
    QString message;
};

// The entries of the benchmark ledger and its total.
struct LedgerData {
    QStringList lines;
    QList<qint32> cents;
    QString totalText;
};

// The account the benchmark saves and signs in to.
QString userName();
QString password();

// A ledger of the given number of entries, the same in every run.
LedgerData makeLedger(int count);

// One measured figure, ready for the table.
struct Result {
    QString key;   // short name of the machine-readable line
    QString title; // what the table calls it
    QString unit;  // "ms" or "KiB"
    double ours = 0;
    std::optional<double> baseline;
    QString goal;
    bool met = false;

    std::optional<double> ratio() const;
};

// Samples of one figure and of its baseline.
struct Samples {
    QList<double> ours;
    QList<double> baseline;
};

double median(QList<double> values);

// A figure measured against its baseline, whose goal is a ratio of the two
// medians of at most maxRatio.
Result ratioResult(const QString &key, const QString &title, const QString &unit, const Samples &samples,
                   double maxRatio);

// Measures both sides the given number of times, alternating which one goes
// first so that neither always runs on a warmer machine.
Samples alternate(int rounds, const std::function<double()> &ours, const std::function<double()> &baseline);

using Clock = std::chrono::steady_clock;

// Milliseconds from one moment to a later one.
double msBetween(Clock::time_point from, Clock::time_point to);

// Clicks a widget with the left mouse button, as a user does.
void click(QWidget *widget);

// Lets the event loop run until each of the widgets has painted itself at
// least once since the watch was made: the moment a change is on screen.
class PaintWatch : public QObject {
public:
    PaintWatch(std::initializer_list<QWidget *> widgets);
    ~PaintWatch() override;

    // Throws Failure when the widgets have not painted within a few seconds.
    void wait();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QPointer<QWidget>> m_widgets;
    QSet<QObject *> m_painted;
};

// Runs the event loop until nothing is left to do.
void settle();

// Answers every message box of the application as soon as it is shown,
// remembering what it said and when it appeared.
class MessageAnswerer : public QObject {
public:
    struct Seen {
        QString title;
        QString text;
        Clock::time_point shownAt;
    };

    MessageAnswerer();
    ~MessageAnswerer() override;

    // The boxes shown since the last call.
    QList<Seen> take();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<Seen> m_seen;
};

// The peak resident set of this process in KiB (VmHWM), or -1.
qint64 peakMemoryKiB();

} // namespace bench
