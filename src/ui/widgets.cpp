// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets.h"

#include "ui/fonts.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHash>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmapCache>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSvgRenderer>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace ui {

QColor backgroundColor() {
    return QColor(102, 153, 204);
}

QColor color(colours::Rgb rgb) {
    return QColor(rgb.red, rgb.green, rgb.blue);
}

QColor totalGreen() {
    return color(colours::kGreen);
}

QColor totalDarkRed() {
    return color(colours::kDarkRed);
}

QString artwork(const char *name) {
    return QStringLiteral(":/resources/") + QLatin1String(name) + QStringLiteral(".svg");
}

namespace {

// One renderer per picture, shared by every widget that shows it, and
// released when the program ends.
struct RendererCache {
    ~RendererCache() { qDeleteAll(renderers); }
    QHash<QString, QSvgRenderer *> renderers;
};
Q_GLOBAL_STATIC(RendererCache, rendererCache)

QSvgRenderer *rendererFor(const QString &resource) {
    // The background is one flat colour, backgroundColor(), and is filled
    // with it: drawing it as a picture costs several milliseconds at
    // every full repaint of a window.
    if (resource == artwork("background"))
        return nullptr;
    QSvgRenderer *&renderer = rendererCache->renderers[resource];
    if (!renderer)
        renderer = new QSvgRenderer(resource);
    return renderer;
}

} // namespace

Picture::Picture(QWidget *parent, const QString &name, const QString &resource, const QRect &geometry)
    : QWidget(parent), m_renderer(rendererFor(resource)), m_resource(resource) {
    setObjectName(name);
    setGeometry(geometry);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void Picture::setResource(const QString &resource) {
    if (resource == m_resource)
        return;
    m_resource = resource;
    m_renderer = rendererFor(resource);
    update();
}

void Picture::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    // At a fractional scale the widget's last row and column of device
    // pixels are only partly inside it: the artwork is stretched to whole
    // device pixels (by less than one), so that no seam of whatever lay
    // there before shows through and its edges stay sharp.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels(int(std::ceil(width() * ratio)), int(std::ceil(height() * ratio)));
    const QRectF target(QPointF(0, 0), QSizeF(pixels) / ratio);
    if (!m_renderer || !m_renderer->isValid()) {
        painter.fillRect(target, backgroundColor());
        return;
    }
    // The artwork is drawn once for each size and kept as pixels: drawing
    // it again costs far more than copying it (its captions are shaped and
    // turned into outlines each time), and a window is drawn again each
    // time a dialog above it closes.
    const QString key =
        m_resource + QStringLiteral("@%1x%2x%3").arg(pixels.width()).arg(pixels.height()).arg(ratio);
    QPixmap drawn;
    if (!QPixmapCache::find(key, &drawn)) {
        drawn = QPixmap(pixels);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
        QPainter onto(&drawn);
        m_renderer->render(&onto, target);
        onto.end();
        QPixmapCache::insert(key, drawn);
    }
    painter.drawPixmap(QPointF(0, 0), drawn);
}

PictureButton::PictureButton(QWidget *parent, const QString &name, const QString &resource,
                             const QRect &geometry)
    : Picture(parent, name, resource, geometry) {
    setCursor(Qt::ArrowCursor);
}

