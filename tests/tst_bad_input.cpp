// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input of every kind, through the real windows: each case gets one
// clear message (or a defined result) and leaves the ledger, the account in
// use and every stored file as they were.
#include "tst_storage_support.h"

#include "testsupport.h"

#include "app/window_set.h"
#include "model/clock.h"
#include "model/data_root.h"
#include "model/ledger_format.h"
#include "ui/account_dialog.h"
#include "ui/entry_list.h"
#include "ui/form2.h"
#include "ui/import_window.h"
#include "ui/ledger_window.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QClipboard>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QTableView>
#include <QTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using storagetest::readBytes;
using storagetest::writeBytes;
using testsupport::SeenMessage;

namespace {

// Everything the user could lose: the ledger window's state and the files
// below the data root, each by its size and a digest of its bytes.
QStringList world(const Form1 *ledger) {
    const QString root = dataroot::path();
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray bytes = it.fileInfo().isFile() ? readBytes(path) : QByteArray();
        const QByteArray digest =
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex().left(16);
        files << path.mid(root.size()) +
                     (it.fileInfo().isDir() ? QStringLiteral(": folder")
                      : it.fileInfo().isFile()
                          ? QStringLiteral(": %1 bytes, %2").arg(bytes.size()).arg(QLatin1String(digest))
                          : QStringLiteral(": other"));
    }
    files.sort();
    return testsupport::ledgerState(ledger) + files;
}

// One message box, modal, with this title and text and one OK button.
void verifyOneClearMessage(const QList<SeenMessage> &seen, const QString &title, const QString &text) {
    QCOMPARE(seen.size(), 1);
    QVERIFY(seen.first().modal);
    QVERIFY(seen.first().okButton);
    QCOMPARE(seen.first().title, title);
    QCOMPARE(seen.first().text, text);
}

QString thousandDigits() {
    return QString(400, QLatin1Char('9'));
}

// A user name of 300 bytes in UTF-8: 150 two-byte letters.
[[maybe_unused]] QString threeHundredBytes() {
    return QString(150, QChar(0x00F1));
}

const QString kNotAFolder =
    QStringLiteral("Ese nombre de usuario no se puede usar como nombre de carpeta. Elija otro.");

const QByteArray kEntry = "08/12/2026\t\t+12,50\x80\t\tN\xf3mina\r\n";

} // namespace

class TestBadInput : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void entryDialog_data();
    void entryDialog();
    void fullList();
    void unusableText_data();
    void unusableText();
    void deleteWithBadTotal_data();
    void deleteWithBadTotal();
    void saveDialog_data();
    void saveDialog();
    void openDialog_data();
    void openDialog();
    void oddLedgerFiles_data();
    void oddLedgerFiles();
    void refusedLedgerFiles_data();
    void refusedLedgerFiles();
    void importFile_data();
    void importFile();

private:
    Form1 *ledger = nullptr;
    void addEntry(const QString &units, const QString &cents);
};

void TestBadInput::init() {
    WindowSet::instance().destroyAll();
    QDir(dataroot::path()).removeRecursively();
    ledger = WindowSet::instance().showForm1();
    // A ledger worth keeping: two entries and the total they give.
    addEntry(QStringLiteral("12"), QStringLiteral("50"));
    addEntry(QStringLiteral("3"), QStringLiteral("05"));
    QCOMPARE(ledger->txtt->text(), QStringLiteral("15,55"));
}

void TestBadInput::cleanup() {
    WindowSet::instance().destroyAll();
}

void TestBadInput::addEntry(const QString &units, const QString &cents) {
    testsupport::click(ledger->Image1);
    Form2 *dialog = WindowSet::instance().form2();
    dialog->txt1->setText(units);
    dialog->cd->setText(cents);
    const QList<SeenMessage> seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image3); });
    QVERIFY(seen.isEmpty());
}

