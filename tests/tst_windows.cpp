// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport.h"

#include "app/application.h"
#include "app/single_instance.h"
#include "app/window_set.h"
#include "ui/account_dialog.h"
#include "ui/chart_window.h"
#include "ui/entry_list.h"
#include "ui/find_window.h"
#include "ui/fonts.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/import_window.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/versions_window.h"
#include "ui/widgets.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalSocket>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <numeric>

#ifndef Q_OS_WIN
#include <csignal>

#include <unistd.h>
#endif

namespace {

// Makes a window exist (through the window set) and returns it.
QWidget *windowNamed(const QString &name) {
    WindowSet &set = WindowSet::instance();
    if (name == QLatin1String("Form1"))
        return set.showForm1();
    if (name == QLatin1String("Form2"))
        return set.showForm2();
    if (name == QLatin1String("Form3"))
        return set.showForm3();
    if (name == QLatin1String("guardar"))
        return set.showGuardar();
    if (name == QLatin1String("buscar"))
        return set.showBuscar();
    if (name == QLatin1String("grafico"))
        return set.showGrafico();
    if (name == QLatin1String("importar"))
        return set.showImport();
    if (name == QLatin1String("versiones"))
        return set.showVersions();
    return set.showAbrir();
}

int topLevelsNamed(const QString &name) {
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name)
            ++count;
    }
    return count;
}

void flushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

#ifndef Q_OS_WIN
// The path of the running copy's socket, the one "tesorila-" socket in the
// folders; empty while there is none.
QString copySocketIn(const QStringList &folders) {
    for (const QString &folder : folders) {
        const QFileInfoList sockets =
            QDir(folder).entryInfoList({QStringLiteral("tesorila-*")}, QDir::System);
        if (!sockets.isEmpty())
            return sockets.first().absoluteFilePath();
    }
    return {};
}
#endif

} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startUp();
    void windows_data();
    void windows();
    void fittedPlace_data();
    void fittedPlace();
    void geometry_data();
    void geometry();
    void stacking();
    void backgroundAndLabels_data();
    void backgroundAndLabels();
    void labelsApart_data();
    void labelsApart();
    void pictureButtons();
    void oneInstanceEach();
    void hideKeepsCloseRecreates();
    // Before the tests that end the event loop: message boxes need one.
    void ownLookAndSpanish();
    void secondStartBringsLedgerForward_data();
    void secondStartBringsLedgerForward();
    void accessibilityClients();
    void closingLedgerEndsApplication();
    void aboutTexts();
    void fonts();
    void commaBetweenUnitsAndCents();
    void accessibleNames_data();
    void accessibleNames();
    void coveredWindowComesBack();
};

void TestWindows::init() {
    WindowSet::instance().destroyAll();
    flushDeletes();
    WindowSet::instance().showForm1();
}

void TestWindows::cleanup() {
    WindowSet::instance().destroyAll();
    flushDeletes();
}

void TestWindows::startUp() {
    int visible = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        visible += w->isVisible() && !w->inherits("QMenu") ? 1 : 0;
    QCOMPARE(visible, 1);
    Form1 *ledger = WindowSet::instance().form1();
    QVERIFY(ledger->isVisible());
    QCOMPARE(ledger->windowTitle(), QStringLiteral("Tesorila       Cuenta en uso: Sin Usuario"));
    QCOMPARE(ledger->lst->count(), 0);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("0"));
    QVERIFY(!WindowSet::instance().form2());
    QVERIFY(!WindowSet::instance().form3());
    QVERIFY(!WindowSet::instance().guardarWindow());
    QVERIFY(!WindowSet::instance().abrirWindow());
}

