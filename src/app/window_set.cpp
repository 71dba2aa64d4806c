// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_set.h"

#include "ui/accessibility.h"
#include "ui/account_dialog.h"
#include "ui/chart_window.h"
#include "ui/find_window.h"
#include "ui/form2.h"
#include "ui/form3.h"
#include "ui/import_window.h"
#include "ui/ledger_window.h"
#include "ui/versions_window.h"

#include <QApplication>

#include <type_traits>
#include <utility>

namespace {

// Not every window has a load handler (the About window has none).
template <class W, class = void> struct HasLoadHandler : std::false_type {};
template <class W>
struct HasLoadHandler<W, std::void_t<decltype(std::declval<W &>().Form_Load())>> : std::true_type {};

template <class W> W *showWindow(QPointer<W> &slot) {
    if (!slot) {
        accessibility::installFactory();
        slot = new W();
        slot->setAttribute(Qt::WA_DeleteOnClose);
        accessibility::describe(slot.data());
        if constexpr (HasLoadHandler<W>::value)
            slot->Form_Load();
    }
    if (!slot->isVisible()) {
        slot->show();
        return slot.data();
    }
    // A window already on screen may lie behind another one or be
    // minimised: it comes to the front, active, its contents as they were.
    if (slot->isMinimized())
        slot->setWindowState(slot->windowState() & ~Qt::WindowMinimized);
    slot->raise();
    slot->activateWindow();
    return slot.data();
}

template <class W> void destroy(QPointer<W> &slot) {
    if (slot) {
        W *window = slot;
        slot.clear();
        window->hide();
        delete window;
    }
}

void bringForward(QWidget *window) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    // The application's other open windows come along in front of it, so
    // that none is left hidden behind it; a message box waiting for an
    // answer goes on top and takes the focus.
    QWidget *modal = QApplication::activeModalWidget();
    for (QWidget *other : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = other->windowType();
        if (other != window && other != modal && other->isVisible() && !other->isMinimized() &&
            (type == Qt::Window || type == Qt::Dialog))
            other->raise();
    }
    if (modal) {
        modal->raise();
        modal->activateWindow();
    }
}

} // namespace

WindowSet::WindowSet() {
    ui::setWindows(this);
}

WindowSet &WindowSet::instance() {
    static WindowSet set;
    return set;
}

Form1 *WindowSet::form1() const {
    return m_form1;
}

Form2 *WindowSet::form2() const {
    return m_form2;
}

Form3 *WindowSet::form3() const {
    return m_form3;
}

guardar *WindowSet::guardarWindow() const {
    return m_guardar;
}

abrir *WindowSet::abrirWindow() const {
    return m_abrir;
}

buscar *WindowSet::buscarWindow() const {
    return m_buscar;
}

grafico *WindowSet::graficoWindow() const {
    return m_grafico;
}

ImportWindow *WindowSet::importWindow() const {
    return m_import;
}

Form1 *WindowSet::showForm1() {
    return showWindow(m_form1);
}

Form2 *WindowSet::showForm2() {
    return showWindow(m_form2);
}

Form3 *WindowSet::showForm3() {
    return showWindow(m_form3);
}

guardar *WindowSet::showGuardar() {
    return showWindow(m_guardar);
}

abrir *WindowSet::showAbrir() {
    return showWindow(m_abrir);
}

buscar *WindowSet::showBuscar() {
    return showWindow(m_buscar);
}

grafico *WindowSet::showGrafico() {
    return showWindow(m_grafico);
}

ImportWindow *WindowSet::showImport() {
    return showWindow(m_import);
}

VersionsWindow *WindowSet::versionsWindow() const {
    return m_versions;
}

VersionsWindow *WindowSet::showVersions() {
    return showWindow(m_versions);
}

void WindowSet::comeForward() {
    bringForward(showForm1());
}

void WindowSet::destroyAll() {
    destroy(m_form2);
    destroy(m_form3);
    destroy(m_guardar);
    destroy(m_abrir);
    destroy(m_buscar);
    destroy(m_grafico);
    destroy(m_import);
    destroy(m_versions);
    destroy(m_form1);
}

void WindowSet::endApplication() {
    // The ledger window may be in the middle of its own close; let Qt delete
    // it (it deletes itself on close) and take the others down now.
    destroy(m_form2);
    destroy(m_form3);
    destroy(m_guardar);
    destroy(m_abrir);
    destroy(m_buscar);
    destroy(m_grafico);
    destroy(m_import);
    destroy(m_versions);
    if (m_form1) {
        Form1 *ledger = m_form1;
        m_form1.clear();
        ledger->hide();
        ledger->deleteLater();
    }
    QCoreApplication::quit();
}