void TestBadInput::entryDialog_data() {
    QTest::addColumn<QString>("units"); // pasted, past the key filter
    QTest::addColumn<QString>("cents");
    QTest::addColumn<QString>("total"); // typed into the total box first
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    const QString ok = QStringLiteral("15,55");
    const QString amount = QStringLiteral("Cantidad incorrecta");
    const QString digits = QStringLiteral(
        "La cantidad de dinero solo puede contener cifras del 0 al 9, y los céntimos dos cifras.");
    QTest::newRow("letters in the units") << "12abc"
                                          << "00" << ok << amount << digits;
    QTest::newRow("minus sign in the units") << "-12"
                                             << "00" << ok << amount << digits;
    QTest::newRow("decimal comma in the units")
        << "12,5"
        << "00" << ok << amount
        << QStringLiteral(
               "La cantidad «12,5» con los céntimos «00» puede leerse de más de una manera. Escriba "
               "las unidades solo con cifras, o agrupadas de tres en tres («1.234»), y los céntimos, "
               "dos cifras, tras la coma.");
    QTest::newRow("blank before the units") << " 12"
                                            << "00" << ok << amount << digits;
    QTest::newRow("other script digits") << QString::fromUtf8("١٢") << "00" << ok << amount << digits;
    QTest::newRow("full-width digits") << QString::fromUtf8("１２") << "00" << ok << amount << digits;
    QTest::newRow("letters in the cents") << "12"
                                          << "ab" << ok << amount << digits;
    QTest::newRow("sign in the cents") << "12"
                                       << "-5" << ok << amount << digits;
    QTest::newRow("blank in the cents") << "12"
                                        << " 5" << ok << amount << digits;
    QTest::newRow("NUL in the units")
        << QString(QChar(0)) + QStringLiteral("1") << "00" << ok << amount << digits;

    const QString big = QStringLiteral("Cantidad demasiado grande");
    const QString largest = QStringLiteral(
        "La cantidad es demasiado grande. La mayor cantidad que se puede anotar es 21474836,47 €.");
    QTest::newRow("one cent past 32 bits") << "21474836"
                                           << "48" << ok << big << largest;
    QTest::newRow("ten digits") << "9999999999"
                                << "99" << ok << big << largest;
    QTest::newRow("400 digits") << thousandDigits() << "00" << ok << big << largest;

    const QString badTotal = QStringLiteral("Total incorrecto");
    const QString notANumber =
        QStringLiteral("El total no es un número válido. Corríjalo antes de añadir un registro.");
    QTest::newRow("total typed as letters") << "1"
                                            << "00"
                                            << "abc" << badTotal << notANumber;
    QTest::newRow("total a lone blank") << "1"
                                        << "00"
                                        << " " << badTotal << notANumber;
    QTest::newRow("total 1e999") << "1"
                                 << "00"
                                 << "1e999" << badTotal << notANumber;
    QTest::newRow("total with the other separator") << "1"
                                                    << "00"
                                                    << "15.55" << badTotal << notANumber;
    QTest::newRow("total with grouping") << "1"
                                         << "00"
                                         << "1.015,55" << badTotal << notANumber;
}

void TestBadInput::entryDialog() {
    QFETCH(QString, units);
    QFETCH(QString, cents);
    QFETCH(QString, total);
    QFETCH(QString, title);
    QFETCH(QString, text);

    ledger->txtt->setText(total);
    testsupport::click(ledger->Image1);
    Form2 *dialog = WindowSet::instance().form2();
    dialog->txt1->setText(units);
    dialog->cd->setText(cents);
    const QStringList before = world(ledger);

    const QList<SeenMessage> seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image3); });

    verifyOneClearMessage(seen, title, text);
    QCOMPARE(world(ledger), before);
    // The dialog stays open with what was typed, to be corrected.
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->txt1->text(), units);
}

void TestBadInput::fullList() {
    for (int i = ledger->lst->count(); i < entrylist::kMaxLines; ++i)
        entrylist::append(ledger->lst, QStringLiteral("x"), 0);
    testsupport::click(ledger->Image1);
    Form2 *dialog = WindowSet::instance().form2();
    dialog->txt1->setText(QStringLiteral("1"));
    const QStringList before = world(ledger);

    const QList<SeenMessage> seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image3); });

    verifyOneClearMessage(
        seen, QStringLiteral("Lista completa"),
        QStringLiteral("La lista ya tiene 32767 registros, el máximo posible. Elimine alguno "
                       "antes de añadir otro."));
    QCOMPARE(world(ledger), before);
    QCOMPARE(ledger->lst->count(), entrylist::kMaxLines);
}