void TestWindows::windows_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QPoint>("position"); // (-1, -1): the system's choice
    QTest::addColumn<bool>("minimise");
    QTest::addColumn<bool>("maximise");
    QTest::addColumn<bool>("fixedSize");

    // The test screen is a laptop's (1093 x 614, frames of 2 pixels): the
    // ledger window does not fit at 82, 87 and goes up to the top edge;
    // the others fit and keep their places.
    QTest::newRow("Form1") << "Form1"
                           << "Tesorila       Cuenta en uso: Sin Usuario" << QSize(877, 621) << QPoint(82, 2)
                           << true << false << true;
    QTest::newRow("Form2") << "Form2"
                           << "Agregar Dato" << QSize(450, 178) << QPoint(278, 346) << false << false << true;
    QTest::newRow("Form3") << "Form3"
                           << "Acerca de..." << QSize(359, 150) << QPoint(314, 332) << false << false << true;
    QTest::newRow("guardar") << "guardar"
                             << "Guardar " << QSize(405, 171) << QPoint(-1, -1) << true << true << false;
    QTest::newRow("abrir") << "abrir"
                           << "Abrir" << QSize(405, 171) << QPoint(-1, -1) << true << true << false;
}

void TestWindows::windows() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    QFETCH(QPoint, position);
    QFETCH(bool, minimise);
    QFETCH(bool, maximise);
    QFETCH(bool, fixedSize);

    QWidget *window = windowNamed(name);
    QVERIFY(window->isVisible());
    QCOMPARE(window->objectName(), name);
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(window->size(), client);
    if (position != QPoint(-1, -1))
        QCOMPARE(window->geometry().topLeft(), position);
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QCOMPARE(flags.testFlag(Qt::WindowMinimizeButtonHint), minimise);
    QCOMPARE(flags.testFlag(Qt::WindowMaximizeButtonHint), maximise);
    QCOMPARE(window->minimumSize() == window->maximumSize(), fixedSize);
    QCOMPARE(window->minimumSize(), client);
}

void TestWindows::fittedPlace_data() {
    QTest::addColumn<QRect>("room");
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<QRect>("client");
    QTest::addColumn<QPoint>("place");
    const QRect laptop(0, 0, 1093, 614);
    const QMargins titleBar(1, 16, 1, 1);
    QTest::newRow("fits") << laptop << titleBar << QRect(278, 346, 450, 178) << QPoint(278, 346);
    // Taller than the screen: the title bar at its top edge, not above it.
    QTest::newRow("taller") << laptop << titleBar << QRect(82, 87, 877, 621) << QPoint(82, 16);
    QTest::newRow("below a panel, past the corner")
        << QRect(0, 30, 1093, 584) << QMargins(4, 24, 4, 4) << QRect(700, 500, 450, 178) << QPoint(639, 432);
    QTest::newRow("wider") << laptop << titleBar << QRect(100, 100, 1200, 100) << QPoint(1, 100);
}

void TestWindows::fittedPlace() {
    QFETCH(QRect, room);
    QFETCH(QMargins, frame);
    QFETCH(QRect, client);
    QFETCH(QPoint, place);
    QCOMPARE(ui::fittedPlace(room, frame, client), place);
    QVERIFY(room.contains(QRect(place, client.size()).marginsAdded(frame).topLeft()));
}

void TestWindows::geometry_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<bool>("smallest"); // at its minimum size, as on a small screen
    for (const char *name :
         {"Form1", "Form2", "Form3", "guardar", "abrir", "buscar", "grafico", "importar", "versiones"})
        QTest::newRow(name) << QString::fromLatin1(name) << false;
    for (const char *name : {"grafico", "importar"})
        QTest::addRow("%s at its smallest", name) << QString::fromLatin1(name) << true;
}

// Every control the user works with has its centre inside its window,
// where a click reaches it and nothing in front hides it; a hidden one
// takes no focus.
void TestWindows::geometry() {
    QFETCH(QString, window);
    QFETCH(bool, smallest);
    QWidget *w = windowNamed(window);
    if (smallest)
        w->resize(w->minimumSize());
    int controls = 0;
    for (QWidget *control : w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!qobject_cast<QLineEdit *>(control) && !qobject_cast<QListWidget *>(control) &&
            !qobject_cast<ui::PictureButton *>(control) && !qobject_cast<QRadioButton *>(control))
            continue;
        const QString name = control->objectName();
        if (!control->isVisible()) {
            QCOMPARE(control->focusPolicy(), Qt::NoFocus);
            continue;
        }
        ++controls;
        const QPoint centre = control->geometry().center();
        QVERIFY2(w->rect().contains(centre), qPrintable(name));
        const QWidget *hit = w->childAt(centre);
        QVERIFY2(hit && (hit == control || control->isAncestorOf(hit)), qPrintable(name));
    }
    QVERIFY(controls > 0 || window == QLatin1String("Form3"));
}