void PictureButton::mousePressEvent(QMouseEvent *event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void PictureButton::mouseReleaseEvent(QMouseEvent *event) {
    const bool wasPressed = m_pressed;
    m_pressed = false;
    event->accept();
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void PictureButton::mouseDoubleClickEvent(QMouseEvent *event) {
    m_pressed = false;
    event->accept();
}

OptionButton::OptionButton(QWidget *parent, const QString &name, const QString &caption,
                           const QRect &geometry)
    : QRadioButton(caption, parent) {
    setObjectName(name);
    setGeometry(geometry);
    setFocusPolicy(Qt::StrongFocus);
    // The caption lies beyond the button's width and is never seen; the
    // label beside the button carries the word.
}

void OptionButton::focusInEvent(QFocusEvent *event) {
    QRadioButton::focusInEvent(event);
    if (!isChecked())
        setChecked(true);
}

QLabel *label(QWidget *parent, const QString &name, const QString &text, const QRect &geometry) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setGeometry(geometry);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    l->setWordWrap(true);
    l->setAutoFillBackground(false);
    l->setAttribute(Qt::WA_TranslucentBackground);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->setFocusPolicy(Qt::NoFocus);
    l->setTextInteractionFlags(Qt::NoTextInteraction);
    l->setMargin(0);
    l->setIndent(0);
    l->setContentsMargins(0, 0, 0, 0);
    return l;
}

namespace {

// The lines the label wraps its text into when it has the box, from the
// box's top-left corner (wider than the box where one word is).
QRect textLines(const QLabel *label, const QRect &box) {
    const QRect unbounded(box.topLeft(), QSize(box.width(), 1 << 16));
    return label->fontMetrics().boundingRect(unbounded, int(label->alignment()) | Qt::TextWordWrap,
                                             label->text());
}

class LabelsApart : public QObject {
public:
    explicit LabelsApart(QWidget *window) : QObject(window), m_window(window), m_height(window->height()) {
        for (QLabel *text : window->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (text->isHidden() || text->text().isEmpty())
                continue;
            m_boxes.append({text, text->geometry()});
            text->installEventFilter(this);
        }
        // From the top down, each label below those it may have to clear.
        std::stable_sort(m_boxes.begin(), m_boxes.end(),
                         [](const Box &a, const Box &b) { return a.box.top() < b.box.top(); });
        for (const Box &entry : qAsConst(m_boxes))
            m_lowest = qMax(m_lowest, entry.box.bottom() + 1);
        window->installEventFilter(this);
        arrange();
    }

    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::FontChange)
            arrange();
        return false;
    }

private:
    struct Box {
        QPointer<QLabel> label;
        QRect box; // as the window was made
    };

    void arrange() {
        QList<QRect> above;
        int lowest = 0;
        for (const Box &entry : qAsConst(m_boxes)) {
            if (!entry.label)
                continue;
            QRect box = entry.box;
            box.setHeight(qMax(box.height(), textLines(entry.label, box).height()));
            // What the label draws: its lines, clipped to its box.
            QRect text = textLines(entry.label, box) & box;
            for (auto other = above.cbegin(); other != above.cend();) {
                if (other->intersects(text)) {
                    box.moveTop(other->bottom() + 1);
                    text = textLines(entry.label, box) & box;
                    other = above.cbegin();
                } else {
                    ++other;
                }
            }
            if (entry.label->geometry() != box)
                entry.label->setGeometry(box);
            above.append(text);
            lowest = qMax(lowest, box.bottom() + 1);
        }
        // Labels moved past the window's bottom make it taller, by as much as
        // they went lower.
        const int height = lowest > m_height ? m_height + lowest - m_lowest : m_height;
        if (height != m_window->height()) {
            const bool fixed = m_window->minimumHeight() == m_window->maximumHeight();
            m_window->setMinimumHeight(height);
            if (fixed)
                m_window->setMaximumHeight(height);
            m_window->resize(m_window->width(), height);
        }
    }

    QWidget *m_window;
    int m_height;     // the window's, as it was made
    int m_lowest = 0; // the lowest bottom of a label's box, as it was made
    QList<Box> m_boxes;
};

} // namespace

void keepLabelsApart(QWidget *window) {
    new LabelsApart(window);
}

QLineEdit *textBox(QWidget *parent, const QString &name, const QString &text, const QRect &geometry) {
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setTextMargins(0, 0, 0, 0);
    box->setFocusPolicy(Qt::StrongFocus);
    box->setContextMenuPolicy(Qt::DefaultContextMenu);
    return box;
}

