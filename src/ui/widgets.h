// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/colours.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRect>
#include <QWidget>

class QFileDialog;
class QSvgRenderer;

// The building blocks shared by every window: pictures drawn from the
// built-in artwork, pictures that act as buttons, transparent labels, text
// boxes and option buttons, and the window look itself.
namespace ui {

// The one background colour behind every window.
QColor backgroundColor();
// A colour of the model as Qt draws it.
QColor color(colours::Rgb rgb);
// The two colours of the running total.
QColor totalGreen();
QColor totalDarkRed();

// Resource paths of the artwork.
QString artwork(const char *name);

// A picture of the built-in artwork, drawn at the widget's size.
class Picture : public QWidget {
    Q_OBJECT
public:
    Picture(QWidget *parent, const QString &name, const QString &resource, const QRect &geometry);
    QString resource() const { return m_resource; }
    // Draws another picture from now on.
    void setResource(const QString &resource);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSvgRenderer *m_renderer;
    QString m_resource;
};

// A picture that reacts to a mouse click and to nothing else: no focus, no
// pressed or hover look, no tool tip, no keyboard trigger.
class PictureButton : public Picture {
    Q_OBJECT
public:
    PictureButton(QWidget *parent, const QString &name, const QString &resource, const QRect &geometry);

    // Runs the picture's command, as a click does (its key does this).
    void press() { emit clicked(); }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // The second click of a double-click is not a click of its own.
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

// An option button that becomes selected when it receives the focus.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    OptionButton(QWidget *parent, const QString &name, const QString &caption, const QRect &geometry);

protected:
    void focusInEvent(QFocusEvent *event) override;
};

// A label drawn straight onto the background: left-aligned, wrapping at
// word boundaries, clipped to its box, taking no focus and no mouse.
QLabel *label(QWidget *parent, const QString &name, const QString &text, const QRect &geometry);

// Keeps the texts of the window's labels from covering one another, in
// whatever font they are drawn (a wider stand-in face, a larger size): a
// label whose lines no longer fit its box grows downwards, and one whose
// text would lie over the text of a label above it moves down below it.
// A window whose labels then pass its bottom grows taller. Labels whose
// texts fit and stay apart keep their boxes, and the window its size. Done
// again whenever a font of the window changes; call once all labels are
// made.
void keepLabelsApart(QWidget *window);

// A single-line text box.
QLineEdit *textBox(QWidget *parent, const QString &name, const QString &text, const QRect &geometry);

// The property that marks a hidden scratch box.
constexpr const char *kScratchProperty = "tesorilaScratch";

// A hidden text box used as a scratch field: never shown, never focused,
// and no part of what accessibility clients see.
QLineEdit *hiddenTextBox(QWidget *parent, const QString &name, const QString &text, const QRect &geometry);

// Title-bar buttons a window offers.
enum TitleButtons { CloseOnly = 0x1, MinimiseClose = 0x2, MinimiseMaximiseClose = 0x4 };

// Gives a top-level window its caption, client size, title-bar buttons,
// blue background and default font. Windows with a fixed size cannot be
// resized; a window with a maximise button can grow and shows more blue.
void setUpWindow(QWidget *window, const QString &name, const QString &caption, const QSize &clientSize,
                 TitleButtons buttons, bool fixedSize);

// Where a client area goes that is wanted at client.topLeft() in an
// available area (room), with the frame around it: there, when the whole
// frame fits; otherwise moved up and left just enough, but never past the
// area's top or left edge, so that the title bar comes first.
QPoint fittedPlace(const QRect &room, const QMargins &frame, const QRect &client);

// Places the client area's top-left corner at a fixed screen point. A
// window that would not fit in its screen's available area there, frame
// included, is moved as fittedPlace() says; its size stays, unless its
// minimum size is smaller: then it shrinks as far as that to fit the area.
// Checked again once the window manager has framed the window, for its
// real frame.
void placeAt(QWidget *window, const QPoint &clientTopLeft);

// Gives Qt's own file dialog (the one drawn by Qt, not the system's) the
// program's look: the blue background, and its buttons side by side under
// its fields as the word-button pictures of the program's dialogs, the
// main one as its word says at the time (Guardar, or Abrir for a folder),
// and Cancelar. The buttons stay Qt's, with their keys and their enabling;
// one whose word has no picture is drawn as Qt draws it.
void fileDialogLook(QFileDialog *dialog);

// The keys of a dialog, from every field: Enter (either key) runs its main
// picture (if it has one), Escape its cancel picture, or closes the window
// when it has none.
void dialogKeys(QWidget *window, PictureButton *main, PictureButton *cancel);

} // namespace ui