void TestWindows::stacking() {
    // Text boxes and the list lie in front of every picture and label.
    for (const char *name : {"Form1", "Form2", "guardar", "abrir"}) {
        QWidget *w = windowNamed(QLatin1String(name));
        const QObjectList children = w->children();
        int lastPicture = -1;
        int firstInput = int(children.size());
        for (int i = 0; i < children.size(); ++i) {
            QObject *child = children.at(i);
            if (qobject_cast<ui::Picture *>(child) || qobject_cast<QLabel *>(child))
                lastPicture = i;
            else if ((qobject_cast<QLineEdit *>(child) || qobject_cast<QListWidget *>(child)) &&
                     i < firstInput)
                firstInput = i;
        }
        QVERIFY2(lastPicture < firstInput, name);
    }
    // The Dinero Total heading lies in front of the panel behind the total.
    Form1 *ledger = WindowSet::instance().form1();
    QVERIFY(ledger->children().indexOf(ledger->Image14) > ledger->children().indexOf(ledger->Image12));
}

void TestWindows::backgroundAndLabels_data() {
    QTest::addColumn<QString>("window");
    for (const char *name : {"Form1", "Form2", "Form3", "guardar", "abrir"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestWindows::backgroundAndLabels() {
    QFETCH(QString, window);
    QWidget *w = windowNamed(window);
    const QImage image = w->grab().toImage();
    if (qEnvironmentVariableIsSet("TESORILA_SAVE_GRABS"))
        image.save(QDir::tempPath() + QLatin1Char('/') + window + QStringLiteral(".png"));
    const QColor blue(102, 153, 204);
    // Windows fill their background with the blue instead of drawing its
    // artwork, which is the blue in every pixel, at a fractional scale too.
    QImage drawn(QSize(2551, 2551), QImage::Format_RGB32), filled = drawn;
    drawn.fill(Qt::black);
    filled.fill(blue);
    QPainter painter(&drawn);
    QSvgRenderer(ui::artwork("background")).render(&painter, QRectF(0, 0, 2551.5, 2551.5));
    painter.end();
    QVERIFY(drawn == filled);
    // The corners and an empty spot are the one background blue.
    QCOMPARE(image.pixelColor(1, 1), blue);
    QCOMPARE(image.pixelColor(w->width() - 2, w->height() - 2), blue);
    // Every label draws on the blue: its box holds blue pixels and no pixel
    // of any other light, grey colour than its letters.
    for (QLabel *label : w->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!label->isVisible() || label->text().isEmpty())
            continue;
        const QRect box = label->geometry().intersected(w->rect());
        // Boxes and buttons in front of a label hide part of it.
        QRegion uncovered(box);
        for (QWidget *sibling : w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (sibling->isVisible() && !qobject_cast<QLabel *>(sibling) &&
                !qobject_cast<ui::Picture *>(sibling))
                uncovered -= sibling->geometry();
        }
        int bluePixels = 0;
        int otherPixels = 0;
        for (int y = box.top(); y <= box.bottom(); ++y) {
            for (int x = box.left(); x <= box.right(); ++x) {
                if (!uncovered.contains(QPoint(x, y)))
                    continue;
                const QColor c = image.pixelColor(x, y);
                if (c == blue)
                    ++bluePixels;
                else if (qAbs(c.red() - c.green()) < 8 && qAbs(c.green() - c.blue()) < 8 && c.value() > 150)
                    ++otherPixels; // a grey or white box behind the text
            }
        }
        // Labels that other controls partly cover (the comma under cd) still
        // show mostly blue around their letters.
        QVERIFY2(bluePixels > box.width() * box.height() / 4, qPrintable(label->objectName()));
        QVERIFY2(otherPixels < box.width() * box.height() / 20, qPrintable(label->objectName()));
    }
}

void TestWindows::labelsApart_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<qreal>("points"); // of Tahoma, standing in for the dialogs' face: wider
    for (const char *name : {"Form2", "Form3", "guardar", "abrir"}) {
        for (const qreal points : {0.0, 8.0, 10.0, 12.0})
            QTest::addRow("%s, %g points", name, points) << QString::fromLatin1(name) << points;
    }
}

// No label's letters lie over another's, nor outside the window, in the
// window's own font (0 points) and in wider ones.
void TestWindows::labelsApart() {
    QFETCH(QString, window);
    QFETCH(qreal, points);
    QWidget *w = windowNamed(window);
    if (points > 0)
        w->setFont(fonts::tahoma(points));
    QList<QPair<QString, QRect>> inked;
    for (QLabel *label : w->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (label->isHidden() || label->text().isEmpty())
            continue;
        const QImage image = label->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QRect ink;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                ink |= qAlpha(image.pixel(x, y)) > 0 ? QRect(x, y, 1, 1) : QRect();
        }
        ink.translate(label->pos());
        QVERIFY2(!ink.isEmpty() && w->rect().contains(ink), qPrintable(label->objectName()));
        for (const auto &[name, other] : qAsConst(inked))
            QVERIFY2(!ink.intersects(other), qPrintable(label->objectName() + QLatin1Char(' ') + name));
        inked.append({label->objectName(), ink});
    }
}