QLineEdit *hiddenTextBox(QWidget *parent, const QString &name, const QString &text, const QRect &geometry) {
    // Marked before it holds any text: an accessibility client that is
    // listening asks for the box's interface at its first change.
    auto *box = new QLineEdit(parent);
    box->setProperty(kScratchProperty, true);
    box->setVisible(false);
    box->setFocusPolicy(Qt::NoFocus);
    box->setObjectName(name);
    box->setGeometry(geometry);
    box->setTextMargins(0, 0, 0, 0);
    box->setText(text);
    return box;
}

void setUpWindow(QWidget *window, const QString &name, const QString &caption, const QSize &clientSize,
                 TitleButtons buttons, bool fixedSize) {
    window->setObjectName(name);
    window->setWindowTitle(caption);

    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (buttons == MinimiseClose || buttons == MinimiseMaximiseClose)
        flags |= Qt::WindowMinimizeButtonHint;
    if (buttons == MinimiseMaximiseClose)
        flags |= Qt::WindowMaximizeButtonHint;
    window->setWindowFlags(flags);

    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, backgroundColor());
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setFont(fonts::dialogFont());

    window->resize(clientSize);
    if (fixedSize)
        window->setFixedSize(clientSize);
    else
        window->setMinimumSize(clientSize);
}

QPoint fittedPlace(const QRect &room, const QMargins &frame, const QRect &client) {
    const QRect outer = client.marginsAdded(frame);
    QPoint place = outer.topLeft();
    place.rx() -= qMax(0, outer.right() - room.right());
    place.ry() -= qMax(0, outer.bottom() - room.bottom());
    place.setX(qMax(place.x(), room.left()));
    place.setY(qMax(place.y(), room.top()));
    return place + QPoint(frame.left(), frame.top());
}

namespace {

// The frame the window manager last gave a window of the program. A window
// not shown yet has none, and is most likely to get the same.
QMargins g_lastFrame;

// The window's frame once the window manager has framed it; until then, an
// empty one.
QMargins frameOf(const QWidget *window) {
    const QWindow *handle = window->windowHandle();
    if (!handle || !window->isVisible())
        return {};
    const QMargins frame = handle->frameMargins();
    if (!frame.isNull())
        g_lastFrame = frame;
    return frame;
}

// The window's size, or as much less of it as the area holds with the
// frame around it, down to the window's minimum size.
QSize fittedSize(const QWidget *window, const QRect &room, const QMargins &frame) {
    const QSize inside = room.size().shrunkBy(frame);
    return window->size().boundedTo(inside).expandedTo(window->minimumSize());
}

QRect roomAt(const QPoint &point) {
    const QScreen *screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// Fits the window again once the window manager has framed it, for the
// frame it really has: a reparenting window manager frames a window only
// after it is shown, a little later than the first Show event. A frame
// that stays empty (no window manager) changes nothing, and the check ends
// after a while.
class FitWhenFramed : public QObject {
public:
    FitWhenFramed(QWidget *window, const QPoint &clientTopLeft)
        : QObject(window), m_window(window), m_place(clientTopLeft) {}

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != m_window)
            return false;
        const QEvent::Type type = event->type();
        if (type == QEvent::Show && !m_shown) {
            m_shown = true;
            startTimer(2000);
        }
        if (m_shown && (type == QEvent::Show || type == QEvent::Move || type == QEvent::Paint)) {
            const QMargins frame = frameOf(m_window);
            if (!frame.isNull()) {
                fit(frame);
                finish();
            }
        }
        return false;
    }

protected:
    void timerEvent(QTimerEvent *) override { finish(); }

private:
    void fit(const QMargins &frame) {
        const QRect room = roomAt(m_place);
        if (room.isNull())
            return;
        const QSize size = fittedSize(m_window, room, frame);
        const QPoint place = fittedPlace(room, frame, QRect(m_place, size));
        if (place != m_window->geometry().topLeft() || size != m_window->size())
            m_window->setGeometry(QRect(place, size));
    }

    void finish() {
        m_window->removeEventFilter(this);
        deleteLater();
    }

    QWidget *m_window;
    QPoint m_place;
    bool m_shown = false;
};

} // namespace

