// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/accessibility.h"

#include "ui/widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMetaObject>
#include <QWidget>

#include <algorithm>
#include <iterator>

namespace accessibility {

namespace {

struct Description {
    const char *window;
    const char *control;
    const char *name;
    const char *description;
};

// Text boxes, the list and the option buttons take the words of the label
// beside them; picture buttons the command they run.
const Description kDescriptions[] = {
    {"Form1", "Image1", "Añadir registro", "Abre la ventana para anotar un ingreso o un gasto"},
    {"Form1", "Image2", "Eliminar registro seleccionado", "Quita de la lista el registro seleccionado"},
    {"Form1", "Image3", "Abrir cuenta", "Abre un libro guardado con su nombre y contraseña"},
    {"Form1", "Image4", "Guardar", "Guarda el libro en la cuenta en uso"},
    {"Form1", "Image5", "Imprimir informe", "Imprime el libro en la impresora predeterminada"},
    {"Form1", "Image6", "Acerca de", "Muestra el nombre y la versión del programa"},
    {"Form1", "Image7", "Libro nuevo", "Vacía la lista y deja el libro sin cuenta"},
    {"Form1", "Image8", "Salir", "Vacía la lista y cierra el programa"},
    {"Form1", "lst", "Registros", "Los ingresos y gastos anotados"},
    {"Form1", "txtt", "Dinero total", ""},
    {"Form2", "opt1", "Ingresos", ""},
    {"Form2", "opt2", "Gastos", ""},
    {"Form2", "txt1", "Cantidad de dinero", ""},
    {"Form2", "cd", "Céntimos", ""},
    {"Form2", "txt2", "Procedencia", ""},
    {"Form2", "txt3", "Fecha", ""},
    {"Form2", "Image3", "Añadir", "Añade el registro a la lista"},
    {"Form2", "Image4", "Cancelar", "Cierra la ventana sin añadir nada"},
    {"guardar", "user", "Nombre", ""},
    {"guardar", "pass", "Contraseña", ""},
    {"guardar", "Image1", "Guardar", "Guarda el libro con este nombre y contraseña"},
    {"guardar", "Image2", "Cancelar", "Cierra la ventana sin guardar"},
    {"abrir", "user", "Nombre", ""},
    {"abrir", "pass", "Contraseña", ""},
    {"abrir", "Image1", "Abrir", "Añade a la lista el libro guardado con este nombre y contraseña"},
    {"abrir", "Image2", "Cancelar", "Cierra la ventana sin abrir nada"},
};

// The windows of the window set, each presented as a window named by its
// caption.
bool isOwnWindow(const QWidget *widget) {
    static const char *const kWindows[] = {"Form1", "Form2", "Form3", "guardar", "abrir"};
    if (!widget->isWindow())
        return false;
    const QByteArray name = widget->objectName().toLatin1();
    return std::any_of(std::begin(kWindows), std::end(kWindows),
                       [&name](const char *window) { return name == window; });
}

// A picture button as a push button whose press action clicks it. The
// click runs once the event loop is back, as a mouse click would, so that
// a message box it opens does not block the screen reader's request.
class PictureButtonInterface : public QAccessibleWidget {
public:
    explicit PictureButtonInterface(ui::PictureButton *button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &actionName) override {
        if (actionName != pressAction() || !widget()->isEnabled())
            return;
        QMetaObject::invokeMethod(widget(), "clicked", Qt::QueuedConnection);
    }
};

QAccessibleInterface *factory(const QString &key, QObject *object) {
    // Asked once per class up the object's hierarchy; only the first time
    // matters here.
    if (!object || !object->isWidgetType() || key != QLatin1String(object->metaObject()->className()))
        return nullptr;
    if (auto *button = qobject_cast<ui::PictureButton *>(object))
        return new PictureButtonInterface(button);
    auto *widget = static_cast<QWidget *>(object);
    if (isOwnWindow(widget))
        return new QAccessibleWidget(widget, QAccessible::Window); // named by its caption
    return nullptr;
}

} // namespace

void installFactory() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(factory);
}

void describe(QWidget *window) {
    const QByteArray windowName = window->objectName().toLatin1();
    for (const Description &d : kDescriptions) {
        if (windowName != d.window)
            continue;
        auto *control = window->findChild<QWidget *>(QLatin1String(d.control), Qt::FindDirectChildrenOnly);
        if (!control)
            continue;
        control->setAccessibleName(QString::fromUtf8(d.name));
        control->setAccessibleDescription(QString::fromUtf8(d.description));
    }
}

} // namespace accessibility