void TestWindows::pictureButtons() {
    for (const char *name :
         {"Form1", "Form2", "guardar", "abrir", "buscar", "grafico", "importar", "versiones"}) {
        QWidget *w = windowNamed(QLatin1String(name));
        const QList<ui::PictureButton *> buttons = w->findChildren<ui::PictureButton *>();
        QVERIFY(!buttons.isEmpty());
        for (ui::PictureButton *button : buttons) {
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);
            QVERIFY(button->toolTip().isEmpty());
            QSignalSpy clicks(button, &ui::PictureButton::clicked);
            // A right click is no click, and a press released outside is none.
            QTest::mouseClick(button, Qt::RightButton);
            QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
            QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(-5, -5));
            QCOMPARE(clicks.count(), 0);
            // Nothing lies in front of a picture button: a click on the
            // window at its centre reaches it.
            QCOMPARE(w->childAt(button->geometry().center()), static_cast<QWidget *>(button));
        }
    }
    // A double-click (press, release, double-click, release) is one click,
    // not two.
    QWidget host;
    auto *button =
        new ui::PictureButton(&host, QStringLiteral("probe"), ui::artwork("tile_plus"), QRect(0, 0, 33, 30));
    host.show();
    QSignalSpy clicks(button, &ui::PictureButton::clicked);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseDClick(button, Qt::LeftButton);
    QTest::mouseRelease(button, Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);

    // Tabbing through the ledger window visits the list and the total only.
    Form1 *ledger = WindowSet::instance().form1();
    QWidget *widget = ledger->lst;
    for (int i = 0; i < 6; ++i) {
        widget = widget->nextInFocusChain();
        QVERIFY2(!qobject_cast<ui::Picture *>(widget) || widget->focusPolicy() == Qt::NoFocus, "picture");
    }
}

void TestWindows::oneInstanceEach() {
    Form1 *ledger = WindowSet::instance().form1();
    for (ui::PictureButton *button : {ledger->Image1, ledger->Image3, ledger->Image6}) {
        testsupport::click(button);
        testsupport::click(button);
    }
    QCOMPARE(topLevelsNamed(QStringLiteral("Form2")), 1);
    QCOMPARE(topLevelsNamed(QStringLiteral("abrir")), 1);
    QCOMPARE(topLevelsNamed(QStringLiteral("Form3")), 1);
    QVERIFY(WindowSet::instance().form2()->isVisible());
    QVERIFY(WindowSet::instance().abrirWindow()->isVisible());
    QVERIFY(WindowSet::instance().form3()->isVisible());
    QCOMPARE(topLevelsNamed(QStringLiteral("Form1")), 1);
    QVERIFY(ledger->isVisible()); // modeless: the ledger window stays
}

