// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include "ui/fonts.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QPalette>
#include <QProxyStyle>
#include <QTranslator>

#ifdef TESORILA_FONTCONFIG
#include <fontconfig/fontconfig.h>

#include <thread>
#endif

namespace application {

namespace {

// Fusion, the same on every desktop, with one change: the buttons of a
// message box carry no icon, whatever the desktop's theme prefers.
class OwnStyle : public QProxyStyle {
public:
    // The application owns the style (setStyle() would make it so anyway).
    explicit OwnStyle(QObject *owner) : QProxyStyle(QStringLiteral("Fusion")) { setParent(owner); }

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// A light palette of the application's own, after Fusion's: white text
// boxes and list, black text, a blue selection. Every colour of every group
// is set here, so that none of a dark or high-contrast desktop theme is
// merged in (the style's standard palette would be the theme's).
QPalette ownPalette() {
    const QColor window(239, 235, 231);
    const QColor dark = window.darker(150);
    const QColor mid = window.darker(130);
    const QColor shadow = dark.darker(135);
    const QColor disabledText(190, 190, 190);
    QColor placeholder(Qt::black);
    placeholder.setAlpha(128);

    QPalette palette;
    const auto all = {QPalette::Active, QPalette::Inactive, QPalette::Disabled};
    for (QPalette::ColorGroup group : all) {
        const bool disabled = group == QPalette::Disabled;
        palette.setColor(group, QPalette::Window, window);
        palette.setColor(group, QPalette::WindowText, disabled ? disabledText : QColor(Qt::black));
        palette.setColor(group, QPalette::Base, disabled ? window : QColor(Qt::white));
        palette.setColor(group, QPalette::AlternateBase, QColor(247, 245, 243));
        palette.setColor(group, QPalette::Text, disabled ? disabledText : QColor(Qt::black));
        palette.setColor(group, QPalette::PlaceholderText, placeholder);
        palette.setColor(group, QPalette::Button, window);
        palette.setColor(group, QPalette::ButtonText, disabled ? disabledText : QColor(Qt::black));
        palette.setColor(group, QPalette::BrightText, Qt::white);
        palette.setColor(group, QPalette::Light, window.lighter(150));
        palette.setColor(group, QPalette::Midlight, mid.lighter(110));
        palette.setColor(group, QPalette::Mid, mid);
        palette.setColor(group, QPalette::Dark, disabled ? QColor(209, 200, 191).darker(110) : dark);
        palette.setColor(group, QPalette::Shadow, disabled ? shadow.lighter(150) : shadow);
        palette.setColor(group, QPalette::Highlight, disabled ? QColor(145, 145, 145) : QColor(48, 140, 198));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::Link, QColor(0, 0, 255));
        palette.setColor(group, QPalette::LinkVisited, QColor(255, 0, 255));
        palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 220));
        palette.setColor(group, QPalette::ToolTipText, Qt::black);
        palette.setColor(group, QPalette::NoRole, Qt::black);
    }
    return palette;
}

// The words of Qt's own texts that the application says otherwise: the
// text boxes' "Delete" is "Eliminar", as in the ledger's own commands, not
// Qt's "Borrar". Consulted before Qt's translation.
class OwnWords : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *disambiguation,
                      int n) const override {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QLineEdit") == 0 && qstrcmp(sourceText, "Delete") == 0)
            return QStringLiteral("Eliminar");
        return {};
    }
};

// Qt's own texts (the text boxes' context menu, the message boxes' button)
// in Spanish. Without the translation file they stay in English.
void loadQtTranslation(QApplication &app) {
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_es"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    static OwnWords ownWords;
    QCoreApplication::installTranslator(&ownWords);
}

// The window icon is drawn from its SVG at every size the window system
// takes when a window is made, which the first frame does not need: it is
// set for every window once one has been painted.
class IconOncePainted : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint && watched->isWidgetType()) {
            QCoreApplication::instance()->removeEventFilter(this);
            // Once this paint is done.
            QCoreApplication::postEvent(this, new QEvent(QEvent::User));
        }
        return false;
    }

protected:
    void customEvent(QEvent *event) override {
        if (event->type() != QEvent::User)
            return;
        QApplication::setWindowIcon(QIcon(QStringLiteral(":/resources/icon_app.svg")));
        deleteLater();
    }
};

#ifdef TESORILA_FONTCONFIG
// The thread that reads the font configuration; joined before Qt first
// asks for a font, or when the program ends without having asked.
struct FontReader {
    std::thread thread;
    ~FontReader() { wait(); }
    void wait() {
        if (thread.joinable())
            thread.join();
    }
};

FontReader &fontReader() {
    static FontReader reader;
    return reader;
}
#endif

} // namespace

void startReadingFonts() {
#ifdef TESORILA_FONTCONFIG
    // fontconfig reads its environment variables as it goes, and Qt takes a
    // desktop's start-up id out of the environment while it connects to the
    // display: with one given, Qt reads the configuration itself, later.
    const bool environmentChanges =
        qEnvironmentVariableIsSet("DESKTOP_STARTUP_ID") || qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN");
    if (!environmentChanges && !fontReader().thread.joinable())
        fontReader().thread = std::thread([] { FcInit(); });
#endif
}

void setUp(QApplication &app) {
#ifdef TESORILA_FONTCONFIG
    // Qt's own reading finds the configuration read (FcInit() does the work
    // once per process).
    fontReader().wait();
#endif
    QApplication::setApplicationName(QStringLiteral("Tesorila"));
    QApplication::setApplicationVersion(QStringLiteral(TESORILA_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tesorila"));
    QApplication::setQuitOnLastWindowClosed(true);
    loadQtTranslation(app);
    QApplication::setStyle(new OwnStyle(&app));
    QApplication::setPalette(ownPalette());
    fonts::registerFonts();
    QApplication::setFont(fonts::dialogFont());
    app.installEventFilter(new IconOncePainted(&app));
}

} // namespace application
