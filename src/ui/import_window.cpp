// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/import_window.h"

#include "model/file_system.h"
#include "model/numbertext.h"
#include "ui/entry_list.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QAbstractTableModel>
#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTableView>

#include <cmath>
#include <functional>
#include <utility>

namespace {

const QString kTitle = QStringLiteral("Importar movimientos");

// A table of read-only texts, each cell given by a function of its row and
// column: a statement's lines are not copied into items.
class TextTable : public QAbstractTableModel {
public:
    // Cells of the column rightColumn (none when -1) on the right, as numbers are.
    TextTable(QObject *parent, QStringList headers, int rightColumn)
        : QAbstractTableModel(parent), m_headers(std::move(headers)), m_rightColumn(rightColumn) {}

    void reset(int rows, std::function<QString(int, int)> cell) {
        beginResetModel();
        m_rows = rows;
        m_cell = std::move(cell);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent) const override {
        return parent.isValid() ? 0 : int(m_headers.size());
    }
    QVariant data(const QModelIndex &index, int role) const override {
        if (!index.isValid() || !m_cell)
            return {};
        if (role == Qt::TextAlignmentRole && index.column() == m_rightColumn)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        if (role != Qt::DisplayRole)
            return {};
        return m_cell(index.row(), index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section >= m_headers.size())
            return {};
        return m_headers.at(section);
    }

private:
    QStringList m_headers;
    int m_rightColumn;
    int m_rows = 0;
    std::function<QString(int, int)> m_cell;
};

QTableView *table(QWidget *parent, const QString &name, const QStringList &headers, int rightColumn,
                  const QRect &geometry) {
    auto *view = new QTableView(parent);
    view->setObjectName(name);
    view->setGeometry(geometry);
    view->setModel(new TextTable(view, headers, rightColumn));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 4);
    view->horizontalHeader()->setStretchLastSection(true);
    view->horizontalHeader()->setHighlightSections(false);
    return view;
}

QComboBox *comboBox(QWidget *parent, const QString &name, const QRect &geometry) {
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    return box;
}

QString formatName(bankimport::Format format) {
    switch (format) {
    case bankimport::Format::Csv:
        return QStringLiteral("tabla CSV");
    case bankimport::Format::Norma43:
        return QStringLiteral("Norma 43");
    case bankimport::Format::Ofx:
        return QStringLiteral("OFX");
    }
    return QString();
}

} // namespace