void TestWindows::hideKeepsCloseRecreates() {
    abrir *dialog = WindowSet::instance().showAbrir();
    dialog->user->setText(QStringLiteral("ana"));
    testsupport::click(dialog->Image2); // Cancelar hides
    QVERIFY(!dialog->isVisible());
    QCOMPARE(WindowSet::instance().showAbrir(), dialog);
    QCOMPARE(dialog->user->text(), QStringLiteral("ana"));

    QPointer<abrir> old = dialog;
    QVERIFY(dialog->close()); // the title bar's close button
    flushDeletes();
    QVERIFY(old.isNull());
    QVERIFY(!WindowSet::instance().abrirWindow());
    abrir *fresh = WindowSet::instance().showAbrir();
    QVERIFY(fresh->isVisible());
    QVERIFY(fresh->user->text().isEmpty());

    // The About window, which has no load handler, comes back the same way.
    QPointer<Form3> about = WindowSet::instance().showForm3();
    about->close();
    flushDeletes();
    QVERIFY(about.isNull());
    Form3 *again = WindowSet::instance().showForm3();
    QCOMPARE(again->geometry().topLeft(), QPoint(314, 332));
}

// The event loop really ends when the ledger window is closed, also while
// other windows are open, and they go with it.
void TestWindows::closingLedgerEndsApplication() {
    WindowSet &set = WindowSet::instance();
    set.showForm2();
    set.showForm3();
    set.showAbrir();
    QPointer<Form1> ledger = set.form1();
    QVERIFY(testsupport::endsApplication([ledger] { ledger->close(); }));
    flushDeletes();
    QVERIFY(ledger.isNull());
    QVERIFY(!set.form2());
    QVERIFY(!set.form3());
    QVERIFY(!set.abrirWindow());
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
}

void TestWindows::aboutTexts() {
    Form3 *about = WindowSet::instance().showForm3();
    QCOMPARE(about->Label2->text(), QStringLiteral("Tesorila V 1.2"));
    QCOMPARE(about->Label3->text(), QStringLiteral("Aplicación de gestion economica de facil uso"));
    for (QLabel *label : {about->Label1, about->Label4, about->Label5}) {
        QVERIFY(!label->text().isEmpty());
        QVERIFY(!label->text().contains(QLatin1Char('\n')));
        // Each short line fits its label, wrapping at most onto the lines
        // the label's height shows.
        QVERIFY(label->heightForWidth(label->width()) <= label->height() + 2);
    }
}

