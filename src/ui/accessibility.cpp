// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/accessibility.h"

#include "ui/widgets.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <iterator>
#include <utility>

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
    {"Form1", "Image1", "Añadir registro (Insert o Ctrl+I)",
     "Abre la ventana para anotar un ingreso o un gasto"},
    {"Form1", "Image2", "Eliminar registro seleccionado (Supr)",
     "Quita de la lista el registro seleccionado"},
    {"Form1", "Image3", "Abrir cuenta (Ctrl+O)", "Abre un libro guardado con su nombre y contraseña"},
    {"Form1", "Image4", "Guardar (Ctrl+S)",
     "Guarda el libro en la cuenta en uso; Ctrl+Mayús+S lo guarda en otra cuenta"},
    {"Form1", "Image5", "Imprimir informe (Ctrl+P)", "Imprime el libro en la impresora predeterminada"},
    {"Form1", "Image6", "Acerca de (F1)", "Muestra el nombre y la versión del programa"},
    {"Form1", "Image7", "Libro nuevo (Ctrl+N)",
     "Vacía la lista y deja el libro sin cuenta, preguntando antes si hay cambios sin guardar"},
    {"Form1", "Image8", "Salir (Ctrl+Q)", "Cierra el programa, preguntando antes si hay cambios sin guardar"},
    {"Form1", "lst", "Registros", "Los ingresos y gastos anotados"},
    {"Form1", "txtt", "Dinero total", ""},
    {"Form2", "opt1", "Ingresos", ""},
    {"Form2", "opt2", "Gastos", ""},
    {"Form2", "txt1", "Cantidad de dinero", ""},
    {"Form2", "cd", "Céntimos", ""},
    {"Form2", "txt2", "Procedencia", ""},
    {"Form2", "txt3", "Fecha", ""},
    {"Form2", "Image3", "Añadir (Intro)", "Añade el registro a la lista"},
    {"Form2", "Image4", "Cancelar (Esc)", "Cierra la ventana sin añadir nada"},
    {"guardar", "user", "Nombre", ""},
    {"guardar", "pass", "Contraseña", ""},
    {"guardar", "Image1", "Guardar (Intro)", "Guarda el libro con este nombre y contraseña"},
    {"guardar", "Image2", "Cancelar (Esc)", "Cierra la ventana sin guardar"},
    {"abrir", "user", "Nombre", ""},
    {"abrir", "pass", "Contraseña", ""},
    {"abrir", "Image1", "Abrir (Intro)", "Añade a la lista el libro guardado con este nombre y contraseña"},
    {"abrir", "Image2", "Cancelar (Esc)", "Cierra la ventana sin abrir nada"},
    {"buscar", "txt", "Texto que buscar",
     "Intro o F3 selecciona el siguiente registro que lo contiene; Mayús+F3, el anterior"},
    {"buscar", "Label2", "Resultado de la búsqueda", ""},
    {"buscar", "Image2", "Anterior (Mayús+F3)", "Selecciona el registro anterior que contiene el texto"},
    {"buscar", "Image3", "Siguiente (Intro o F3)", "Selecciona el siguiente registro que contiene el texto"},
    {"buscar", "Image4", "Cerrar (Esc)", "Cierra la ventana"},
    {"grafico", "chart", "Gráfico del dinero total y de los ingresos y gastos por mes",
     "La tabla de debajo da las mismas cifras mes a mes"},
    {"grafico", "tabla", "Resumen por meses", "Ingresos, gastos y saldo de cada mes y el total de cada año"},
    {"grafico", "Image2", "Cerrar (Esc)", "Cierra la ventana"},
    {"importar", "cmbFecha", "Columna de la fecha", ""},
    {"importar", "cmbProcedencia", "Columna de la procedencia", ""},
    {"importar", "cmbImporte", "Columna del importe", ""},
    {"importar", "tblAnadir", "Movimientos que se añadirán",
     "La fecha, el importe y la procedencia de cada uno"},
    {"importar", "tblOmitidas", "Líneas que no se añadirán", "El número de línea, su contenido y el motivo"},
    {"importar", "Image2", "Añadir (Intro)", "Añade a la lista todos los movimientos de la tabla"},
    {"importar", "Image3", "Cancelar (Esc)", "Cierra la ventana sin añadir nada"},
    {"versiones", "lst", "Versiones guardadas",
     "Cada versión: cuándo se sustituyó, sus registros, su total y los cambios al sustituirla"},
    {"versiones", "Image1", "Recuperar (Intro)",
     "Pone la versión elegida en la lista, sin guardarla hasta que usted guarde"},
    {"versiones", "Image2", "Cancelar (Esc)", "Cierra la ventana sin recuperar nada"},
};