void TestBadInput::unusableText_data() {
    QTest::addColumn<QString>("box"); // the text box it is pasted into
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("named"); // how the message names the characters
    QTest::newRow("letters outside Windows-1252") << "txt2" << QStringLiteral("Łódź – Ω") << "«Ł», «ź», «Ω»";
    QTest::newRow("a line feed") << "txt2" << QStringLiteral("linea uno\nlinea dos") << "el salto de línea";
    QTest::newRow("a carriage return") << "txt2" << QStringLiteral("a\rb") << "el retorno de carro";
    QTest::newRow("a tab") << "txt2" << QStringLiteral("a\tb") << "el tabulador";
    QTest::newRow("another control character")
        << "txt3" << QStringLiteral("8/12\x01") << "el carácter de control U+0001";
    QTest::newRow("a line feed in the total") << "txtt" << QStringLiteral("5\n7") << "el salto de línea";
}

void TestBadInput::unusableText() {
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(QString, named);
    testsupport::click(ledger->Image1);
    Form2 *dialog = WindowSet::instance().form2();
    dialog->txt1->setText(QStringLiteral("5"));
    const QStringList before = world(ledger);
    auto *target = dialog->findChild<QLineEdit *>(box) ? dialog->findChild<QLineEdit *>(box) : ledger->txtt;
    target->activateWindow();
    target->setFocus();
    target->selectAll();
    QApplication::clipboard()->setText(text);

    const QList<SeenMessage> seen = testsupport::answerMessages([&] {
        QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
        if (target != ledger->txtt)
            testsupport::click(dialog->Image3);
    });

    verifyOneClearMessage(seen, QStringLiteral("Caracteres no válidos"),
                          QStringLiteral("El texto contiene caracteres que el registro no puede guardar: %1. "
                                         "Quítelos y vuelva a intentarlo.")
                              .arg(named));
    QCOMPARE(world(ledger), before); // a total typed is put back as it was
    if (target != ledger->txtt)
        QCOMPARE(target->text(), text);
}

void TestBadInput::deleteWithBadTotal_data() {
    QTest::addColumn<QString>("total");
    QTest::newRow("letters") << "abc";
    QTest::newRow("a lone blank") << " ";
    QTest::newRow("1e999") << "1e999";
    QTest::newRow("a lone plus") << "+";
}

void TestBadInput::deleteWithBadTotal() {
    QFETCH(QString, total);
    ledger->txtt->setText(total);
    ledger->lst->setCurrentRow(0);
    const QStringList before = world(ledger);

    const QList<SeenMessage> seen = testsupport::answerMessages([&] { testsupport::click(ledger->Image2); });

    verifyOneClearMessage(
        seen, QStringLiteral("Total incorrecto"),
        QStringLiteral("El total no es un número válido. Corríjalo antes de eliminar un registro."));
    QCOMPARE(world(ledger), before);
}

void TestBadInput::saveDialog_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password"); // pasted, past the key filter
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    const QString name = QStringLiteral("Nombre no válido");
    const QString folder = kNotAFolder;
    QTest::newRow("dot") << "."
                         << "1234" << name << folder;
    QTest::newRow("dot dot") << ".."
                             << "1234" << name << folder;
    QTest::newRow("slash") << "ana/pepe"
                           << "1234" << name << folder;
    QTest::newRow("climbing out") << "../../fuera"
                                  << "1234" << name << folder;
    QTest::newRow("backslash") << "ana\\pepe"
                               << "1234" << name << folder;
    QTest::newRow("tab") << "ana\tpepe"
                         << "1234" << name << folder;
    QTest::newRow("line feed") << "ana\npepe"
                               << "1234" << name << folder;
    QTest::newRow("NUL") << QStringLiteral("ana") + QChar(0) << "1234" << name << folder;
#ifdef Q_OS_WIN
    // Windows counts UTF-16 units (under Wine, Linux's disk beneath counts bytes).
    QTest::newRow("256 letters") << QString(256, QChar(0x00F1)) << "1234" << name << folder;