void TestWindows::fonts() {
    Form1 *ledger = WindowSet::instance().form1();
    QCOMPARE(ledger->lst->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(ledger->lst->font().pointSizeF(), 12.0);
    QVERIFY(ledger->lst->font().bold());
    QCOMPARE(ledger->txtt->font().family(), QStringLiteral("Tahoma"));
    QCOMPARE(ledger->txtt->font().pointSizeF(), 14.25);
    QVERIFY(!ledger->txtt->font().bold());
    Form2 *dialog = WindowSet::instance().showForm2();
    QCOMPARE(dialog->Label6->font().pointSizeF(), 24.0);
    // The faces really are there, not a fallback of another width.
    QCOMPARE(QFontInfo(ledger->lst->font()).family(), QStringLiteral("Tahoma"));
#ifndef Q_OS_WIN
    // So is the dialogs' bitmap face, found once the application adds it.
    QCOMPARE(QFontInfo(QApplication::font()).family(), QStringLiteral("MS Sans Serif"));
#endif

    // The list is drawn really bold: more ink than the regular face leaves.
    auto ink = [](const QFont &font) {
        QImage image(240, 40, QImage::Format_Grayscale8);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(font);
        painter.drawText(QPointF(2, 30), QStringLiteral("lllll 09/12/2026"));
        painter.end();
        qint64 dark = 0;
        for (int y = 0; y < image.height(); ++y)
            dark += std::accumulate(image.constScanLine(y), image.constScanLine(y) + 240, qint64(0),
                                    [](qint64 sum, uchar grey) { return sum + 255 - grey; });
        return dark;
    };
    QFont regular = ledger->lst->font();
    regular.setBold(false);
    QVERIFY(ink(ledger->lst->font()) > 1.3 * ink(regular));
    // No gap between a slash's ink and the next digit's.
    const QFontMetricsF metrics(ledger->lst->font());
    QVERIFY(metrics.rightBearing(QLatin1Char('/')) + metrics.leftBearing(QLatin1Char('1')) <= 2);
}

void TestWindows::commaBetweenUnitsAndCents() {
    Form2 *dialog = WindowSet::instance().showForm2();
    const QImage image = dialog->grab().toImage();
    // Dark pixels of the comma in the gap between txt1 and cd.
    const int gapLeft = dialog->txt1->geometry().right() + 1;
    const int gapRight = dialog->cd->geometry().left() - 1;
    QVERIFY(gapRight >= gapLeft);
    int dark = 0;
    for (int y = dialog->Label6->y(); y < dialog->Label6->y() + dialog->Label6->height(); ++y) {
        for (int x = gapLeft; x <= gapRight; ++x)
            dark += image.pixelColor(x, y).value() < 80 ? 1 : 0;
    }
    QVERIFY2(dark >= 4, qPrintable(QString::number(dark)));
}

void TestWindows::secondStartBringsLedgerForward_data() {
    QTest::addColumn<int>("nameLength"); // of the runtime folder's name, beyond the temporary part
    QTest::addColumn<bool>("stopped");   // the first copy is stopped, not killed
    QTest::newRow("first copy killed") << 0 << false;
    QTest::newRow("runtime folder path of 125 characters or more") << 106 << false;
    QTest::newRow("long runtime folder path, temporary folder open to others") << -106 << false;
#ifndef Q_OS_WIN
    QTest::newRow("first copy stopped") << 0 << true;
#endif
}

// A second start of the program, while a copy runs, brings that copy's ledger
// window forward and ends. The socket of a copy that was killed is no obstacle,
// nor a long runtime folder path. A stopped copy is named in a message within
// about a second, and the message goes once that copy answers.
void TestWindows::secondStartBringsLedgerForward() {
    QFETCH(int, nameLength);
    QFETCH(bool, stopped);
#ifdef Q_OS_WIN
    Q_UNUSED(stopped) // no row stops a copy there
#endif
    const bool openToOthers = nameLength < 0;
    nameLength = qAbs(nameLength);
    QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/runtime-") +
                          QString(nameLength, QLatin1Char('r')));
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
#ifdef Q_OS_WIN
    // A named pipe goes with its process, and its name has no folder's
    // path to outgrow: only the second start is left to check.
    Q_UNUSED(openToOthers)
    if (nameLength > 0)
        QSKIP("Un nombre de tubería no lleva la ruta de una carpeta");
#else
    // The temporary folder, where the socket goes when its path in the
    // runtime folder would be too long, is the test's own.
    QTemporaryDir temporary;
    const bool temporarySet = qEnvironmentVariableIsSet("TMPDIR");
    const QByteArray oldTemporary = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(temporary.path()));
    const auto restoreTemporary = qScopeGuard([&] {
        if (temporarySet)
            qputenv("TMPDIR", oldTemporary);
        else
            qunsetenv("TMPDIR");
    });
    // There the socket is in a folder of this user's alone, or nowhere.
    const QString own = temporary.path() + QStringLiteral("/tesorila-%1").arg(::geteuid());
    if (openToOthers) {
        QVERIFY(QDir().mkpath(own) &&
                QFile::setPermissions(own, QFile::permissions(own) | QFile::WriteOther));
        QVERIFY(singleinstance::claim([] {}));
        QCOMPARE(copySocketIn({runtime.path(), temporary.path(), own}), QString());
        return;
    }
    QProcess first;
    first.start(QStringLiteral(TESORILA_EXECUTABLE));
    QString socket;
    QTRY_VERIFY_WITH_TIMEOUT(!(socket = copySocketIn({runtime.path(), own})).isEmpty(), 20000);
    QCOMPARE(QFileInfo(socket).absolutePath(), nameLength > 0 ? own : runtime.path());
    if (stopped) {
        // Stopped once it has started and answers, not while it starts:
        // then it answers at once when it goes on.
        QLocalSocket started;
        started.connectToServer(socket);
        QVERIFY(started.waitForConnected(20000) && started.waitForReadyRead(20000));
        const auto pid = pid_t(first.processId());
        ::kill(pid, SIGSTOP);
        bool asked = false; // then the first copy resumes, answers and the message goes
        QTimer resume;
        connect(&resume, &QTimer::timeout,
                [&] { asked = asked || (QApplication::activeModalWidget() && ::kill(pid, SIGCONT) == 0); });
        resume.start(5);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!singleinstance::claim([] {}));
        QVERIFY2(asked && clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        return;
    }
    first.kill();
    QVERIFY(first.waitForFinished());