void placeAt(QWidget *window, const QPoint &clientTopLeft) {
    const QRect room = roomAt(clientTopLeft);
    const QMargins frame = window->isVisible() ? frameOf(window) : g_lastFrame;
    if (!room.isNull())
        window->resize(fittedSize(window, room, frame));
    const QPoint place =
        room.isNull() ? clientTopLeft : fittedPlace(room, frame, QRect(clientTopLeft, window->size()));
    if (place == clientTopLeft || window->testAttribute(Qt::WA_WState_Created)) {
        // setGeometry() places the client area, not the frame.
        window->setGeometry(QRect(place, window->size()));
    } else {
        // A window that has to move is placed by its frame's corner: the
        // window manager then puts the title bar there, whatever frame it
        // gives, so that it is never above the area.
        window->move(place - QPoint(frame.left(), frame.top()));
    }
    window->installEventFilter(new FitWhenFramed(window, clientTopLeft));
}

namespace {

// Draws a push button as the picture of its word, while there is one.
class WordPicture : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::Paint)
            return false;
        auto *button = static_cast<QPushButton *>(watched);
        static const QHash<QString, const char *> pictures = {{QStringLiteral("Guardar"), "btn_guardar"},
                                                              {QStringLiteral("Abrir"), "btn_abrir"},
                                                              {QStringLiteral("Cancelar"), "btn_cancelar"}};
        const auto picture = pictures.constFind(button->text().remove(QLatin1Char('&')));
        QSvgRenderer *renderer = picture == pictures.cend() ? nullptr : rendererFor(artwork(*picture));
        if (!renderer || !renderer->isValid())
            return false;
        QPainter painter(button);
        painter.fillRect(button->rect(), backgroundColor());
        if (!button->isEnabled())
            painter.setOpacity(0.4);
        renderer->render(&painter, QRectF(button->rect()));
        if (button->hasFocus()) {
            painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
            painter.drawRect(QRectF(4.5, 4.5, button->width() - 13, button->height() - 13));
        }
        return true;
    }
};

} // namespace

void fileDialogLook(QFileDialog *dialog) {
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, backgroundColor());
    dialog->setPalette(palette);
    auto *box = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
    auto *grid = qobject_cast<QGridLayout *>(dialog->layout());
    if (!box || !grid)
        return;
    grid->removeWidget(box);
    box->setOrientation(Qt::Horizontal);
    grid->addWidget(box, grid->rowCount(), 0, 1, grid->columnCount(), Qt::AlignRight);
    for (QAbstractButton *button : box->buttons()) {
        button->setFixedSize(128, 42);
        button->installEventFilter(new WordPicture(button));
        if (box->buttonRole(button) == QDialogButtonBox::RejectRole)
            button->setAccessibleName(QStringLiteral("Cancelar (Esc)"));
    }
    // No taller or wider than the screen, frame included (Qt centres it
    // over its window, inside the screen).
    const QWidget *over = dialog->parentWidget() ? dialog->parentWidget() : dialog;
    if (const QScreen *screen = over->screen()) {
        const QSize room = screen->availableGeometry().size().shrunkBy(
            g_lastFrame.isNull() ? QMargins(4, 32, 4, 4) : g_lastFrame);
        dialog->resize(dialog->sizeHint().boundedTo(room).expandedTo(dialog->minimumSizeHint()));
    }
}

void dialogKeys(QWidget *window, PictureButton *main, PictureButton *cancel) {
    // Window shortcuts come before the focused field sees the key, and no
    // text box of these dialogs claims Enter or Escape for itself.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        if (main)
            QObject::connect(new QShortcut(QKeySequence(key), window), &QShortcut::activated, main,
                             &PictureButton::press);
    }
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
    if (cancel)
        QObject::connect(escape, &QShortcut::activated, cancel, &PictureButton::press);
    else
        QObject::connect(escape, &QShortcut::activated, window, &QWidget::close);
}

} // namespace ui
