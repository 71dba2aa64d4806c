// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/versions_window.h"

#include "model/clock.h"
#include "model/file_system.h"
#include "model/numbertext.h"
#include "ui/entry_list.h"
#include "ui/fonts.h"
#include "ui/ledger_window.h"
#include "ui/messagebox.h"
#include "ui/messages.h"
#include "ui/widgets.h"
#include "ui/window_registry.h"

#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTreeWidget>

#include <limits>
#include <utility>

namespace {

const QString kTitle = QStringLiteral("Versiones guardadas");

// How many lines of after are not in before (added), and of before not in
// after (removed), a line counted as often as it stands.
std::pair<qsizetype, qsizetype> changedLines(const QStringList &before, const QStringList &after) {
    QHash<QString, qsizetype> left;
    for (const QString &line : before)
        ++left[line];
    qsizetype added = 0;
    for (const QString &line : after) {
        const auto found = left.find(line);
        if (found != left.end() && *found > 0)
            --*found;
        else
            ++added;
    }
    qsizetype removed = 0;
    for (const qsizetype count : std::as_const(left))
        removed += count;
    return {added, removed};
}

QString changeText(qsizetype added, qsizetype removed) {
    if (added == 0 && removed == 0)
        return QStringLiteral("ningún registro");
    QStringList parts;
    if (added > 0)
        parts.append(QStringLiteral("%1 %2").arg(added).arg(added == 1 ? QStringLiteral("añadido")
                                                                       : QStringLiteral("añadidos")));
    if (removed > 0)
        parts.append(QStringLiteral("%1 %2").arg(removed).arg(removed == 1 ? QStringLiteral("eliminado")
                                                                           : QStringLiteral("eliminados")));
    return parts.join(QStringLiteral(", "));
}

// The date and time of a save, in the user's time, to the second.
QString savedText(const QDateTime &utc) {
    const QDateTime local = utc.toLocalTime();
    return clocktext::dateText(local.date()) + QLatin1Char(' ') +
           local.time().toString(QStringLiteral("HH:mm:ss"));
}

// The ledger's two files as they stand, without playing a journal (the
// window writes nothing); empty where they cannot be read.
ledgerstore::StoredLedger liveLedger(const ledgerformat::LedgerPaths &paths) {
    storage::FileSystem &fs = storage::fileSystem();
    const storage::Result<QByteArray> entries = fs.read(paths.entries);
    const storage::Result<QByteArray> total = fs.read(paths.total);
    return {entries ? *entries : QByteArray(), total ? *total : QByteArray()};
}

} // namespace

VersionsWindow::VersionsWindow(QWidget *parent) : QWidget(parent) {
    ui::setUpWindow(this, QStringLiteral("versiones"), kTitle, QSize(601, 345), ui::CloseOnly, true);

    Image3 =
        new ui::Picture(this, QStringLiteral("Image3"), ui::artwork("background"), QRect(0, 0, 1701, 1701));
    Label1 = ui::label(this, QStringLiteral("Label1"), QString(), QRect(16, 12, 569, 33));
    lst = new QTreeWidget(this);
    lst->setObjectName(QStringLiteral("lst"));
    lst->setFont(fonts::tahoma(9));
    lst->setRootIsDecorated(false);
    lst->setUniformRowHeights(true);
    lst->setSelectionMode(QAbstractItemView::SingleSelection);
    lst->setHeaderLabels({QStringLiteral("Sustituida el"), QStringLiteral("Registros"),
                          QStringLiteral("Total"), QStringLiteral("Cambios al sustituirla")});
    lst->header()->setSectionsMovable(false);
    lst->setColumnWidth(0, 150);
    lst->setColumnWidth(1, 80);
    lst->setColumnWidth(2, 130);
    lst->setGeometry(16, 48, 569, 233);
    Image1 = new ui::PictureButton(this, QStringLiteral("Image1"), ui::artwork("btn_recuperar"),
                                   QRect(152, 293, 128, 42));
    Image2 = new ui::PictureButton(this, QStringLiteral("Image2"), ui::artwork("btn_cancelar"),
                                   QRect(320, 293, 128, 42));
    ui::keepLabelsApart(this);
    ui::dialogKeys(this, Image1, Image2);
    connect(Image1, &ui::PictureButton::clicked, this, &VersionsWindow::Image1_Click);
    connect(Image2, &ui::PictureButton::clicked, this, &QWidget::hide);
    connect(lst, &QTreeWidget::itemActivated, this, &VersionsWindow::Image1_Click);
    ui::placeAt(this, QPoint(220, 220));
}