#endif
    QVERIFY(singleinstance::claim([] { WindowSet::instance().comeForward(); }));
    Form1 *ledger = WindowSet::instance().form1();
    ledger->showMinimized();
    QProcess second;
    second.start(QStringLiteral(TESORILA_EXECUTABLE));
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QProcess::NotRunning, 20000);
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(!ledger->isMinimized());
}

void TestWindows::ownLookAndSpanish() {
    // A dark desktop palette merged into the application's changes nothing.
    QPalette dark;
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role)
            dark.setColor(QPalette::ColorGroup(group), QPalette::ColorRole(role), QColor(30, 30, 30));
    }
    QCOMPARE(QApplication::palette().resolve(dark), QApplication::palette());
    Form1 *ledger = WindowSet::instance().form1();
    QCOMPARE(ledger->lst->palette().color(QPalette::Base), QColor(Qt::white));

    // Qt's own texts are Spanish: the message box's one button and the
    // text boxes' context menu.
    const QList<testsupport::SeenMessage> seen = testsupport::answerMessages(
        [ledger] { messagebox::show(ledger, QStringLiteral("Texto"), QStringLiteral("Título")); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().buttonText, QStringLiteral("Aceptar"));
    std::unique_ptr<QMenu> menu(ledger->txtt->createStandardContextMenu());
    QStringList items;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator())
            items << action->text().section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
    }
    QCOMPARE(items, QStringList({"Deshacer", "Rehacer", "Cortar", "Copiar", "Pegar", "Eliminar",
                                 "Seleccionar todo"}));
}

void TestWindows::accessibleNames_data() {
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control"); // empty: the window itself
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("role");

    struct Row {
        const char *window;
        const char *control;
        const char *name;
        QAccessible::Role role;
    };
    // One row of each kind of control and every window (the About window
    // has no named control of its own).
    const Row rows[] = {
        {"Form1", "", "Tesorila       Cuenta en uso: Sin Usuario", QAccessible::Window},
        {"Form1", "Image1", "Añadir registro (Insert o Ctrl+I)", QAccessible::Button},
        {"Form1", "lst", "Registros", QAccessible::List},
        {"Form1", "txtt", "Dinero total", QAccessible::EditableText},
        {"Form2", "", "Agregar Dato", QAccessible::Window},
        {"Form2", "opt2", "Gastos", QAccessible::RadioButton},
        {"Form2", "cd", "Céntimos", QAccessible::EditableText},
        {"Form3", "", "Acerca de...", QAccessible::Window},
        {"guardar", "", "Guardar ", QAccessible::Window},
        {"guardar", "pass", "Contraseña", QAccessible::EditableText},
        {"abrir", "Image1", "Abrir (Intro)", QAccessible::Button},
        {"buscar", "Image2", "Anterior (Mayús+F3)", QAccessible::Button},
        {"grafico", "Image2", "Cerrar (Esc)", QAccessible::Button},
    };
    for (const Row &row : rows)
        QTest::addRow("%s.%s", row.window, row.control)
            << QString::fromLatin1(row.window) << QString::fromLatin1(row.control)
            << QString::fromUtf8(row.name) << int(row.role);
}