// The windows of the window set, each presented as a window named by its
// caption.
bool isOwnWindow(const QWidget *widget) {
    static const char *const kWindows[] = {"Form1",  "Form2",   "Form3",    "guardar",  "abrir",
                                           "buscar", "grafico", "importar", "versiones"};
    if (!widget->isWindow())
        return false;
    const QByteArray name = widget->objectName().toLatin1();
    return std::any_of(std::begin(kWindows), std::end(kWindows),
                       [&name](const char *window) { return name == window; });
}

// A press does nothing while a message box waits for an answer, as a mouse
// click does nothing then.
bool blockedByMessage() {
    return QApplication::activeModalWidget() != nullptr;
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
        if (actionName != pressAction() || !widget()->isEnabled() || blockedByMessage())
            return;
        QPointer<ui::PictureButton> button = static_cast<ui::PictureButton *>(widget());
        QMetaObject::invokeMethod(
            button,
            [button] {
                if (button && !blockedByMessage())
                    button->press();
            },
            Qt::QueuedConnection);
    }
};

// The hidden scratch boxes hold the account in use in clear: they are no
// part of the accessible tree, and what they hold is never announced (an
// invalid interface stops their change events too).
bool isScratchBox(const QObject *object) {
    return object->property(ui::kScratchProperty).toBool();
}

class ScratchBoxInterface : public QAccessibleWidget {
public:
    explicit ScratchBoxInterface(QWidget *box) : QAccessibleWidget(box, QAccessible::NoRole) {}
    bool isValid() const override { return false; }
    QString text(QAccessible::Text) const override { return {}; }
};

// A line of the list as a screen reader says it: its columns parted by
// commas, not by the tabs that lay them out.
QString spokenLine(const QString &text) {
    return text.split(QLatin1Char('\t'), Qt::SkipEmptyParts).join(QStringLiteral(", "));
}

// Names the lines of the ledger list once an accessibility client has
// asked for the list (only then: a long ledger keeps no second text per line
// otherwise), and every line added after.
class LineNames : public QObject {
public:
    explicit LineNames(QListWidget *list) : QObject(list), m_list(list) {
        setObjectName(QStringLiteral("tesorilaLineNames"));
        connect(list->model(), &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex &, int first, int last) {
                    if (m_started)
                        name(first, last);
                });
    }

    void start() {
        if (!std::exchange(m_started, true))
            name(0, m_list->count() - 1);
    }

private:
    void name(int first, int last) {
        for (int row = first; row <= last; ++row) {
            if (QListWidgetItem *item = m_list->item(row))
                item->setData(Qt::AccessibleTextRole, spokenLine(item->text()));
        }
    }

    QListWidget *m_list;
    bool m_started = false;
};

// A client reaches the list from its window, or asks for it: from then on
// its lines have names. A screen reader that is on names them from the start.
void startLineNames(const QObject *list) {
    if (auto *names =
            list->findChild<QObject *>(QStringLiteral("tesorilaLineNames"), Qt::FindDirectChildrenOnly))
        static_cast<LineNames *>(names)->start();
}

// A window of the window set, named by its caption, whose children leave
// out the scratch boxes.
class WindowInterface : public QAccessibleWidget {
public:
    explicit WindowInterface(QWidget *window) : QAccessibleWidget(window, QAccessible::Window) {}

    int childCount() const override { return int(shownChildren().size()); }
    QAccessibleInterface *child(int index) const override {
        const QList<QWidget *> children = shownChildren();
        if (index < 0 || index >= children.size())
            return nullptr;
        startLineNames(children.at(index));
        return QAccessible::queryAccessibleInterface(children.at(index));
    }
    int indexOfChild(const QAccessibleInterface *child) const override {
        return child ? int(shownChildren().indexOf(qobject_cast<QWidget *>(child->object()))) : -1;
    }

private:
    QList<QWidget *> shownChildren() const {
        QList<QWidget *> children;
        for (QObject *object : widget()->children()) {
            auto *control = qobject_cast<QWidget *>(object);
            if (control && !control->isWindow() && !isScratchBox(control))
                children.append(control);
        }
        return children;
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
    startLineNames(widget); // the list itself is presented as Qt presents it
    if (isScratchBox(widget))
        return new ScratchBoxInterface(widget);
    if (isOwnWindow(widget))
        return new WindowInterface(widget); // named by its caption
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
        if (auto *list = qobject_cast<QListWidget *>(control)) {
            new LineNames(list);
            if (QAccessible::isActive())
                startLineNames(list);
        }
    }
}

} // namespace accessibility