void VersionsWindow::showLedger(const QString &userName,
                                const std::optional<ledgerformat::LedgerPaths> &paths) {
    lst->clear();
    m_versions.clear();
    if (!paths) {
        Label1->setText(
            QStringLiteral("No hay ninguna cuenta en uso: guarde o abra una cuenta para ver sus versiones."));
        return;
    }
    // Each version against the one that replaced it: the next newer
    // version, or for the newest the ledger saved now. Only the lines
    // between those both begin with and those both end with differ, and
    // only they are read.
    ledgerstore::StoredLedger newer = liveLedger(*paths);
    qsizetype newerCount =
        ledgerformat::fileLines(newer.entries, 0, std::numeric_limits<qsizetype>::max()).shape.count;
    const storage::Status walked = ledgerversions::forEach(
        *paths, [&](const ledgerversions::Version &version, const ledgerstore::StoredLedger &stored) {
            const QByteArray &was = stored.entries, &is = newer.entries;
            const qsizetype same = ledgerformat::sharedPrefix(was, is);
            const qsizetype front = same == 0 ? 0 : was.lastIndexOf('\n', same - 1) + 1;
            const qsizetype shared = ledgerformat::sharedSuffix(was, is, qMin(was.size(), is.size()) - front);
            // Where the shared end begins a line in both, or else after its
            // first line end.
            const qsizetype from = was.size() - shared, to = is.size() - shared;
            const bool lineStart =
                (from == front || was.at(from - 1) == '\n') && (to == front || is.at(to - 1) == '\n');
            const qsizetype lineEnd = shared == 0 || lineStart ? -1 : was.indexOf('\n', from);
            const qsizetype back = lineStart ? shared : lineEnd < 0 ? 0 : was.size() - lineEnd - 1;
            const QStringList before = ledgerformat::fileLines(was.mid(front, was.size() - back - front));
            const QStringList after = ledgerformat::fileLines(is.mid(front, is.size() - back - front));
            const auto [added, removed] = changedLines(before, after);
            const qsizetype count = newerCount - after.size() + before.size();
            auto *row = new QTreeWidgetItem(
                lst,
                {savedText(version.saved), QString::number(count),
                 numbertext::inLocale(ledgerformat::lastLine(stored.total).value_or(QStringLiteral("0"))),
                 changeText(added, removed)});
            row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
            row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
            m_versions.append(version);
            newer = stored;
            newerCount = count;
            return true;
        });
    if (!walked) {
        Label1->setText(QStringLiteral("No se han podido leer las versiones de la cuenta %1: %2.")
                            .arg(userName, messages::reason(walked.error())));
        return;
    }
    Label1->setText(m_versions.isEmpty()
                        ? QStringLiteral("La cuenta %1 aún no tiene versiones: cada vez que se guarda un "
                                         "cambio, se conserva aquí lo que había guardado antes.")
                              .arg(userName)
                        : QStringLiteral("Versiones de la cuenta %1, de la más reciente a la más antigua. "
                                         "Elija una y pulse Recuperar para verla en la lista.")
                              .arg(userName));
    if (!m_versions.isEmpty())
        lst->setCurrentItem(lst->topLevelItem(0));
    lst->setFocus(Qt::OtherFocusReason);
}

void VersionsWindow::Image1_Click() {
    const int row = lst->currentItem() ? lst->indexOfTopLevelItem(lst->currentItem()) : -1;
    if (row < 0 || row >= m_versions.size()) {
        messagebox::show(this, QStringLiteral("Debe de seleccionar primero la versión que desea recuperar"),
                         QStringLiteral("Seleccione una versión"));
        return;
    }
    Form1 *ledger = ui::windows().form1();
    const storage::Result<ledgerstore::StoredLedger> stored = ledgerversions::read(m_versions.at(row));
    if (!stored) {
        messagebox::show(this, messages::openFailed(stored.error()));
        return;
    }
    ledgerformat::ShapedLines lines =
        ledgerformat::fileLines(stored->entries, entrylist::kMaxLines, std::numeric_limits<qsizetype>::max());
    if (lines.shape.count > entrylist::kMaxLines) {
        messagebox::show(this, messages::openFailed(storage::Error::over(storage::Failure::TooManyLines,
                                                                         entrylist::kMaxLines)));
        return;
    }
    // One step, undone as any other: nothing is lost, and nothing is
    // written until the user saves.
    const QString total =
        numbertext::inLocale(ledgerformat::lastLine(stored->total).value_or(QStringLiteral("0")));
    const QTreeWidgetItem *item = lst->topLevelItem(row);
    ledger->changeLedger(QStringLiteral("recuperar la versión del %1").arg(item ? item->text(0) : QString()),
                         0, ledger->lst->count(), int(lines.lines.size()), [&] {
                             ledger->lst->clear();
                             entrylist::appendAll(ledger->lst, lines.lines);
                             ledger->setTotalText(total);
                         });
    hide();
    ledger->activateWindow();
}