#else
    QTest::newRow("300 bytes") << threeHundredBytes() << "1234" << name << folder;
#endif
    // No account is made under a name that one of the systems cannot hold.
    const QString windows = QStringLiteral(
        "El nombre de usuario no puede usarse: Windows no admite nombres como CON, NUL o COM1, ni los "
        "caracteres < > : \" | ? *, ni un punto o un espacio al final. Elija otro.");
    QTest::newRow("CON") << "CON"
                         << "1234" << name << windows;
    QTest::newRow("aux.txt") << "aux.txt"
                             << "1234" << name << windows;
    QTest::newRow("trailing dot") << "ana."
                                  << "1234" << name << windows;
    QTest::newRow("207 letters, past Windows' paths")
        << QString(207, QLatin1Char('a')) << "1234" << name
        << QStringLiteral("El nombre de usuario es demasiado largo: puede tener 206 caracteres como mucho. "
                          "Elija otro.");

    const QString password = QStringLiteral("Contraseña no válida");
    const QString digits = QStringLiteral("La contraseña debe estar formada solo por cifras del 0 al 9.");
    QTest::newRow("letters") << "ana"
                             << "12ab" << password << digits;
    QTest::newRow("negative") << "ana"
                              << "-5" << password << digits;
    QTest::newRow("decimal comma") << "ana"
                                   << "1,5" << password << digits;
    QTest::newRow("exponent") << "ana"
                              << "1e5" << password << digits;
    QTest::newRow("inf") << "ana"
                         << "inf" << password << digits;
    QTest::newRow("nan") << "ana"
                         << "nan" << password << digits;
    QTest::newRow("400 digits") << "ana" << thousandDigits() << password
                                << QStringLiteral(
                                       "La contraseña es un número demasiado grande: con ella, uno de "
                                       "los archivos de este registro podría llevar el mismo nombre "
                                       "que un archivo de otra contraseña y borrarlo. Use una "
                                       "contraseña de 14 cifras como mucho y menor que "
                                       "99999999999999.");
    QTest::newRow("blank") << "ana"
                           << " " << password << digits;
}

void TestBadInput::saveDialog() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, title);
    QFETCH(QString, text);

    const QList<SeenMessage> none = testsupport::answerMessages([&] { testsupport::click(ledger->Image4); });
    QVERIFY(none.isEmpty());
    guardar *dialog = WindowSet::instance().guardarWindow();
    QVERIFY(dialog && dialog->isVisible());
    dialog->user->setText(user);
    dialog->pass->setText(password);
    const QStringList before = world(ledger);
    const QStringList outside = storagetest::listing(testsupport::dataHome());

    const QList<SeenMessage> seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image1); });

    verifyOneClearMessage(seen, title, text);
    QCOMPARE(world(ledger), before);
    QCOMPARE(storagetest::listing(testsupport::dataHome()), outside);
    // The dialog keeps the texts, to be corrected.
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->user->text(), user);
    QCOMPARE(dialog->pass->text(), password);
}

void TestBadInput::openDialog_data() {
    saveDialog_data();
}

