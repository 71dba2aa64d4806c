// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/window_registry.h"

#include <QObject>
#include <QPointer>

// The application's windows. Each exists at most once: the first show
// creates it and runs its load handler; hiding keeps it with its contents;
// the title bar's close button destroys it, and the next show creates it
// afresh.
class WindowSet : public QObject, public ui::Windows {
    Q_OBJECT
public:
    static WindowSet &instance();

    // The instance of each window, or null while it does not exist.
    Form1 *form1() const override;
    Form2 *form2() const;
    Form3 *form3() const;
    guardar *guardarWindow() const;
    abrir *abrirWindow() const;
    buscar *buscarWindow() const;
    grafico *graficoWindow() const;
    ImportWindow *importWindow() const;
    VersionsWindow *versionsWindow() const;

    // Create the window if needed (running its load handler) and show it.
    // Showing a window that is on screen leaves its contents as they are
    // and brings it to the front, active.
    Form1 *showForm1();
    Form2 *showForm2() override;
    Form3 *showForm3() override;
    guardar *showGuardar() override;
    abrir *showAbrir() override;
    buscar *showBuscar() override;
    grafico *showGrafico() override;
    ImportWindow *showImport() override;
    VersionsWindow *showVersions() override;

    // Destroys every window and ends the event loop: nothing keeps running
    // without the ledger window.
    void endApplication() override;

    // Shows the ledger window (creating it if it does not exist), restores
    // it if minimised and brings it to the front with the application's
    // other open windows; a message box waiting for an answer stays on top.
    void comeForward();

    // Destroys every window at once (tests start each case from nothing).
    void destroyAll();

private:
    WindowSet();

    QPointer<Form1> m_form1;
    QPointer<Form2> m_form2;
    QPointer<Form3> m_form3;
    QPointer<guardar> m_guardar;
    QPointer<abrir> m_abrir;
    QPointer<buscar> m_buscar;
    QPointer<grafico> m_grafico;
    QPointer<ImportWindow> m_import;
    QPointer<VersionsWindow> m_versions;
};