ImportWindow::ImportWindow(QWidget *parent) : QWidget(parent) {
    ui::setUpWindow(this, QStringLiteral("importar"), kTitle, QSize(720, 474), ui::CloseOnly, false);
    // Small enough for a 1366 × 768 screen at twice the size.
    setMinimumSize(560, 340);

    Image1 =
        new ui::Picture(this, QStringLiteral("Image1"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    Label1 = ui::label(this, QStringLiteral("Label1"), QString(), QRect(16, 12, 688, 17));
    Label3 = ui::label(this, QStringLiteral("Label3"), QStringLiteral("Fecha:"), QRect(16, 42, 41, 17));
    cmbFecha = comboBox(this, QStringLiteral("cmbFecha"), QRect(60, 38, 150, 22));
    Label4 =
        ui::label(this, QStringLiteral("Label4"), QStringLiteral("Procedencia:"), QRect(224, 42, 73, 17));
    cmbProcedencia = comboBox(this, QStringLiteral("cmbProcedencia"), QRect(300, 38, 170, 22));
    Label5 = ui::label(this, QStringLiteral("Label5"), QStringLiteral("Importe:"), QRect(484, 42, 49, 17));
    cmbImporte = comboBox(this, QStringLiteral("cmbImporte"), QRect(536, 38, 168, 22));
    tblAnadir = table(this, QStringLiteral("tblAnadir"),
                      {QStringLiteral("Fecha"), QStringLiteral("Importe"), QStringLiteral("Procedencia")}, 1,
                      QRect(16, 70, 688, 216));
    tblAnadir->setColumnWidth(0, 90);
    tblAnadir->setColumnWidth(1, 110);
    Label2 = ui::label(this, QStringLiteral("Label2"), QString(), QRect(16, 294, 688, 17));
    Label6 = ui::label(this, QStringLiteral("Label6"), QStringLiteral("Líneas que no se añadirán:"),
                       QRect(16, 314, 688, 17));
    tblOmitidas = table(this, QStringLiteral("tblOmitidas"),
                        {QStringLiteral("Línea"), QStringLiteral("Contenido"), QStringLiteral("Motivo")}, 0,
                        QRect(16, 332, 688, 84));
    tblOmitidas->setColumnWidth(0, 50);
    tblOmitidas->setColumnWidth(1, 330);
    Image2 = new ui::PictureButton(this, QStringLiteral("Image2"), ui::artwork("btn_anadir"),
                                   QRect(440, 424, 128, 42));
    Image3 = new ui::PictureButton(this, QStringLiteral("Image3"), ui::artwork("btn_cancelar"),
                                   QRect(576, 424, 128, 42));

    setTabOrder(cmbFecha, cmbProcedencia);
    setTabOrder(cmbProcedencia, cmbImporte);
    setTabOrder(cmbImporte, tblAnadir);
    setTabOrder(tblAnadir, tblOmitidas);
    for (QComboBox *box : {cmbFecha, cmbProcedencia, cmbImporte})
        connect(box, &QComboBox::activated, this, &ImportWindow::columnsChosen);
    connect(Image2, &ui::PictureButton::clicked, this, &ImportWindow::Image2_Click);
    connect(Image3, &ui::PictureButton::clicked, this, &ImportWindow::Image3_Click);
    ui::dialogKeys(this, Image2, Image3);

    ui::placeAt(this, QPoint(160, 120));
}

bool ImportWindow::previewFile(QWidget *parent, const QString &path) {
    const QString name = QFileInfo(path).fileName();
    const storage::Result<QByteArray> bytes = storage::fileSystem().read(path, bankimport::kMaxFileBytes);
    if (!bytes) {
        messagebox::show(parent, messages::importFailed(bytes.error(), name));
        return false;
    }
    const storage::Result<bankimport::Statement> statement = bankimport::read(*bytes);
    if (!statement) {
        messagebox::show(parent, messages::importFailed(statement.error(), name));
        return false;
    }
    ImportWindow *window = ui::windows().showImport();
    window->preview(name, *bytes, *statement);
    return true;
}

void ImportWindow::preview(const QString &fileName, const QByteArray &bytes,
                           const bankimport::Statement &statement) {
    m_fileName = fileName;
    m_bytes = bytes;
    m_statement = statement;
    m_guessed = statement.columns;
    Label1->setText(
        QStringLiteral("Movimientos del archivo «%1» (%2)").arg(fileName, formatName(statement.format)));

    // The boxes offer every column of a table; the amount also the debit
    // and credit pair, when the table has one.
    const bool table = statement.format == bankimport::Format::Csv;
    for (QWidget *widget :
         std::initializer_list<QWidget *>{Label3, Label4, Label5, cmbFecha, cmbProcedencia, cmbImporte})
        widget->setVisible(table);
    for (QComboBox *box : {cmbFecha, cmbProcedencia, cmbImporte})
        box->clear();
    cmbProcedencia->addItem(QStringLiteral("(ninguna)"), -1);
    const bankimport::Columns &columns = statement.columns;
    if (columns.credit >= 0 && columns.amount >= 0 && columns.credit < statement.columnNames.size() &&
        columns.amount < statement.columnNames.size())
        cmbImporte->addItem(QStringLiteral("%1 y %2").arg(statement.columnNames.at(columns.amount),
                                                          statement.columnNames.at(columns.credit)),
                            -2);
    for (int c = 0; c < statement.columnNames.size(); ++c) {
        for (QComboBox *box : {cmbFecha, cmbProcedencia, cmbImporte})
            box->addItem(statement.columnNames.at(c), c);
    }
    cmbFecha->setCurrentIndex(cmbFecha->findData(columns.date));
    cmbProcedencia->setCurrentIndex(cmbProcedencia->findData(columns.description));
    cmbImporte->setCurrentIndex(cmbImporte->findData(columns.credit >= 0 ? -2 : columns.amount));
    replan();
}

void ImportWindow::columnsChosen() {
    bankimport::Columns columns;
    columns.date = cmbFecha->currentData().toInt();
    columns.description = cmbProcedencia->currentData().toInt();
    const int amount = cmbImporte->currentData().toInt();
    if (amount == -2) {
        columns.amount = m_guessed.amount;
        columns.credit = m_guessed.credit;
    } else {
        columns.amount = amount;
    }
    if (columns == m_statement.columns)
        return;
    if (const storage::Result<bankimport::Statement> read = bankimport::readCsv(m_bytes, columns))
        m_statement = *read;
    replan();
}

void ImportWindow::replan() {
    Form1 *ledger = ui::windows().form1();
    m_plan = bankimport::plan(m_statement, ledger ? ledger->shownLedger().lines : QStringList());
    const QStringList &lines = m_plan.lines;
    static_cast<TextTable *>(tblAnadir->model())->reset(int(lines.size()), [&lines](int row, int column) {
        const QStringList parts = lines.at(row).split(QLatin1String("\t\t"));
        return column < parts.size() ? parts.at(column) : QString();
    });
    const QList<bankimport::Skipped> &skipped = m_plan.skipped;
    static_cast<TextTable *>(tblOmitidas->model())
        ->reset(int(skipped.size()), [&skipped](int row, int column) {
            const bankimport::Skipped &line = skipped.at(row);
            if (column == 0)
                return QString::number(line.line);
            if (column == 1)
                return QString(line.text).replace(QLatin1String("\t\t"), QLatin1String("  "));
            return messages::skipReason(line);
        });
    const qsizetype found = lines.size() + skipped.size();
    Label2->setText(QStringLiteral("Movimientos encontrados: %1. Se añadirán: %2. No se añadirán: %3.")
                        .arg(found)
                        .arg(lines.size())
                        .arg(skipped.size()));
}

void ImportWindow::Image2_Click() {
    Form1 *ledger = ui::windows().form1();
    if (!ledger)
        return;
    // The ledger may have changed while the preview was open.
    replan();
    const auto refuse = [this](const QString &text, const QString &title) {
        messagebox::show(this, text, title);
    };
    if (m_plan.lines.isEmpty()) {
        refuse(QStringLiteral("No hay ningún movimiento que añadir."), kTitle);
        hide();
        return;
    }
    if (ledger->lst->count() + m_plan.lines.size() > entrylist::kMaxLines) {
        refuse(
            QStringLiteral("La lista tiene %1 registros y con estos %2 movimientos pasaría de %3, el máximo "
                           "posible. No se ha añadido nada.")
                .arg(ledger->lst->count())
                .arg(m_plan.lines.size())
                .arg(entrylist::kMaxLines),
            QStringLiteral("Lista completa"));
        return;
    }
    const std::optional<double> total = ledger->totalValue();
    if (!total) {
        refuse(QStringLiteral("El total no es un número válido. Corríjalo antes de añadir movimientos."),
               QStringLiteral("Total incorrecto"));
        return;
    }
    const double newTotal =
        numbertext::moveByCents(*total, numbertext::decimalPlaces(ledger->txtt->text()), m_plan.totalCents);
    if (!std::isfinite(newTotal)) {
        refuse(QStringLiteral("El total resultante es demasiado grande para anotarlo."),
               QStringLiteral("Total incorrecto"));
        return;
    }

    const int shown = ledger->lst->count();
    const int added = int(m_plan.lines.size());
    ledger->changeLedger(added == 1 ? QStringLiteral("importar un movimiento")
                                    : QStringLiteral("importar %1 movimientos").arg(added),
                         shown, 0, added, [&] {
                             ledger->setTotalText(numbertext::format(newTotal));
                             entrylist::appendAll(ledger->lst, m_plan.lines);
                             ledger->applyClosingColour();
                         });
    hide();
}

void ImportWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // At 720 × 474 every box is where the constructor put it. Narrower, the
    // three column boxes give up the width; shorter, the table of lines to
    // add gives up the height.
    const int w = width(), h = height();
    const int narrower = 720 - w;
    const int fecha = 150 - narrower * 150 / 488, procedencia = 170 - narrower * 170 / 488;
    Label1->resize(w - 32, Label1->height());
    cmbFecha->resize(fecha, cmbFecha->height());
    Label4->move(cmbFecha->geometry().right() + 15, Label4->y());
    cmbProcedencia->setGeometry(Label4->geometry().right() + 4, cmbProcedencia->y(), procedencia,
                                cmbProcedencia->height());
    Label5->move(cmbProcedencia->geometry().right() + 15, Label5->y());
    const int importe = Label5->geometry().right() + 4;
    cmbImporte->setGeometry(importe, cmbImporte->y(), w - 16 - importe, cmbImporte->height());
    Image3->move(w - 16 - Image3->width(), h - 8 - Image3->height());
    Image2->move(Image3->x() - 8 - Image2->width(), Image3->y());
    tblOmitidas->setGeometry(16, Image3->y() - 8 - tblOmitidas->height(), w - 32, tblOmitidas->height());
    Label6->setGeometry(16, tblOmitidas->y() - 18, w - 32, Label6->height());
    Label2->setGeometry(16, Label6->y() - 20, w - 32, Label2->height());
    tblAnadir->resize(w - 32, Label2->y() - 8 - tblAnadir->y());
}

void ImportWindow::Image3_Click() {
    hide();
}