void TestBadInput::openDialog() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, title);
    QFETCH(QString, text);

    // Something that a climbing name could reach, were it followed.
    QVERIFY(QDir().mkpath(dataroot::path() + QStringLiteral("ana")));
    testsupport::click(ledger->Image3);
    abrir *dialog = WindowSet::instance().abrirWindow();
    QVERIFY(dialog && dialog->isVisible());
    dialog->user->setText(user);
    dialog->pass->setText(password);
    const QStringList before = world(ledger);

    const QList<SeenMessage> seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image1); });

    // A bad password is a wrong password: the plain denial. A name that no
    // account is made under is no account, unless this system holds such
    // folders, made elsewhere: that account opens and saves.
    const bool badName = title == QStringLiteral("Nombre no válido");
    const bool folderName = dataroot::isSafeDirectoryName(user);
    verifyOneClearMessage(seen, badName && !folderName ? title : QStringLiteral("Acceso denegado"),
                          badName && !folderName
                              ? (text.contains(QStringLiteral("Windows")) ? kNotAFolder : text)
                              : QStringLiteral("Usuario o contraseña incorrectas"));
    QCOMPARE(world(ledger), before);
    QVERIFY(dialog->isVisible());
    if (!badName || !folderName)
        return;
    const auto paths = ledgerformat::ledgerPaths(dataroot::path(), user, 1234, QDir::separator());
    QVERIFY(QDir().mkpath(paths.directory));
    QVERIFY(writeBytes(paths.entries, kEntry) && writeBytes(paths.total, "12,5\r\n"));
    const QList<SeenMessage> opened =
        testsupport::answerMessages([&] { testsupport::click(dialog->Image1); }, QStringLiteral("Añadir"));
    QCOMPARE(opened.size(), 1); // whether to add to the entries shown
    QVERIFY(!dialog->isVisible());
    addEntry(QStringLiteral("1"), QStringLiteral("00"));
    QCOMPARE(testsupport::answerMessages([&] { testsupport::click(ledger->Image4); }).value(0).text,
             QStringLiteral("Se ha guardado correctamente"));
    QCOMPARE(ledgerformat::fileLines(readBytes(paths.entries)).size(), 4);
}

void TestBadInput::oddLedgerFiles_data() {
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<QByteArray>("total");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("lastCents"); // what the last line read carries
    QTest::addColumn<QString>("shownTotal");

    const QByteArray seven("7\r\n");
    QTest::newRow("a line as long as one may be") << kEntry + QByteArray(65536, 'x') + "\r\n"
                                                  << seven << 2 << 0 << "7";
    QTest::newRow("a NUL byte") << kEntry + QByteArray("ab\0cd\r\n", 7) << seven << 2 << 0 << "7";
    QTest::newRow("bytes Windows-1252 leaves undefined") << kEntry + "\x81\x8d\x8f\x90\x9d\r\n"
                                                         << seven << 2 << 0 << "7";
    QTest::newRow("an entry line") << kEntry << seven << 1 << 1250 << "7";
    QTest::newRow("a total of letters") << kEntry << QByteArray("abc\r\n") << 1 << 1250 << "abc";
    QTest::newRow("a total of 1e999") << kEntry << QByteArray("1e999\r\n") << 1 << 1250 << "1e999";
    QTest::newRow("an empty total file") << kEntry << QByteArray() << 1 << 1250 << "15,55";
    QTest::newRow("LF line ends") << QByteArray("a\nb\nc\n") << QByteArray("1\n2\n") << 3 << 0 << "2";
    QTest::newRow("lone CRs and no last line end")
        << QByteArray("a\rb\r\nc") << QByteArray("1\r2") << 3 << 0 << "2";
    QTest::newRow("as many lines as fit")
        << storagetest::ledgerBytes("l", entrylist::kMaxLines) << QByteArray("0\r\n") << entrylist::kMaxLines
        << (entrylist::kMaxLines - 1) * 100 << "0";
}

