// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Form1;
class Form2;
class Form3;
class guardar;
class abrir;
class buscar;
class grafico;
class ImportWindow;
class VersionsWindow;

namespace ui {

// The window set as the windows see it: each window reaches the ledger
// window, and asks for the others to be shown, through it. The application
// creates the windows and puts its window set in place.
class Windows {
public:
    virtual ~Windows();

    // The ledger window, or null while it does not exist.
    virtual Form1 *form1() const = 0;

    // Create the window if needed (running its load handler) and show it.
    virtual Form2 *showForm2() = 0;
    virtual Form3 *showForm3() = 0;
    virtual guardar *showGuardar() = 0;
    virtual abrir *showAbrir() = 0;
    virtual buscar *showBuscar() = 0;
    virtual grafico *showGrafico() = 0;
    virtual ImportWindow *showImport() = 0;
    virtual VersionsWindow *showVersions() = 0;

    // Destroys every window and ends the application.
    virtual void endApplication() = 0;
};

// The window set in place. Every window is created by it, so it is in
// place whenever a window asks.
Windows &windows();

// Puts the window set in place (the application does, once).
void setWindows(Windows *set);

} // namespace ui
