// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench_support.h"

#include "model/entry_text.h"
#include "model/numbertext.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDate>
#include <QFile>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <random>

namespace bench {

QString userName() {
    return QStringLiteral("Banco de pruebas");
}

QString password() {
    return QStringLiteral("20240611");
}

LedgerData makeLedger(int count) {
    static const QStringList sources = {
        QStringLiteral("Nómina de la empresa"),
        QStringLiteral("Supermercado"),
        QStringLiteral("Alquiler del piso"),
        QStringLiteral("Factura de la luz"),
        QStringLiteral("Gasolina"),
        QStringLiteral("Regalo de cumpleaños"),
        QStringLiteral("Cena con amigos"),
        QStringLiteral("Venta de libros usados"),
        QStringLiteral("Farmacia"),
        QStringLiteral("Clases de guitarra"),
    };
    std::mt19937 random(20240611u);
    LedgerData data;
    data.lines.reserve(count);
    data.cents.reserve(count);
    double total = 0;
    QString totalText = QStringLiteral("0");
    const QDate first(2020, 1, 1);
    for (int i = 0; i < count; ++i) {
        const QDate date = first.addDays(i / 12);
        const bool income = random() % 3 == 0;
        const QString units = QString::number(random() % (income ? 3000 : 400));
        const QString cents = QStringLiteral("%1").arg(random() % 100, 2, 10, QLatin1Char('0'));
        const QString source = sources.at(int(random() % sources.size()));
        const QString line =
            entrytext::displayText(date.toString(QStringLiteral("dd/MM/yyyy")), income, units, cents, source);
        const qint32 amount = entrytext::centsFromDisplayText(line);
        total = numbertext::moveByCents(total, numbertext::decimalPlaces(totalText), amount);
        totalText = numbertext::format(total);
        data.lines.append(line);
        data.cents.append(amount);
    }
    data.totalText = totalText;
    return data;
}

std::optional<double> Result::ratio() const {
    if (!baseline || *baseline <= 0)
        return std::nullopt;
    return ours / *baseline;
}

Result ratioResult(const QString &key, const QString &title, const QString &unit, const Samples &samples,
                   double maxRatio) {
    Result result{key,
                  title,
                  unit,
                  median(samples.ours),
                  median(samples.baseline),
                  QStringLiteral("relación ≤ ") + numbertext::format(maxRatio, QLocale(QLocale::Spanish)),
                  false};
    const std::optional<double> ratio = result.ratio();
    result.met = ratio && *ratio <= maxRatio;
    return result;
}

double median(QList<double> values) {
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

Samples alternate(int rounds, const std::function<double()> &ours, const std::function<double()> &baseline) {
    Samples samples;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            samples.ours.append(ours());
            samples.baseline.append(baseline());
        } else {
            samples.baseline.append(baseline());
            samples.ours.append(ours());
        }
    }
    return samples;
}

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void click(QWidget *widget) {
    const QPointF local = QRectF(widget->rect()).center();
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

PaintWatch::PaintWatch(std::initializer_list<QWidget *> widgets) {
    for (QWidget *widget : widgets) {
        m_widgets.append(widget);
        widget->installEventFilter(this);
    }
}

PaintWatch::~PaintWatch() {
    for (const QPointer<QWidget> &widget : m_widgets) {
        if (widget)
            widget->removeEventFilter(this);
    }
}

bool PaintWatch::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Paint)
        m_painted.insert(watched);
    return false;
}

void PaintWatch::wait() {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
    while (m_painted.size() < m_widgets.size()) {
        if (Clock::now() > deadline)
            throw Failure{QStringLiteral("la ventana no se ha vuelto a dibujar")};
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

MessageAnswerer::MessageAnswerer() {
    qApp->installEventFilter(this);
}

MessageAnswerer::~MessageAnswerer() {
    qApp->removeEventFilter(this);
}

QList<MessageAnswerer::Seen> MessageAnswerer::take() {
    QList<Seen> seen;
    seen.swap(m_seen);
    return seen;
}

bool MessageAnswerer::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() != QEvent::Show)
        return false;
    auto *box = qobject_cast<QMessageBox *>(watched);
    if (!box)
        return false;
    // The question before a ledger with changes is emptied: the benchmark
    // empties its ledgers on purpose.
    if (box->objectName() == QLatin1String("pregunta")) {
        QTimer::singleShot(0, box, [box]() {
            for (QAbstractButton *button : box->buttons()) {
                if (box->buttonRole(button) == QMessageBox::DestructiveRole)
                    button->click();
            }
        });
        return false;
    }
    m_seen.append(Seen{box->windowTitle(), box->text(), Clock::now()});
    QTimer::singleShot(0, box, [box]() {
        const QList<QAbstractButton *> buttons = box->buttons();
        if (buttons.isEmpty())
            box->reject();
        else
            buttons.first()->click();
    });
    return false;
}

qint64 peakMemoryKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace bench