void TestWindows::accessibleNames() {
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(int, role);
    QWidget *w = windowNamed(window);
    QWidget *target = control.isEmpty() ? w : w->findChild<QWidget *>(control);
    QVERIFY(target);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(target);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), name);
    QCOMPARE(int(iface->role()), role);
    if (role == QAccessible::Button)
        QVERIFY(!iface->text(QAccessible::Description).isEmpty());
}

// What accessibility clients get: never the account in use, list lines read
// without tabs and selectable, no press while a message waits.
void TestWindows::accessibilityClients() {
    Form1 *ledger = WindowSet::instance().form1();
    ledger->pass1->setText(QStringLiteral("4321"));
    QAccessibleInterface *window = QAccessible::queryAccessibleInterface(ledger);
    for (int i = 0; i < window->childCount(); ++i) {
        for (const QLineEdit *box : {ledger->user1, ledger->pass1, ledger->Text1})
            QVERIFY(window->child(i)->object() != box);
    }

    entrylist::append(ledger->lst, QStringLiteral("1/2/26\t\t+12,50€\t\tPan"), 1250);
    QAccessibleTableInterface *list = nullptr; // as a client finds it, from the window
    for (int i = 0; i < window->childCount() && !list; ++i)
        list = window->child(i)->object() == ledger->lst ? window->child(i)->tableInterface() : nullptr;
    QVERIFY(list);
    QCOMPARE(list->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("1/2/26, +12,50€, Pan"));
    QVERIFY(list->selectRow(0));
    QCOMPARE(ledger->selectedIndex(), 0);

    // A long title with a short message: the box is as wide as the title
    // needs in bold, beyond Qt's own allowance.
    QAccessibleInterface *plus = QAccessible::queryAccessibleInterface(ledger->Image1);
    const QString title = QStringLiteral("Operacion terminada con un título largo");
    const QList<testsupport::SeenMessage> seen = testsupport::answerMessages([&] {
        QTimer::singleShot(
            0, [plus] { plus->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); });
        messagebox::show(ledger, QStringLiteral("Hecho"), title);
    });
    QCoreApplication::processEvents();
    QVERIFY(!WindowSet::instance().form2());
    QFont bold = QApplication::font();
    bold.setBold(true);
    QCOMPARE(seen.size(), 1);
    QVERIFY(seen.first().width > QFontMetrics(bold).horizontalAdvance(title) + 50);
}

// A window already shown but covered by the ledger window comes to the
// front, active and unchanged, when its command is given again; the first
// one is given as a screen reader does.
void TestWindows::coveredWindowComesBack() {
    Form1 *ledger = WindowSet::instance().form1();
    QAccessibleInterface *plus = QAccessible::queryAccessibleInterface(ledger->Image1);
    plus->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(WindowSet::instance().form2() && WindowSet::instance().form2()->isVisible());
    Form2 *dialog = WindowSet::instance().form2();
    dialog->txt2->setText(QStringLiteral("Panadería"));

    WindowSet &set = WindowSet::instance();
    const QList<QPair<ui::PictureButton *, std::function<QWidget *()>>> commands = {
        {ledger->Image1, [&set] { return set.form2(); }},
        {ledger->Image3, [&set] { return set.abrirWindow(); }},
        {ledger->Image4, [&set] { return set.guardarWindow(); }},
        {ledger->Image6, [&set] { return set.form3(); }},
    };
    for (const auto &[button, window] : commands) {
        testsupport::click(button);
        ledger->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(ledger));
        testsupport::click(button);
        QTRY_COMPARE(QApplication::activeWindow(), window());
    }
    QCOMPARE(dialog->txt2->text(), QStringLiteral("Panadería"));
}

TESORILA_TEST_MAIN(TestWindows)
#include "tst_windows.moc"