// Whatever a stored ledger holds, signing in loads it as it stands, deleting
// a line read takes off exactly the amount its text shows (none when it has
// no entry layout), and a quick save writes back the lines that were read.
void TestBadInput::oddLedgerFiles() {
    QFETCH(QByteArray, entries);
    QFETCH(QByteArray, total);
    QFETCH(int, lines);
    QFETCH(int, lastCents);
    QFETCH(QString, shownTotal);

    const ledgerformat::LedgerPaths paths =
        ledgerformat::ledgerPaths(dataroot::path(), QStringLiteral("ana"), 1234, QDir::separator());
    QVERIFY(QDir().mkpath(paths.directory));
    QVERIFY(writeBytes(paths.entries, entries));
    QVERIFY(writeBytes(paths.total, total));
    ledger->lst->clear();

    testsupport::click(ledger->Image3);
    abrir *dialog = WindowSet::instance().abrirWindow();
    dialog->user->setText(QStringLiteral("ana"));
    dialog->pass->setText(QStringLiteral("1234"));
    QList<SeenMessage> seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image1); });
    QVERIFY(seen.isEmpty());
    QCOMPARE(ledger->lst->count(), lines);
    QCOMPARE(ledger->txtt->text(), shownTotal);
    QCOMPARE(ledger->windowTitle(), Form1::accountCaption(QStringLiteral("ana")));
    QCOMPARE(entrylist::cents(ledger->lst, lines - 1), qint32(lastCents));

    if (lines > 1 && ledger->totalValue()) {
        const double before = *ledger->totalValue();
        const QString text = ledger->lst->item(lines - 1)->text();
        ledger->lst->setCurrentRow(lines - 1);
        seen = testsupport::answerMessages([&] { testsupport::click(ledger->Image2); });
        QVERIFY(seen.isEmpty());
        QCOMPARE(*ledger->totalValue(), before - lastCents / 100.0);
        QCOMPARE(ledger->lst->count(), lines - 1);
        entrylist::append(ledger->lst, text, lastCents); // put back for the save below
    }

    seen = testsupport::answerMessages([&] { testsupport::click(ledger->Image4); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().text, QStringLiteral("Se ha guardado correctamente"));
    const QByteArray written = readBytes(paths.entries);
    QCOMPARE(ledgerformat::fileLines(written), ledgerformat::fileLines(entries));
    // A file whose every line ends in CR LF comes back byte for byte.
    if (entries.count('\r') == entries.count("\r\n") && (entries.isEmpty() || entries.endsWith("\r\n")))
        QCOMPARE(written, entries);
}

void TestBadInput::refusedLedgerFiles_data() {
    QTest::addColumn<QByteArray>("entries"); // "fifo": a named pipe
    QTest::addColumn<QByteArray>("total");   // "folder": a folder
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    const QString tooLong = QStringLiteral("Registro no válido"), denied = QStringLiteral("Acceso denegado");
    const QString unread =
        QStringLiteral("No se ha podido leer el registro de esta cuenta: %1. No se ha cargado nada.");
    QTest::newRow("one line more than fit")
        << storagetest::ledgerBytes("l", entrylist::kMaxLines + 1) << QByteArray("5\r\n")
        << QStringLiteral("Demasiados registros")
        << QStringLiteral(
               "Con los registros de esta cuenta la lista pasaría de 32767 líneas. No se ha cargado nada.");
    QTest::newRow("a line too long")
        << kEntry + QByteArray(65537, 'x') + "\r\n"
        << QByteArray("5\r\n") << tooLong
        << QStringLiteral("El registro de esta cuenta tiene una línea de más de 65536 caracteres, y ninguna "
                          "anotación es tan larga. No se ha cargado nada.");
    QTest::newRow("a total the box cannot hold")
        << kEntry << QByteArray(32768, '1') + "\r\n"
        << tooLong
        << QStringLiteral(
               "El total guardado en esta cuenta tiene más de 32767 caracteres, más de los que caben "
               "en la casilla del total. No se ha cargado nada.");
    QTest::newRow("a file too large") << QByteArray(33 << 20, '\n') << QByteArray("5\r\n") << denied
                                      << unread.arg("el archivo 927,5.text es demasiado grande");
#ifndef Q_OS_WIN // Windows' named pipes live outside the file system
    QTest::newRow("a named pipe") << QByteArray("fifo") << QByteArray("5\r\n") << denied
                                  << unread.arg("hay algo llamado 927,5.text que no es un archivo normal");
#endif
    QTest::newRow("a folder as the total")
        << kEntry << QByteArray("folder") << denied
        << unread.arg("hay una carpeta llamada 1235,14285714286.text donde debería haber un archivo");
}

// A stored ledger that the window could not show whole, or a file that is
// no file, is refused at once with its reason, and nothing changes.
void TestBadInput::refusedLedgerFiles() {
    QFETCH(QByteArray, entries);
    QFETCH(QByteArray, total);
    QFETCH(QString, title);
    QFETCH(QString, text);
    const ledgerformat::LedgerPaths paths =
        ledgerformat::ledgerPaths(dataroot::path(), QStringLiteral("ana"), 1234, QDir::separator());
    QVERIFY(QDir().mkpath(paths.directory));
#ifndef Q_OS_WIN
    if (entries == "fifo")
        QVERIFY(::mkfifo(QFile::encodeName(paths.entries).constData(), 0600) == 0);
    else
#endif
        QVERIFY(writeBytes(paths.entries, entries));
    if (total == "folder")
        QVERIFY(QDir().mkpath(paths.total));
    else
        QVERIFY(writeBytes(paths.total, total));
    testsupport::click(ledger->Image3);
    abrir *dialog = WindowSet::instance().abrirWindow();
    dialog->user->setText(QStringLiteral("ana"));
    dialog->pass->setText(QStringLiteral("1234"));
    const QStringList before = world(ledger);

    const QList<SeenMessage> seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image1); });

    verifyOneClearMessage(seen, title, text);
    QCOMPARE(world(ledger), before);
    QDir(paths.directory).removeRecursively();
}

void TestBadInput::importFile_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("reason"); // why the preview leaves its one line out; none without a preview
    QTest::addColumn<QString>("text");   // the message, from the file or from Añadir
    const QString unread =
        QStringLiteral("No se ha podido leer el archivo extracto.csv: %1. No se ha añadido nada.");
    const QString nothing = QStringLiteral("No hay ningún movimiento que añadir.");
    const QByteArray header("Fecha;Concepto;Importe\r\n");
    QByteArray garbage;
    quint32 seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245 + 12345;
        garbage += char(seed >> 24);
    }
    QTest::newRow("an empty file") << QByteArray() << QString() << unread.arg("el archivo está vacío");
    QTest::newRow("binary garbage")
        << garbage << QString()
        << unread.arg(
               "no es un extracto en CSV, Norma 43 u OFX, o ninguna de sus líneas tiene una fecha y un "
               "importe que se entiendan");
    QTest::newRow("a table with no amount column")
        << QByteArray("Fecha;Concepto\r\n02/01/2026;Pan\r\n") << QString()
        << unread.arg("tiene fechas, pero ninguna columna de importes");
    QTest::newRow("a file too large")
        << QByteArray(17 << 20, 'x') << QString()
        << QStringLiteral(
               "El archivo extracto.csv ocupa más de 16 MB, más que cualquier extracto bancario. No se ha "
               "añadido nada.");
    QTest::newRow("an amount past 32 bits")
        << header + "02/01/2026;Premio;21.474.836,48\r\n"
        << QStringLiteral("El importe pasa de 21474836,47 €, el mayor que se puede anotar.") << nothing;
    QTest::newRow("a movement already in the list") << header + clocktext::today().toUtf8() + ";;12,50\r\n"
                                                    << QStringLiteral("Ya está en la lista.") << nothing;
    QTest::newRow("characters a ledger file cannot hold")
        << header + "02/01/2026;\xE5\xAF\xBF\xE5\x8F\xB8;-9,00\r\n"
        << QStringLiteral("Tiene caracteres que no se pueden guardar: «寿», «司».") << nothing;
}

// A bank statement that cannot be read, or whose lines cannot be added,
// adds nothing: a message says why, at once or at Añadir.
void TestBadInput::importFile() {
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    QFETCH(QString, text);
    const QString path = testsupport::dataHome() + QStringLiteral("/extracto.csv");
    QVERIFY(writeBytes(path, file));
    const QStringList before = world(ledger);

    QList<SeenMessage> seen = testsupport::answerMessages(
        [&] { testsupport::chooseFile([&] { ledger->importMovements(); }, path); });

    ImportWindow *preview = WindowSet::instance().importWindow();
    if (!reason.isEmpty()) {
        QVERIFY(seen.isEmpty());
        QVERIFY(preview && preview->isVisible());
        QCOMPARE(preview->tblOmitidas->model()->rowCount(), 1);
        QCOMPARE(preview->tblOmitidas->model()->index(0, 2).data().toString(), reason);
        seen = testsupport::answerMessages([&] { testsupport::click(preview->Image2); });
    } else {
        QVERIFY(!preview || !preview->isVisible());
    }
    verifyOneClearMessage(seen, QStringLiteral("Importar movimientos"), text);
    QCOMPARE(world(ledger), before);
}

TESORILA_TEST_MAIN(TestBadInput)
#include "tst_bad_input.moc"
