// SPDX-License-Identifier: GPL-3.0-or-later
#include "tst_storage_support.h"

#include "testsupport.h"

#include "app/window_set.h"
#include "model/account_session.h"
#include "model/clock.h"
#include "model/data_root.h"
#include "model/ledger_format.h"
#include "model/ledger_store.h"
#include "model/numbertext.h"
#include "ui/account_dialog.h"
#include "ui/entry_list.h"
#include "ui/ledger_window.h"
#include "ui/versions_window.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <unistd.h>
#endif
#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#endif
#ifdef Q_OS_WIN
#include <aclapi.h>
#include <sddl.h>
#endif

using storagetest::lineCount;
using storagetest::listing;
using storagetest::readBytes;
using storagetest::writeBytes;
using testsupport::SeenMessage;

namespace {

const QString kSavedText = QStringLiteral("Se ha guardado correctamente");
const QString kSavedTitle = QStringLiteral("Operacion terminada");
const QString kMissingText = QStringLiteral("Debe de rellenar todas las casillas");
const QString kMissingTitle = QStringLiteral("Faltan campos");
const QString kDeniedText = QStringLiteral("Usuario o contraseña incorrectas");
const QString kDeniedTitle = QStringLiteral("Acceso denegado");

bool isRoot() {
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return false;
#endif
}

#ifdef Q_OS_WIN
QString sidText(PSID sid) {
    LPWSTR text = nullptr;
    const QString result = ::ConvertSidToStringSidW(sid, &text) ? QString::fromWCharArray(text) : QString();
    ::LocalFree(text);
    return result;
}

// Whom the entries of the file's or folder's access list name, sorted, after
// "protected" when it takes nothing from its folder's.
QStringList accessList(const QString &path) {
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()),
                                SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &list, nullptr,
                                &descriptor) != ERROR_SUCCESS)
        return {QStringLiteral("unreadable")};
    QStringList who;
    ACCESS_ALLOWED_ACE *entry = nullptr; // a denial has the same form
    for (DWORD i = 0; list && i < list->AceCount; ++i)
        who.append(::GetAce(list, i, reinterpret_cast<void **>(&entry)) ? sidText(&entry->SidStart)
                                                                        : QString());
    who.sort();
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (::GetSecurityDescriptorControl(descriptor, &control, &revision) && (control & SE_DACL_PROTECTED))
        who.prepend(QStringLiteral("protected"));
    ::LocalFree(descriptor);
    return who;
}

// The security identifier of the user this process runs as.
QString thisUser() {
    HANDLE token = nullptr;
    alignas(TOKEN_USER) char user[256];
    DWORD size = 0;
    const bool found = ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token) &&
                       ::GetTokenInformation(token, TokenUser, user, sizeof user, &size);
    ::CloseHandle(token);
    return found ? sidText(reinterpret_cast<TOKEN_USER *>(user)->User.Sid) : QString();
}
#endif

// A mount or a read-only folder made for one test, undone when the test
// ends however it ends.
class ScopedMount {
public:
    ScopedMount() = default;
    ScopedMount(const ScopedMount &) = delete;
    ScopedMount &operator=(const ScopedMount &) = delete;
    ~ScopedMount() { release(); }

    // Nothing on success, otherwise why the mount could not be made.
    std::optional<QString> tmpfs(const QString &point, const QByteArray &options) {
#ifdef Q_OS_LINUX
        if (::mount("tesorila-test", QFile::encodeName(point).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    options.constData()) != 0)
            return reason("tmpfs");
        m_points.append(point);
        return std::nullopt;
#else
        Q_UNUSED(point);
        Q_UNUSED(options);
        return QStringLiteral("tmpfs mounts are a Linux feature");
#endif
    }

    // Makes the directory read-only: by its permissions, or for a privileged
    // user, whom they do not stop, by binding it over itself.
    std::optional<QString> readOnly(const QString &point) {
        if (!isRoot()) {
            m_permissions.append({point, QFile::permissions(point)});
            if (QFile::setPermissions(point, QFile::ReadOwner | QFile::ExeOwner))
                return std::nullopt;
            return QStringLiteral("cannot take the write permission from %1").arg(point);
        }
#ifdef Q_OS_LINUX
        const QByteArray path = QFile::encodeName(point);
        if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0)
            return reason("bind");
        m_points.append(point);
        if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0)
            return reason("read-only remount");
        return std::nullopt;
#else
        Q_UNUSED(point);
        return QStringLiteral("bind mounts are a Linux feature");
#endif
    }

    void release() {
        for (const auto &[path, permissions] : std::as_const(m_permissions))
            QFile::setPermissions(path, permissions);
#ifdef Q_OS_LINUX
        while (!m_points.isEmpty())
            ::umount2(QFile::encodeName(m_points.takeLast()).constData(), MNT_DETACH);
#endif
    }

private:
    static QString reason(const char *what) {
        return QStringLiteral("cannot make a %1 mount here (%2)")
            .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
    }
    QStringList m_points;
    QList<std::pair<QString, QFile::Permissions>> m_permissions;
};

} // namespace

class TestStorageDialogs : public QObject {
    Q_OBJECT
public:
    TestStorageDialogs() {
        const QByteArray home = qgetenv("TESORILA_SAVER_HOME");
        if (!home.isEmpty()) {
            // As a child process: signs in to Ana/3 there, adds an entry and quick-saves.
            testsupport::removeTemporaryFolders();
            qputenv("XDG_DATA_HOME", home);
            WindowSet::instance().showForm1();
            signInAs(QStringLiteral("Ana"), QStringLiteral("3"));
            addEntries(1, QStringLiteral("hijo"));
            const QList<SeenMessage> seen = quickSave();
            std::_Exit(seen.size() == 1 && seen.first().text == kSavedText ? 0 : 1);
        }
        // As a child process: holds the lock of an account until its input ends.
        const QString directory = qEnvironmentVariable("TESORILA_LOCK_DIR");
        if (directory.isEmpty())
            return;
        const storage::Result<storage::FileLock> lock =
            storage::lockFile(directory + QStringLiteral("/.bloqueo"), 0);
        std::fputs(lock ? "listo\n" : "ocupado\n", stdout);
        std::fflush(stdout);
        while (std::fgetc(stdin) != EOF) {
        }
        testsupport::removeTemporaryFolders();
        std::_Exit(0);
    }

private slots:
    void init();
    void cleanup();

    void quickSaveWithoutAccountShowsTheSaveDialog();
    void saveDialogLoad();
    void markerKeptWhenPresent();
    void passFieldDropsTypedNonDigits();
    void missingFields_data();
    void missingFields();
    void saveCreatesTheAccount();
    void secondPasswordAddsALedger();
    void cancelKeepsEverything();
    void passwordsWhoseNamesStayApart_data();
    void passwordsWhoseNamesStayApart();
    void filesAreMadeAfresh_data();
    void filesAreMadeAfresh();
    void unsavableTextWritesNothing();
    void quickSaveWritesBack();
    void versionRecovered();

    void openDialogLoad();
    void signIn();
    void signInDenials_data();
    void signInDenials();
    void signInOverTheLineLimit();
    void windowsBytesRoundTrip();
    void totalFileLines_data();
    void totalFileLines();
    void locales_data();
    void locales();

    void dataRootCannotBeMade();
    void readOnlyAccountDirectory();
    void fullDisk();
    void everyFailingStepOfAQuickSave();
    void everyFailingStepOfTheSaveDialog();
    void failedQuickSave_data();
    void failedQuickSave();
    void leftoversAreSetAside_data();
    void leftoversAreSetAside();
    void commitThatCannotBeMadeDurable_data();
    void commitThatCannotBeMadeDurable();
    void accountInUseByAnotherProcess();

private:
    Form1 *ledger();
    guardar *showSaveDialog(QList<SeenMessage> *messages = nullptr);
    QList<SeenMessage> save(const QString &user, const QString &password);
    QList<SeenMessage> signInAs(const QString &user, const QString &password, const QString &press = {});
    QList<SeenMessage> quickSave();
    QString accountDirectory(const QString &user) const { return dataroot::path() + user; }
    ledgerformat::LedgerPaths paths(const QString &user, const QString &password) const;
    void addEntries(int count, const QString &source);
    void newLedger();
};

void TestStorageDialogs::init() {
    WindowSet::instance().destroyAll();
    QDir(dataroot::path()).removeRecursively();
    QFile::remove(QDir::cleanPath(dataroot::path())); // a file in the data root's place
    QVERIFY(WindowSet::instance().showForm1());
}

void TestStorageDialogs::cleanup() {
    WindowSet::instance().destroyAll();
}

Form1 *TestStorageDialogs::ledger() {
    return WindowSet::instance().form1();
}

ledgerformat::LedgerPaths TestStorageDialogs::paths(const QString &user, const QString &password) const {
    return ledgerformat::ledgerPaths(dataroot::path(), user, *ledgerformat::passwordValue(password),
                                     QStringLiteral("/"));
}

void TestStorageDialogs::addEntries(int count, const QString &source) {
    double total = ledger()->totalValue().value_or(0);
    for (int i = 1; i <= count; ++i) {
        entrylist::append(ledger()->lst,
                          QStringLiteral("08/12/2026\t\t+%1,50€\t\t%2 %3").arg(i).arg(source).arg(i),
                          i * 100 + 50);
        total += i + 0.5;
    }
    ledger()->txtt->setText(numbertext::format(total));
}

// The new-ledger command, its changes discarded.
void TestStorageDialogs::newLedger() {
    testsupport::answerMessages([this] { testsupport::click(ledger()->Image7); },
                                QStringLiteral("Descartar"));
}

guardar *TestStorageDialogs::showSaveDialog(QList<SeenMessage> *messages) {
    const QList<SeenMessage> seen =
        testsupport::answerMessages([&] { testsupport::click(ledger()->Image4); });
    if (messages)
        *messages = seen;
    return WindowSet::instance().guardarWindow();
}

QList<SeenMessage> TestStorageDialogs::save(const QString &user, const QString &password) {
    guardar *dialog = showSaveDialog();
    if (!dialog || !dialog->isVisible())
        return {};
    dialog->user->setText(user);
    dialog->pass->setText(password);
    return testsupport::answerMessages([&] { testsupport::click(dialog->Image1); });
}

QList<SeenMessage> TestStorageDialogs::signInAs(const QString &user, const QString &password,
                                                const QString &press) {
    testsupport::click(ledger()->Image3);
    abrir *dialog = WindowSet::instance().abrirWindow();
    if (!dialog)
        return {};
    dialog->user->setText(user);
    dialog->pass->setText(password);
    return testsupport::answerMessages([&] { testsupport::click(dialog->Image1); }, press);
}

QList<SeenMessage> TestStorageDialogs::quickSave() {
    return testsupport::answerMessages([&] { testsupport::click(ledger()->Image4); });
}

// One message of that title with some text, an OK button and no icon.
#define VERIFY_ONE_TITLE(messages, expectedTitle)                                                            \
    do {                                                                                                     \
        const QList<SeenMessage> seen_ = (messages);                                                         \
        QCOMPARE(seen_.size(), 1);                                                                           \
        QCOMPARE(seen_.first().title, expectedTitle);                                                        \
        QVERIFY(!seen_.first().text.isEmpty());                                                              \
        QVERIFY(seen_.first().okButton);                                                                     \
        QCOMPARE(seen_.first().icon, int(QMessageBox::NoIcon));                                              \
    } while (false)

// One such message with exactly this text. The messages are evaluated once,
// then checked.
#define VERIFY_ONE_MESSAGE(messages, expectedText, expectedTitle)                                            \
    do {                                                                                                     \
        const QList<SeenMessage> seenOne_ = (messages);                                                      \
        VERIFY_ONE_TITLE(seenOne_, expectedTitle);                                                           \
        QCOMPARE(seenOne_.first().text, expectedText);                                                       \
    } while (false)

void TestStorageDialogs::quickSaveWithoutAccountShowsTheSaveDialog() {
    addEntries(2, QStringLiteral("Nómina"));
    QList<SeenMessage> seen;
    guardar *dialog = showSaveDialog(&seen);
    QVERIFY(seen.isEmpty());
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Guardar "));
    // Only the data root with its marker exists: no ledger was written.
    QCOMPARE(listing(dataroot::path()), QStringList{QStringLiteral("noborrar.text")});
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());
}

void TestStorageDialogs::saveDialogLoad() {
    guardar *dialog = showSaveDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->Text3->text(), clocktext::today());
    QVERIFY(dialog->user->text().isEmpty());
    QVERIFY(dialog->pass->text().isEmpty());
    QCOMPARE(readBytes(dataroot::markerPath()), clocktext::today().toLatin1() + "\r\n");
    QCOMPARE(dialog->focusWidget(), dialog->user);
    QTest::keyClicks(dialog->pass, QStringLiteral("123"));
    QCOMPARE(dialog->pass->text(), QStringLiteral("123"));
    QCOMPARE(dialog->pass->displayText(), QStringLiteral("***"));
}

void TestStorageDialogs::markerKeptWhenPresent() {
    // A data root with a marker is left alone; one without gets its marker
    // and keeps everything else.
    QVERIFY(QDir().mkpath(accountDirectory(QStringLiteral("Ana"))));
    QVERIFY(writeBytes(accountDirectory(QStringLiteral("Ana")) + QStringLiteral("/929.text"), "x\r\n"));
    showSaveDialog();
    QCOMPARE(readBytes(dataroot::markerPath()), clocktext::today().toLatin1() + "\r\n");
    QCOMPARE(readBytes(accountDirectory(QStringLiteral("Ana")) + QStringLiteral("/929.text")),
             QByteArray("x\r\n"));

    QVERIFY(writeBytes(dataroot::markerPath(), "1/1/99\r\n"));
    WindowSet::instance().guardarWindow()->close(); // the next showing creates it afresh
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!WindowSet::instance().guardarWindow());
    showSaveDialog();
    QVERIFY(WindowSet::instance().guardarWindow());
    QCOMPARE(readBytes(dataroot::markerPath()), QByteArray("1/1/99\r\n"));
}

void TestStorageDialogs::passFieldDropsTypedNonDigits() {
    guardar *dialog = showSaveDialog();
    QVERIFY(dialog);
    QTest::keyClicks(dialog->pass, QStringLiteral("/1a-2,.3 :"));
    QTest::sendKeyEvent(QTest::Click, dialog->pass, Qt::Key_Ntilde, QStringLiteral("ñ"), Qt::NoModifier);
    QTest::keyClick(dialog->pass, Qt::Key_Return);
    QCOMPARE(dialog->pass->text(), QStringLiteral("123"));
    QTest::keyClick(dialog->pass, Qt::Key_Backspace);
    QCOMPARE(dialog->pass->text(), QStringLiteral("12"));
    // The user name has no filter.
    QTest::keyClicks(dialog->user, QStringLiteral("Ana-1, b"));
    QCOMPARE(dialog->user->text(), QStringLiteral("Ana-1, b"));

    // Delete is no typed character, even where the keyboard reports it as
    // the character 127; Tab and Shift+Tab move between the two fields.
    dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(dialog));
    dialog->pass->setFocus();
    dialog->pass->setCursorPosition(0);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(127)));
    QApplication::sendEvent(dialog->pass, &del);
    QCOMPARE(dialog->pass->text(), QStringLiteral("2"));
    QTest::keyClick(dialog->pass, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog->user));
    QTest::keyClick(dialog->user, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog->pass));
    QTest::keyClick(dialog->pass, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(dialog->user));
}

void TestStorageDialogs::missingFields_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("both empty") << QString() << QString();
    QTest::newRow("no password") << QStringLiteral("Ana") << QString();
    QTest::newRow("no user") << QString() << QStringLiteral("12");
}

void TestStorageDialogs::missingFields() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    const QList<SeenMessage> seen = save(user, password);
    VERIFY_ONE_MESSAGE(seen, kMissingText, kMissingTitle);
    guardar *dialog = WindowSet::instance().guardarWindow();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->user->text(), user);
    QCOMPARE(dialog->pass->text(), password);
    QCOMPARE(listing(dataroot::path()), QStringList{QStringLiteral("noborrar.text")});
}

void TestStorageDialogs::saveCreatesTheAccount() {
#ifdef Q_OS_UNIX
    const mode_t umask = ::umask(022); // the usual one, which lets others read
    const auto restoreUmask = qScopeGuard([umask] { ::umask(umask); });
    const auto mode = [](const QString &path) {
        struct stat status {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
    };
#endif
    addEntries(2, QStringLiteral("Nómina"));
    const QString total = ledger()->txtt->text();
    const QList<SeenMessage> seen = save(QStringLiteral("Ana"), QStringLiteral("1234"));
    VERIFY_ONE_MESSAGE(seen, kSavedText, kSavedTitle);

    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("1234"));
    QCOMPARE(readBytes(p.entries), QByteArray("08/12/2026\t\t+1,50\x80\t\tN\xf3mina 1\r\n"
                                              "08/12/2026\t\t+2,50\x80\t\tN\xf3mina 2\r\n"));
    QCOMPARE(readBytes(p.total), total.toLatin1() + "\r\n");
    QCOMPARE(listing(p.directory),
             (QStringList{QStringLiteral("1235,14285714286.text"), QStringLiteral("927,5.text")}));

    QCOMPARE(ledger()->windowTitle(), Form1::accountCaption(QStringLiteral("Ana")));
    QCOMPARE(ledger()->user1->text(), QStringLiteral("Ana"));
    QCOMPARE(ledger()->pass1->text(), QStringLiteral("1234"));
    QCOMPARE(ledger()->lst->count(), 2);
    guardar *dialog = WindowSet::instance().guardarWindow();
    QVERIFY(!dialog->isVisible());
    QVERIFY(dialog->user->text().isEmpty());
    QVERIFY(dialog->pass->text().isEmpty());
#ifdef Q_OS_UNIX
    // The user's alone; a file made readable to others stays so.
    const QList<int> modes{mode(dataroot::path()), mode(p.directory), mode(p.entries), mode(p.total)};
    QCOMPARE(modes, (QList<int>{0700, 0700, 0600, 0600}));
    QVERIFY(QFile::setPermissions(p.entries, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                 QFile::ReadOther));
    addEntries(1, QStringLiteral("más"));
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    QCOMPARE(mode(p.entries), 0644);
#endif
#ifdef Q_OS_WIN
    // The account folder names no one but this user, the system and the
    // administrators, whatever C:\ passes on; its files take that on.
    QStringList owners{thisUser(), QStringLiteral("S-1-5-18"), QStringLiteral("S-1-5-32-544")};
    owners.sort();
    const QStringList folder = accessList(p.directory);
    for (const QString &who : folder)
        QVERIFY2(who == QLatin1String("protected") || owners.contains(who), qPrintable(folder.join(u' ')));
    QVERIFY(folder.contains(thisUser()));
    if (::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        QSKIP("Wine keeps no access list on the disk, only the Unix mode it makes of one, and shows the "
              "list of that mode: this user and the system, no protection, no administrators, and "
              "for the files the mode they were made with, not what their folder passes on");
    QCOMPARE(folder, QStringList{QStringLiteral("protected")} + owners);
    QCOMPARE(accessList(p.entries), owners);
#endif
}

void TestStorageDialogs::secondPasswordAddsALedger() {
    addEntries(1, QStringLiteral("uno"));
    save(QStringLiteral("Ana"), QStringLiteral("1"));
    newLedger(); // no account in use
    addEntries(3, QStringLiteral("dos"));
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("2")), kSavedText, kSavedTitle);
    QCOMPARE(listing(accountDirectory(QStringLiteral("Ana"))).size(), 4);
    QVERIFY(readBytes(paths(QStringLiteral("Ana"), QStringLiteral("1")).entries).contains("uno 1"));

    // The same password again replaces that pair, nothing appended, once
    // the user agrees; No is the default.
    newLedger();
    addEntries(1, QStringLiteral("tres"));
    const QList<SeenMessage> seen = save(QStringLiteral("Ana"), QStringLiteral("1"));
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.first().text, QStringLiteral("La cuenta Ana ya tiene un registro de 1 apunte guardado. "
                                               "¿Desea sustituirlo por este de 1?"));
    QCOMPARE(seen.first().buttons, (QStringList{QStringLiteral("Sí"), QStringLiteral("No")}));
    QCOMPARE(seen.first().defaultButton, QStringLiteral("No"));
    VERIFY_ONE_MESSAGE(seen.mid(1), kSavedText, kSavedTitle);
    QCOMPARE(readBytes(paths(QStringLiteral("Ana"), QStringLiteral("1")).entries),
             QByteArray("08/12/2026\t\t+1,50\x80\t\ttres 1\r\n"));
    QCOMPARE(storagetest::ledgerFiles(accountDirectory(QStringLiteral("Ana"))).size(), 4);
    // The ledger replaced is kept as a version.
    const auto kept = ledgerversions::list(paths(QStringLiteral("Ana"), QStringLiteral("1")));
    QVERIFY(kept && kept->size() == 1 && ledgerversions::read(kept->first())->entries.contains("uno 1"));
}

void TestStorageDialogs::cancelKeepsEverything() {
    guardar *dialog = showSaveDialog();
    dialog->user->setText(QStringLiteral("Ana"));
    dialog->pass->setText(QStringLiteral("12"));
    testsupport::click(dialog->Image2);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());
    QCOMPARE(ledger()->user1->text(), QStringLiteral("Text2"));
    QVERIFY(!QFileInfo::exists(accountDirectory(QStringLiteral("Ana"))));
    QCOMPARE(showSaveDialog(), dialog);
    QCOMPARE(dialog->user->text(), QStringLiteral("Ana"));
    QCOMPARE(dialog->pass->text(), QStringLiteral("12"));
}

void TestStorageDialogs::passwordsWhoseNamesStayApart_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("saved");
    // The total-file name of 99999999999998 is "99999999999999,1"; that of
    // 99999999999999 is "100000000000000", another password's entries file.
    for (const char *locale : {"es_ES", "en_US"}) {
        const QByteArray tag(locale);
        QTest::newRow(tag + " largest")
            << QString::fromLatin1(locale) << QStringLiteral("99999999999998") << true;
        QTest::newRow(tag + " one more")
            << QString::fromLatin1(locale) << QStringLiteral("99999999999999") << false;
        QTest::newRow(tag + " fifteen digits")
            << QString::fromLatin1(locale) << QStringLiteral("133333333333332") << false;
        QTest::newRow(tag + " leading zeros")
            << QString::fromLatin1(locale) << QStringLiteral("000099999999999998") << true;
        QTest::newRow(tag + " 400 digits")
            << QString::fromLatin1(locale) << QString(400, QLatin1Char('9')) << false;
    }
}

void TestStorageDialogs::passwordsWhoseNamesStayApart() {
    QFETCH(QString, locale);
    QFETCH(QString, password);
    QFETCH(bool, saved);
    testsupport::LocaleScope scope(locale);
    addEntries(1, QStringLiteral("x"));
    const QList<SeenMessage> seen = save(QStringLiteral("Ana"), password);
    if (saved) {
        VERIFY_ONE_MESSAGE(seen, kSavedText, kSavedTitle);
        QCOMPARE(listing(accountDirectory(QStringLiteral("Ana"))).size(), 2);
        return;
    }
    VERIFY_ONE_TITLE(seen, QStringLiteral("Contraseña no válida"));
    QVERIFY(seen.first().text.contains(QStringLiteral("demasiado grande")));
    QVERIFY(seen.first().text.contains(QStringLiteral("14 cifras")));
    QVERIFY(!QFileInfo::exists(accountDirectory(QStringLiteral("Ana"))));
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());
}

void TestStorageDialogs::filesAreMadeAfresh_data() {
    QTest::addColumn<QString>("link"); // made a link before the save dialog opens
    QTest::addColumn<bool>("followed");
    QTest::newRow("journal") << QStringLiteral("record") << false;
    QTest::newRow("ledger file") << QStringLiteral("entries") << true;
    QTest::newRow("marker") << QStringLiteral("marker") << false;
    QTest::newRow("account folder") << QStringLiteral("account") << true;
    QTest::newRow("data root") << QStringLiteral("root") << true;
}

void TestStorageDialogs::filesAreMadeAfresh() {
#ifdef Q_OS_WIN
    QSKIP("QFile::link makes shortcuts (.lnk) on Windows, not links");
#endif
    QFETCH(QString, link);
    QFETCH(bool, followed);
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("1"));
    const QString outside = testsupport::dataHome() + QStringLiteral("/fuera");
    QDir(outside).removeRecursively();
    QVERIFY(QDir().mkpath(outside));
    const QString target = outside + QStringLiteral("/destino");
    const QMap<QString, QString> at{{QStringLiteral("record"), p.journal()},
                                    {QStringLiteral("entries"), p.entries},
                                    {QStringLiteral("marker"), dataroot::markerPath()},
                                    {QStringLiteral("account"), p.directory},
                                    {QStringLiteral("root"), QDir::cleanPath(dataroot::path())}};
    QDir(dataroot::path()).removeRecursively();
    QVERIFY(QDir().mkpath(link == QLatin1String("root") ? testsupport::dataHome() : p.directory));
    if (link == QLatin1String("account"))
        QVERIFY(QDir(p.directory).removeRecursively());
    if (followed) // a folder or a ledger file linked on purpose
        QVERIFY(link == QLatin1String("entries") ? writeBytes(target, "x\r\n") : QDir().mkpath(target));
    QVERIFY(QFile::link(target, at.value(link)));

    addEntries(2, QStringLiteral("x"));
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("1")), kSavedText, kSavedTitle);
    QCOMPARE(lineCount(readBytes(p.entries)), 2);
    if (followed) {
        QVERIFY(QFileInfo(at.value(link)).isSymLink());
        QVERIFY(QFileInfo(target).isDir() ? !listing(target).isEmpty() : readBytes(target).size() > 3);
        QVERIFY(QFile::remove(at.value(link)));
    } else {
        QCOMPARE(listing(outside), QStringList{}); // nothing made where the link pointed
        QVERIFY(!QFileInfo(at.value(link)).isSymLink());
    }
}

void TestStorageDialogs::unsavableTextWritesNothing() {
    entrylist::append(ledger()->lst, QStringLiteral("08/12/2026\t\t+1,00€\t\t\u4e2d\u6587"), 100);
    const QList<SeenMessage> seen = save(QStringLiteral("Ana"), QStringLiteral("1"));
    VERIFY_ONE_TITLE(seen, QStringLiteral("Caracteres no válidos"));
    QVERIFY(seen.first().text.contains(QStringLiteral("«\u4e2d»")));
    QVERIFY(!QFileInfo::exists(accountDirectory(QStringLiteral("Ana"))));
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());

    // Under an account in use the saved ledger stays as it was.
    delete ledger()->lst->takeItem(0);
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("1")), kSavedText, kSavedTitle);
    const QByteArray before = readBytes(paths(QStringLiteral("Ana"), QStringLiteral("1")).total);
    ledger()->txtt->setText(QStringLiteral("5\r"));
    VERIFY_ONE_TITLE(quickSave(), QStringLiteral("Caracteres no válidos"));
    QCOMPARE(readBytes(paths(QStringLiteral("Ana"), QStringLiteral("1")).total), before);
}

void TestStorageDialogs::quickSaveWritesBack() {
    addEntries(2, QStringLiteral("a"));
    save(QStringLiteral("Ana"), QStringLiteral("7"));
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("7"));
    addEntries(1, QStringLiteral("b"));
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    QVERIFY(!WindowSet::instance().guardarWindow()->isVisible());
    QCOMPARE(lineCount(readBytes(p.entries)), 3);
    QCOMPARE(readBytes(p.total), ledger()->txtt->text().toLatin1() + "\r\n");

    // An empty ledger is an empty entries file and a one-line total.
    ledger()->lst->clear();
    ledger()->txtt->setText(QStringLiteral("0"));
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    QCOMPARE(readBytes(p.entries), QByteArray());
    QCOMPARE(readBytes(p.total), QByteArray("0\r\n"));
    QCOMPARE(ledger()->windowTitle(), Form1::accountCaption(QStringLiteral("Ana")));
    QCOMPARE(storagetest::ledgerFiles(p.directory).size(), 2);

    // The account saved to is the one user1 and pass1 name.
    ledger()->pass1->setText(QStringLiteral("9"));
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    QCOMPARE(readBytes(paths(QStringLiteral("Ana"), QStringLiteral("9")).total), QByteArray("0\r\n"));
    QCOMPARE(storagetest::ledgerFiles(p.directory).size(), 4);

    // After a new ledger, and under the account "Sin Usuario", whose caption
    // is that of no account, the account is asked for again.
    newLedger();
    QVERIFY(quickSave().isEmpty());
    QVERIFY(WindowSet::instance().guardarWindow()->isVisible());
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Sin Usuario"), QStringLiteral("1")), kSavedText, kSavedTitle);
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());
    QVERIFY(quickSave().isEmpty());
    QVERIFY(WindowSet::instance().guardarWindow()->isVisible());
}

void TestStorageDialogs::versionRecovered() {
    ledger()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ledger()));
    QTest::keyClick(ledger(), Qt::Key_H, Qt::ControlModifier);
    VersionsWindow *window = WindowSet::instance().versionsWindow();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->Label1->text(), QStringLiteral("No hay ninguna cuenta en uso: guarde o abra una cuenta "
                                                    "para ver sus versiones."));
    addEntries(2, QStringLiteral("uno"));
    save(QStringLiteral("Ana"), QStringLiteral("3"));
    const QString total = ledger()->txtt->text();
    addEntries(1, QStringLiteral("dos"));
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    ledger()->showVersions();
    QCOMPARE(window->lst->topLevelItemCount(), 1);
    const QTreeWidgetItem *row = window->lst->topLevelItem(0);
    QCOMPARE(QStringList({row->text(1), row->text(2), row->text(3)}),
             QStringList({QStringLiteral("2"), total, QStringLiteral("1 añadido")}));
    // One taken from the middle: the older version still reads through it.
    ledger()->lst->setCurrentRow(1);
    testsupport::answerMessages([&] { testsupport::click(ledger()->Image2); });
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    ledger()->showVersions();
    QCOMPARE(window->lst->topLevelItemCount(), 2);
    QCOMPARE(QStringList({window->lst->topLevelItem(0)->text(1), window->lst->topLevelItem(0)->text(3),
                          window->lst->topLevelItem(1)->text(1), window->lst->topLevelItem(1)->text(3)}),
             QStringList({QStringLiteral("3"), QStringLiteral("1 eliminado"), QStringLiteral("2"),
                          QStringLiteral("1 añadido")}));
    window->lst->setCurrentItem(window->lst->topLevelItem(1));
    QVERIFY(testsupport::answerMessages([&] { QTest::keyClick(window->lst, Qt::Key_Return); }).isEmpty());
    QVERIFY(!window->isVisible());
    QCOMPARE(ledger()->lst->count(), 2);
    QCOMPARE(ledger()->txtt->text(), total);
    QVERIFY(ledger()->hasUnsavedChanges());
    // Nothing is written until the user saves; undone, the ledger saved is
    // back, with nothing unsaved.
    QCOMPARE(lineCount(readBytes(paths(QStringLiteral("Ana"), QStringLiteral("3")).entries)), 2);
    ledger()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ledger()));
    QTest::keyClick(ledger()->lst, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(ledger()->lst->count(), 2);
    QVERIFY(!ledger()->hasUnsavedChanges());
}

void TestStorageDialogs::openDialogLoad() {
    testsupport::click(ledger()->Image3);
    abrir *dialog = WindowSet::instance().abrirWindow();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Abrir"));
    QCOMPARE(dialog->focusWidget(), dialog->pass);
    // No key filter here, and the mask hides every character.
    QTest::keyClicks(dialog->pass, QStringLiteral("1a-"));
    QCOMPARE(dialog->pass->text(), QStringLiteral("1a-"));
    QCOMPARE(dialog->pass->displayText(), QStringLiteral("***"));
    // A field left empty is asked for.
    VERIFY_ONE_MESSAGE(signInAs(QStringLiteral("Ana"), QString()), kMissingText, kMissingTitle);
    VERIFY_ONE_MESSAGE(signInAs(QString(), QStringLiteral("1")), kMissingText, kMissingTitle);
    QVERIFY(WindowSet::instance().abrirWindow()->isVisible());
}

void TestStorageDialogs::signIn() {
    // A saved ledger whose first line has the entry layout and second not.
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("1234"));
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, "01/02/2026\t\t-12,50\x80\t\tLuz\r\nnota suelta\r\n"));
    QVERIFY(writeBytes(p.total, "87,5\r\n"));
    entrylist::append(ledger()->lst, QStringLiteral("ya estaba"), 500);
    ledger()->txtt->setText(QStringLiteral("5"));

    // With entries shown the user is asked first; Añadir adds the stored
    // total to the shown one.
    const QStringList shown = testsupport::ledgerState(ledger());
    QList<SeenMessage> seen =
        signInAs(QStringLiteral("Ana"), QStringLiteral("01234"), QStringLiteral("Añadir")); // same ledger
    QCOMPARE(seen.size(), 1);
    QCOMPARE(
        seen.first().text,
        QStringLiteral("¿Desea añadir los apuntes de esta cuenta a los que se muestran, o sustituirlos?"));
    QStringList buttons = seen.first().buttons;
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("Añadir"), QStringLiteral("Cancelar"),
                                   QStringLiteral("Sustituir")}));
    QCOMPARE(seen.first().defaultButton, QStringLiteral("Sustituir"));
    QListWidget *lst = ledger()->lst;
    QCOMPARE(lst->count(), 3);
    QCOMPARE(lst->item(0)->text(), QStringLiteral("ya estaba"));
    QCOMPARE(lst->item(1)->text(), QStringLiteral("01/02/2026\t\t-12,50€\t\tLuz"));
    QCOMPARE(entrylist::cents(lst, 1), -1250);
    QCOMPARE(entrylist::cents(lst, 2), 0);
    QCOMPARE(ledger()->txtt->text(), QStringLiteral("92,5"));
    QCOMPARE(ledger()->totalColour(), ui::totalGreen());
    QCOMPARE(ledger()->windowTitle(), Form1::accountCaption(QStringLiteral("Ana")));
    QCOMPARE(ledger()->user1->text(), QStringLiteral("Ana"));
    QCOMPARE(ledger()->pass1->text(), QStringLiteral("01234"));
    abrir *dialog = WindowSet::instance().abrirWindow();
    QVERIFY(!dialog->isVisible());
    // Adding is one step: undone, the account in use before comes back too.
    const QStringList added = testsupport::ledgerState(ledger());
    ledger()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ledger()));
    QTest::keyClick(lst, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(testsupport::ledgerState(ledger()), shown);
    QTest::keyClick(lst, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(testsupport::ledgerState(ledger()), added);

    // Deleting the loaded entry takes off exactly what it carries.
    lst->setCurrentRow(1);
    testsupport::answerMessages([&] { testsupport::click(ledger()->Image2); });
    QCOMPARE(ledger()->txtt->text(), QStringLiteral("105"));

    // Shown again, the dialog keeps its texts; signing in again to the
    // account in use asks again, and Cancelar changes nothing.
    testsupport::click(ledger()->Image3);
    QCOMPARE(dialog->user->text(), QStringLiteral("Ana"));
    QCOMPARE(dialog->pass->text(), QStringLiteral("01234"));
    seen =
        testsupport::answerMessages([&] { testsupport::click(dialog->Image1); }, QStringLiteral("Cancelar"));
    QCOMPARE(seen.size(), 1);
    QCOMPARE(lst->count(), 2);
    QCOMPARE(ledger()->txtt->text(), QStringLiteral("105"));

    // Sustituir asks about the unsaved changes first (Guardar saves them to
    // the account in use), then shows that account's ledger alone.
    seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image1); });
    QCOMPARE(seen.size(), 3);
    QCOMPARE(seen.at(1).title, QStringLiteral("Cambios sin guardar"));
    QCOMPARE(seen.at(2).text, kSavedText);
    QCOMPARE(lst->count(), 2);
    QCOMPARE(lst->item(0)->text(), QStringLiteral("ya estaba"));
    QCOMPARE(ledger()->txtt->text(), QStringLiteral("105"));
    QVERIFY(!ledger()->hasUnsavedChanges());
    // The steps before were another ledger's: none is left to undo.
    const QStringList replaced = testsupport::ledgerState(ledger());
    ledger()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(ledger()));
    QTest::keyClick(lst, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(testsupport::ledgerState(ledger()), replaced);
    QCOMPARE(lineCount(readBytes(p.entries)), 2);
    QCOMPARE(readBytes(p.total), QByteArray("105\r\n"));
}

void TestStorageDialogs::signInDenials_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("damage"); // what is done to the saved ledger first
    QTest::newRow("unknown user") << QStringLiteral("Eva") << QStringLiteral("1234") << QString();
    QTest::newRow("wrong password") << QStringLiteral("Ana") << QStringLiteral("1235") << QString();
    QTest::newRow("letters") << QStringLiteral("Ana") << QStringLiteral("abc") << QString();
    QTest::newRow("trailing blank") << QStringLiteral("Ana") << QStringLiteral("1234 ") << QString();
    QTest::newRow("not finite") << QStringLiteral("Ana") << QString(400, QLatin1Char('9')) << QString();
    QTest::newRow("total missing") << QStringLiteral("Ana") << QStringLiteral("1234")
                                   << QStringLiteral("remove");
    QTest::newRow("account is a file")
        << QStringLiteral("Ana") << QStringLiteral("1234") << QStringLiteral("file");
}

void TestStorageDialogs::signInDenials() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, damage);
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("1234"));
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, "uno\r\ndos\r\n"));
    QVERIFY(writeBytes(p.total, "3\r\n"));
    if (damage == QLatin1String("remove")) {
        QVERIFY(QFile::remove(p.total));
    } else if (damage == QLatin1String("directory")) {
        QVERIFY(QFile::remove(p.total));
        QVERIFY(QDir().mkpath(p.total));
    } else if (damage == QLatin1String("file")) {
        QVERIFY(QDir(p.directory).removeRecursively());
        QVERIFY(writeBytes(p.directory, "no soy una carpeta"));
    }
    entrylist::append(ledger()->lst, QStringLiteral("ya estaba"), 500);
    ledger()->txtt->setText(QStringLiteral("5"));

    VERIFY_ONE_MESSAGE(signInAs(user, password), kDeniedText, kDeniedTitle);
    QCOMPARE(ledger()->lst->count(), 1);
    QCOMPARE(ledger()->txtt->text(), QStringLiteral("5"));
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());
    QCOMPARE(ledger()->user1->text(), QStringLiteral("Text2"));
    abrir *dialog = WindowSet::instance().abrirWindow();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->user->text(), user);
    QCOMPARE(dialog->pass->text(), password);
}

void TestStorageDialogs::signInOverTheLineLimit() {
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("1"));
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, QByteArray("x\r\n").repeated(entrylist::kMaxLines)));
    QVERIFY(writeBytes(p.total, "9\r\n"));
    entrylist::append(ledger()->lst, QStringLiteral("ya estaba"), 500);
    ledger()->txtt->setText(QStringLiteral("5"));

    const QList<SeenMessage> seen =
        signInAs(QStringLiteral("Ana"), QStringLiteral("1"), QStringLiteral("Añadir"));
    QCOMPARE(seen.size(), 2);
    VERIFY_ONE_TITLE(seen.mid(1), QStringLiteral("Demasiados registros"));
    QCOMPARE(ledger()->lst->count(), 1);
    QCOMPARE(ledger()->txtt->text(), QStringLiteral("5"));
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());

    // Exactly the limit fits.
    newLedger();
    QVERIFY(signInAs(QStringLiteral("Ana"), QStringLiteral("1")).isEmpty());
    QCOMPARE(ledger()->lst->count(), entrylist::kMaxLines);
}

void TestStorageDialogs::windowsBytesRoundTrip() {
    // Files as written on Windows: Windows-1252 bytes, CR LF, tabs.
    const QByteArray entries("08/12/2026\t\t+1500,00\x80\t\tN\xf3mina\r\n"
                             "09/12/2026\t\t-0,45\x80\t\tCaf\xe9 \x93"
                             "bueno\x94\r\n"
                             "10/12/2026\t\t+7,00\x80\t\t\r\n"
                             "11/12/2026\t\t-80,00\x80\t\tCena en el restaurante del puerto con los "
                             "compa\xf1"
                             "eros de la oficina por el a\xf1o nuevo, con m\xfa"
                             "sica y baile\r\n");
    const QByteArray total("1506,55\r\n");
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("José"), QStringLiteral("1234"));
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, entries));
    QVERIFY(writeBytes(p.total, total));

    QVERIFY(signInAs(QStringLiteral("José"), QStringLiteral("1234")).isEmpty());
    QCOMPARE(ledger()->lst->item(0)->text(), QStringLiteral("08/12/2026\t\t+1500,00€\t\tNómina"));
    QCOMPARE(ledger()->lst->item(1)->text(),
             QStringLiteral("09/12/2026\t\t-0,45€\t\tCafé \u201cbueno\u201d"));
    QCOMPARE(entrylist::cents(ledger()->lst, 0), 150000);
    QCOMPARE(entrylist::cents(ledger()->lst, 1), -45);
    QCOMPARE(ledger()->txtt->text(), QStringLiteral("1506,55"));
    // The widths measured as the lines were appended at once scroll as far
    // as the list's measuring of every line again, which a change of font makes.
    QListWidget *list = ledger()->lst;
    list->doItemsLayout();
    const int decoded = list->horizontalScrollBar()->maximum();
    const QFont font = list->font();
    list->setFont(QFont());
    list->setFont(font);
    list->doItemsLayout();
    QVERIFY(decoded > 0);
    QCOMPARE(list->horizontalScrollBar()->maximum(), decoded);

    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    QCOMPARE(readBytes(p.entries), entries);
    QCOMPARE(readBytes(p.total), total);
}

void TestStorageDialogs::totalFileLines_data() {
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<QByteArray>("total");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("count");
    QTest::newRow("last line wins") << QByteArray("a\r\n") << QByteArray("1\r\n2\r\n3,5\r\n") << "3,5" << 1;
    QTest::newRow("no final line end") << QByteArray("a\r\nb") << QByteArray("1\r\n-2") << "-2" << 2;
    QTest::newRow("lone cr") << QByteArray("a\rb\r") << QByteArray("4\r") << "4" << 2;
    QTest::newRow("empty total keeps the total") << QByteArray() << QByteArray() << "5" << 0;
    QTest::newRow("empty last line gives 0") << QByteArray() << QByteArray("7\r\n\r\n") << "0" << 0;
}

void TestStorageDialogs::totalFileLines() {
    QFETCH(QByteArray, entries);
    QFETCH(QByteArray, total);
    QFETCH(QString, shown);
    QFETCH(int, count);
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("3"));
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, entries));
    QVERIFY(writeBytes(p.total, total));
    ledger()->txtt->setText(QStringLiteral("5"));
    QVERIFY(signInAs(QStringLiteral("Ana"), QStringLiteral("3")).isEmpty());
    QCOMPARE(ledger()->txtt->text(), shown);
    QCOMPARE(ledger()->lst->count(), count);

    // Written back, every line ends in CR LF and the total is one line.
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    QCOMPARE(readBytes(p.total), shown.toLatin1() + "\r\n");
    QVERIFY(!readBytes(p.entries).contains("\r\r"));
}

void TestStorageDialogs::locales_data() {
    QTest::addColumn<QString>("savedIn");
    QTest::addColumn<QString>("openedIn");
    QTest::addColumn<QStringList>("names"); // of the one ledger, whatever the locale
    const QStringList stops{QStringLiteral("2.14285714285714.text"), QStringLiteral("2.75.text")};
    const QStringList commas{QStringLiteral("2,14285714285714.text"), QStringLiteral("2,75.text")};
    QTest::newRow("en_US then es_ES") << QStringLiteral("en_US") << QStringLiteral("es_ES") << stops;
    QTest::newRow("es_ES then en_US") << QStringLiteral("es_ES") << QStringLiteral("en_US") << commas;
}

void TestStorageDialogs::locales() {
    // A ledger saved under one decimal separator is found, and saved again,
    // under the other, by the names it has; a new one gets the locale's.
    QFETCH(QString, savedIn);
    QFETCH(QString, openedIn);
    QFETCH(QStringList, names);
    addEntries(3, QStringLiteral("x"));
    {
        testsupport::LocaleScope saving(savedIn);
        VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("1")), kSavedText, kSavedTitle);
    }
    testsupport::LocaleScope opening(openedIn);
    newLedger();
    QVERIFY(signInAs(QStringLiteral("Ana"), QStringLiteral("1")).isEmpty());
    QCOMPARE(ledger()->lst->count(), 3);
    // The total reads in this locale, in its number text.
    QCOMPARE(ledger()->txtt->text(), numbertext::format(7.5));
    QCOMPARE(ledger()->totalColour(), ui::totalGreen());
    addEntries(1, QStringLiteral("y"));
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    newLedger();
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("1")).mid(1), kSavedText, kSavedTitle);
    QCOMPARE(storagetest::ledgerFiles(accountDirectory(QStringLiteral("Ana"))), names);
    QCOMPARE(readBytes(accountDirectory(QStringLiteral("Ana")) + u'/' + names.last()), QByteArray());
    newLedger();
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("2")), kSavedText, kSavedTitle);
    QVERIFY(storagetest::ledgerFiles(accountDirectory(QStringLiteral("Ana")))
                .contains(ledgerformat::entriesFileName(2, QLocale(openedIn))));
}

void TestStorageDialogs::dataRootCannotBeMade() {
    // A file where the data home should be: the root cannot be made, even
    // by a privileged user.
#ifdef Q_OS_WIN
    // C:\Tesorila\, whatever the data home: a file in its place.
    QVERIFY(writeBytes(QDir::cleanPath(dataroot::path()), "x"));
#else
    const QByteArray previous = qgetenv("XDG_DATA_HOME");
    const QString blocked = testsupport::dataHome() + QStringLiteral("/bloqueado");
    QVERIFY(writeBytes(blocked, "x"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocked + QStringLiteral("/datos")));
    struct Restore {
        QByteArray value;
        ~Restore() { qputenv("XDG_DATA_HOME", value); }
    } restore{previous};
#endif

    QList<SeenMessage> seen;
    guardar *dialog = showSaveDialog(&seen);
    VERIFY_ONE_TITLE(seen, QStringLiteral("Carpeta de datos"));
    QVERIFY(seen.first().text.contains(QStringLiteral("hay un archivo donde debería haber una carpeta")));
    QVERIFY(dialog && dialog->isVisible());

    addEntries(1, QStringLiteral("x"));
    seen = save(QStringLiteral("Ana"), QStringLiteral("1"));
    VERIFY_ONE_TITLE(seen, QStringLiteral("Carpeta de datos"));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->user->text(), QStringLiteral("Ana"));
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());
    QCOMPARE(ledger()->lst->count(), 1);
}

void TestStorageDialogs::readOnlyAccountDirectory() {
#ifdef Q_OS_WIN
    QSKIP("Windows keeps no write permission on a folder (an ACL would)");
#endif
    addEntries(2, QStringLiteral("viejo"));
    save(QStringLiteral("Ana"), QStringLiteral("5"));
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("5"));
    const QByteArray oldEntries = readBytes(p.entries);
    const QByteArray oldTotal = readBytes(p.total);

    ScopedMount mount;
    if (const std::optional<QString> why = mount.readOnly(p.directory))
        QSKIP(qPrintable(QStringLiteral("no read-only directory: ") + *why));

    addEntries(3, QStringLiteral("nuevo"));
    const QString caption = ledger()->windowTitle();
    VERIFY_ONE_TITLE(quickSave(), QStringLiteral("Error al guardar"));
    QCOMPARE(readBytes(p.entries), oldEntries);
    QCOMPARE(readBytes(p.total), oldTotal);
    QCOMPARE(ledger()->windowTitle(), caption);
    QCOMPARE(ledger()->lst->count(), 5);

    // Signing in still works: reading needs no write access.
    newLedger();
    QVERIFY(signInAs(QStringLiteral("Ana"), QStringLiteral("5")).isEmpty());
    QCOMPARE(ledger()->lst->count(), 2);

    // A second ledger cannot be added there either, and the dialog keeps
    // its texts.
    newLedger();
    VERIFY_ONE_TITLE(save(QStringLiteral("Ana"), QStringLiteral("6")), QStringLiteral("Error al guardar"));
    QCOMPARE(WindowSet::instance().guardarWindow()->pass->text(), QStringLiteral("6"));
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());
    QCOMPARE(listing(p.directory).size(), 2);
}

void TestStorageDialogs::fullDisk() {
    // A tiny file system mounted as the account directory, then filled up.
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("1"));
    QVERIFY(QDir().mkpath(p.directory));
    ScopedMount mount;
    if (const std::optional<QString> why = mount.tmpfs(p.directory, "size=64k,mode=0755"))
        QSKIP(qPrintable(QStringLiteral("no small file system to fill: ") + *why));

    addEntries(2, QStringLiteral("viejo"));
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("1")), kSavedText, kSavedTitle);
    const QByteArray oldEntries = readBytes(p.entries);

    const QString filler = p.directory + QStringLiteral("/relleno");
    {
        QFile file(filler);
        QVERIFY(file.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (file.write(block) == block.size() && file.flush()) {
        }
    }

    addEntries(200, QStringLiteral("nuevo"));
    const QString total = ledger()->txtt->text();
    const QList<SeenMessage> seen = quickSave();
    VERIFY_ONE_TITLE(seen, QStringLiteral("Error al guardar"));
    QVERIFY(seen.first().text.contains(QStringLiteral("el disco está lleno")));
    QCOMPARE(readBytes(p.entries), oldEntries);
    QCOMPARE(listing(p.directory).size(), 3); // the two ledger files and the filler
    QCOMPARE(ledger()->lst->count(), 202);
    QCOMPARE(ledger()->txtt->text(), total);

    QVERIFY(QFile::remove(filler));
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    QCOMPARE(lineCount(readBytes(p.entries)), 202);
}

void TestStorageDialogs::everyFailingStepOfAQuickSave() {
    addEntries(2, QStringLiteral("viejo"));
    save(QStringLiteral("Ana"), QStringLiteral("9"));
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("9"));
    const QByteArray oldEntries = readBytes(p.entries);
    addEntries(1, QStringLiteral("nuevo"));
    const QString caption = ledger()->windowTitle();

    for (int failAt = 0;; ++failAt) {
        // Put back through a save, as the window then saw it.
        QVERIFY(ledgerstore::save(p, oldEntries, readBytes(p.total)));
        account::Session opened(QStringLiteral("Ana"), QStringLiteral("9"));
        QVERIFY(opened.open({0, entrylist::kMaxLines, 32767}));
        ledger()->useAccount(opened);
        storagetest::FaultyFileSystem faulty;
        faulty.failAt = failAt;
        QList<SeenMessage> seen;
        {
            storage::ScopedFileSystem scope(faulty);
            seen = quickSave();
        }
        const QString step = failAt < faulty.count ? faulty.log.at(failAt) : QStringLiteral("none");
        QVERIFY2(seen.size() == 1, qPrintable(step));
        const bool saved = seen.first().text == kSavedText;
        // Renamed, but after a failed directory sync: written, not reported.
        const bool unfinished = seen.first().text.contains(QStringLiteral("terminar de guardar"));
        QVERIFY2(!unfinished || step.startsWith(QStringLiteral("syncDirectory")), qPrintable(step));
        if (!saved)
            QVERIFY2(seen.first().title == QStringLiteral("Error al guardar"), qPrintable(step));
        QVERIFY2((readBytes(p.entries) == oldEntries) != (saved || unfinished), qPrintable(step));
        QCOMPARE(ledger()->windowTitle(), caption);
        QCOMPARE(ledger()->lst->count(), 3);
        if (failAt >= faulty.count) {
            QVERIFY(saved);
            break;
        }
    }
}

void TestStorageDialogs::everyFailingStepOfTheSaveDialog() {
    // From a data root that does not exist yet: root, marker, account
    // directory and both files each fail in turn.
    addEntries(1, QStringLiteral("x"));
    for (int failAt = 0;; ++failAt) {
        QDir(dataroot::path()).removeRecursively();
        guardar *dialog = showSaveDialog();
        QVERIFY(dialog);
        dialog->user->setText(QStringLiteral("Ana"));
        dialog->pass->setText(QStringLiteral("1"));
        QDir(dataroot::path()).removeRecursively(); // the save makes the root itself

        storagetest::FaultyFileSystem faulty;
        faulty.failAt = failAt;
        QList<SeenMessage> seen;
        {
            storage::ScopedFileSystem scope(faulty);
            seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image1); });
        }
        const QString step = failAt < faulty.count ? faulty.log.at(failAt) : QStringLiteral("none");
        QVERIFY2(seen.size() == 1, qPrintable(step));
        const bool saved = seen.first().text == kSavedText;
        const bool unfinished = seen.first().text.contains(QStringLiteral("terminar de guardar"));
        QVERIFY2(!unfinished || step.startsWith(QStringLiteral("syncDirectory")), qPrintable(step));
        const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("1"));
        QVERIFY2(QFileInfo::exists(p.entries) == (saved || unfinished), qPrintable(step));
        QVERIFY2(dialog->isVisible() != saved, qPrintable(step));
        QCOMPARE(ledger()->windowTitle(),
                 saved ? Form1::accountCaption(QStringLiteral("Ana")) : Form1::noUserCaption());
        if (!saved) {
            QCOMPARE(dialog->user->text(), QStringLiteral("Ana"));
            QCOMPARE(dialog->pass->text(), QStringLiteral("1"));
        } else {
            newLedger();
        }
        if (failAt >= faulty.count)
            break;
    }
}

void TestStorageDialogs::failedQuickSave_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason"); // words the message must hold
    QTest::addColumn<QString>("title");
    const QString failed = QStringLiteral("Error al guardar");
    QTest::newRow("account folder removed")
        << QStringLiteral("1") << QStringLiteral("remove") << QStringLiteral("ya no existe") << failed;
    QTest::newRow("folder as the total file")
        << QStringLiteral("1") << QStringLiteral("directory") << QStringLiteral("hay una carpeta") << failed;
    QTest::newRow("password too large")
        << QStringLiteral("133333333333332") << QString() << QStringLiteral("14 cifras")
        << QStringLiteral("Contraseña no válida");
#ifndef Q_OS_WIN // a folder's permissions
    QTest::newRow("read-only folder")
        << QStringLiteral("1") << QStringLiteral("read-only")
        << (isRoot() ? QStringLiteral("solo lectura") : QStringLiteral("permiso")) << failed;
#endif
    // Checked before the journal is written: nothing is left for the next
    // sign-in to take for saved.
    QTest::newRow("read-only entries file")
        << QStringLiteral("1") << QStringLiteral("read-only file")
        << (isRoot() ? QStringLiteral("solo lectura") : QStringLiteral("permiso")) << failed;
    QTest::newRow("a file at the versions' folder")
        << QStringLiteral("1") << QStringLiteral("file .versiones")
        << QStringLiteral("una copia de lo que había guardado, porque hay un archivo donde debería haber una "
                          "carpeta")
        << failed;
    // The system's own error codes, by number.
    const auto injected = [&](const char *name, int error, const char *reason) {
        QTest::newRow(name) << QStringLiteral("1") << QString::number(error) << QString::fromUtf8(reason)
                            << failed;
    };
#ifdef Q_OS_WIN
    injected("Windows sharing violation", ERROR_SHARING_VIOLATION, "otro programa tiene abierto el archivo");
    injected("Windows disk full", ERROR_DISK_FULL, "el disco está lleno");
    injected("Windows write protected", ERROR_WRITE_PROTECT, "el disco es de solo lectura");
    injected("Windows name too long", ERROR_FILENAME_EXCED_RANGE, "el nombre del archivo es demasiado largo");
    injected("Windows bad net name", ERROR_BAD_NET_NAME, "el sistema ha dado el error número 67");
#else
    injected("injected EIO", EIO, "el disco ha dado un error de lectura o escritura");
    injected("injected ENOSPC", ENOSPC, "el disco está lleno");
    injected("injected EACCES", EACCES, "no tiene permiso para hacerlo en esa carpeta");
    injected("injected EROFS", EROFS, "el disco es de solo lectura");
    injected("injected ENXIO", ENXIO,
             "el nombre es el de un socket o un dispositivo sin nada conectado al otro lado");
    injected("injected ENOLCK", ENOLCK,
             "el sistema no puede bloquear archivos en esa carpeta (una carpeta de red, quizá)");
    // Without a name of its own: its number.
    injected("injected ENOLINK", ENOLINK,
             QByteArray("el sistema ha dado el error número " + QByteArray::number(ENOLINK)).constData());
#endif
}

// A quick save that fails changes nothing on disk or on the window, says
// why, and then offers the save dialog, which saves the ledger elsewhere.
void TestStorageDialogs::failedQuickSave() {
    QFETCH(QString, password);
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    QFETCH(QString, title);
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), password);
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, "viejo\r\n"));
    QVERIFY(writeBytes(p.total, "1\r\n"));
    QVERIFY(signInAs(QStringLiteral("Ana"), password).isEmpty()); // opening is allowed
    WindowSet::instance().abrirWindow()->hide();
    addEntries(2, QStringLiteral("nuevo"));
    ScopedMount mount;
    if (damage == QLatin1String("remove"))
        QVERIFY(QDir(p.directory).removeRecursively());
    if (damage == QLatin1String("directory"))
        QVERIFY(QFile::remove(p.total) && QDir().mkpath(p.total));
    if (damage == QLatin1String("file .versiones"))
        QVERIFY(writeBytes(p.directory + QStringLiteral("/.versiones"), "x"));
    storagetest::FaultyFileSystem faulty; // every write fails with the error given
    faulty.failEvery = QStringLiteral("write");
    faulty.error = damage.toInt();
    // The marker is missing too: the save dialog cannot write it either, and
    // says nothing false of the data root, which is there.
    QVERIFY(!QFileInfo::exists(dataroot::markerPath()));
    if (damage.startsWith(QLatin1String("read-only"))) {
        if (const std::optional<QString> why =
                mount.readOnly(damage == QLatin1String("read-only") ? p.directory : p.entries))
            QSKIP(qPrintable(*why));
    }
    const QStringList before = listing(p.directory);
    const QByteArray entries = readBytes(p.entries);

    QList<SeenMessage> seen;
    {
        std::optional<storage::ScopedFileSystem> scope;
        if (faulty.error != 0)
            scope.emplace(faulty);
        seen = quickSave();
    }
    VERIFY_ONE_TITLE(seen, title);
    QVERIFY2(seen.first().text.contains(reason), qPrintable(seen.first().text));
    QCOMPARE(listing(p.directory), before);
    QCOMPARE(QFileInfo::exists(p.directory), damage != QLatin1String("remove")); // not made again
    QCOMPARE(readBytes(p.entries), entries);
    QCOMPARE(ledger()->windowTitle(), Form1::accountCaption(QStringLiteral("Ana")));
    QCOMPARE(ledger()->lst->count(), 3);
    guardar *dialog = WindowSet::instance().guardarWindow();
    QVERIFY(dialog && dialog->isVisible());

    dialog->user->setText(QStringLiteral("Eva"));
    dialog->pass->setText(QStringLiteral("2"));
    VERIFY_ONE_MESSAGE(testsupport::answerMessages([&] { testsupport::click(dialog->Image1); }), kSavedText,
                       kSavedTitle);
    QCOMPARE(lineCount(readBytes(paths(QStringLiteral("Eva"), QStringLiteral("2")).entries)), 3);
}

void TestStorageDialogs::leftoversAreSetAside_data() {
    QTest::addColumn<QString>("name"); // the lock's, or the journal's
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"folder", "unreadable", "fifo", "socket"}) {
        QTest::newRow((QByteArray("lock: ") + kind).constData()) << QStringLiteral(".bloqueo") << kind;
        QTest::newRow((QByteArray("journal: ") + kind).constData()) << QStringLiteral("journal") << kind;
    }
    QTest::newRow("journal: 70 MB") << QStringLiteral("journal") << "too large";
}

// Whatever stands at the lock's or the journal's name and can be neither is
// set aside, never removed, and the account opens and saves as before.
void TestStorageDialogs::leftoversAreSetAside() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("1"));
    QVERIFY(QDir().mkpath(p.directory));
    QVERIFY(writeBytes(p.entries, "08/12/2026\t\t+1,00\x80\t\tviejo\r\n") && writeBytes(p.total, "1\r\n"));
    if (name == QLatin1String("journal"))
        name = QFileInfo(p.journal()).fileName();
    const QString at = p.directory + QLatin1Char('/') + name;
    const QByteArray path = QFile::encodeName(at);
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(at + QStringLiteral("/dentro")));
    } else if (kind == QLatin1String("too large")) {
        QVERIFY(writeBytes(at, QByteArray(70 << 20, '\0')));
    } else if (kind == QLatin1String("unreadable")) {
        if (isRoot())
            QSKIP("a privileged user reads any file");
        QFile::Permissions left; // none
#ifdef Q_OS_WIN
        left = QFile::ReadOwner; // all that Windows takes away is writing
#endif
        QVERIFY(writeBytes(at, "x") && QFile::setPermissions(at, left));
    } else {
#ifdef Q_OS_UNIX
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const int socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
        qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
        QVERIFY(kind == QLatin1String("fifo")
                    ? ::mkfifo(path.constData(), 0600) == 0
                    : ::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        ::close(socket);
#else
        QSKIP("no pipes nor sockets among Windows' files");
#endif
    }
    QVERIFY(signInAs(QStringLiteral("Ana"), QStringLiteral("1")).isEmpty());
    addEntries(1, QStringLiteral("nuevo"));
    VERIFY_ONE_MESSAGE(quickSave(), kSavedText, kSavedTitle);
    QCOMPARE(lineCount(readBytes(p.entries)), 2);
    QStringList left{QFileInfo(p.entries).fileName(), QFileInfo(p.total).fileName(),
                     name + QStringLiteral(".apartado-1")};
    left.sort();
    QCOMPARE(storagetest::ledgerFiles(p.directory), left);
}

void TestStorageDialogs::commitThatCannotBeMadeDurable_data() {
    QTest::addColumn<bool>("writes");
    QTest::newRow("ledger files refused too") << false;
    QTest::newRow("ledger files still written") << true;
}

void TestStorageDialogs::commitThatCannotBeMadeDurable() {
    // Once the journal is written the disk turns read-only, as ext4 does
    // after an input/output error: the directory sync fails and so does
    // every removal, which leaves the journal in place. Never a success:
    // where the ledger files can still be written, they hold the new ledger
    // all the same, but the failed sync may have lost the journal's name.
    QFETCH(bool, writes);
    addEntries(2, QStringLiteral("viejo"));
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("9")), kSavedText, kSavedTitle);
    struct FailingAfterCommit : storage::FileSystem {
        QString record;
        bool writes = false;
        bool synced = false;
        storage::Status syncDirectory(const QString &path) override {
            if (QFileInfo::exists(record) && !std::exchange(synced, true))
                return storage::Error(storage::Failure::InputOutput);
            return FileSystem::syncDirectory(path);
        }
        storage::Status write(const QString &path, const QByteArray &bytes, storage::Links links,
                              qint64 from) override {
            if (!writes && QDir::cleanPath(path) != QDir::cleanPath(record) &&
                !path.contains(QLatin1String(ledgerversions::kFolderName)))
                return storage::Error(storage::Failure::ReadOnlyDisk);
            return FileSystem::write(path, bytes, links, from);
        }
        storage::Status remove(const QString &path) override {
            return QFileInfo::exists(path) ? storage::Status(storage::Error(storage::Failure::ReadOnlyDisk))
                                           : storage::Done{};
        }
    } failing;
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("9"));
    failing.record = p.journal();
    failing.writes = writes;
    addEntries(1, QStringLiteral("nuevo"));
    QList<SeenMessage> seen;
    {
        storage::ScopedFileSystem scope(failing);
        seen = quickSave();
    }
    QCOMPARE(lineCount(readBytes(p.entries)), writes ? 3 : 2);
    VERIFY_ONE_TITLE(seen, QStringLiteral("Error al guardar"));
    QVERIFY(seen.first().text.contains(QStringLiteral("terminar")));
    QVERIFY(WindowSet::instance().guardarWindow()->isVisible());
}

void TestStorageDialogs::accountInUseByAnotherProcess() {
    // Another process holds the account: a quick save and a sign-in wait a
    // moment, then say so and change nothing.
    addEntries(2, QStringLiteral("viejo"));
    VERIFY_ONE_MESSAGE(save(QStringLiteral("Ana"), QStringLiteral("3")), kSavedText, kSavedTitle);
    const ledgerformat::LedgerPaths p = paths(QStringLiteral("Ana"), QStringLiteral("3"));
    const QByteArray entries = readBytes(p.entries);
    addEntries(1, QStringLiteral("nuevo"));

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TESORILA_LOCK_DIR"), p.directory);
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(child.waitForReadyRead(60000));
    QCOMPARE(child.readLine().trimmed(), QByteArray("listo")); // "\r\n" on Windows

    QList<SeenMessage> seen = quickSave();
    VERIFY_ONE_TITLE(seen, QStringLiteral("Error al guardar"));
    QVERIFY(seen.first().text.contains(QStringLiteral("Otra ventana de Tesorila")));
    QCOMPARE(readBytes(p.entries), entries);
    WindowSet::instance().guardarWindow()->hide();

    newLedger();
    seen = signInAs(QStringLiteral("Ana"), QStringLiteral("3"));
    VERIFY_ONE_TITLE(seen, kDeniedTitle);
    QVERIFY(seen.first().text.contains(QStringLiteral("Otra ventana de Tesorila")));
    QCOMPARE(ledger()->lst->count(), 0);
    QCOMPARE(ledger()->windowTitle(), Form1::noUserCaption());

    child.closeWriteChannel(); // the other process lets go
    QVERIFY(child.waitForFinished(60000));
    // An empty lock file, as a power cut leaves one, is nobody's lock.
    const QString lock = p.directory + QStringLiteral("/.bloqueo");
    QVERIFY(writeBytes(lock, QByteArray()));
    QFile old(lock);
    QVERIFY(old.open(QIODevice::ReadWrite) &&
            old.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
    old.close();
    QVERIFY(signInAs(QStringLiteral("Ana"), QStringLiteral("3")).isEmpty());
    QCOMPARE(ledger()->lst->count(), 2);

    // Another process signs in and saves after this window did: the quick
    // save here then writes nothing and offers the save dialog.
    QProcess saver;
    environment.insert(QStringLiteral("TESORILA_SAVER_HOME"), testsupport::dataHome());
    saver.setProcessEnvironment(environment);
    saver.start(QCoreApplication::applicationFilePath(), {});
    QVERIFY(saver.waitForFinished(60000));
    QCOMPARE(saver.exitCode(), 0);
    const QByteArray saved = readBytes(p.entries);
    QVERIFY(saved.contains("hijo"));
    seen = quickSave();
    VERIFY_ONE_TITLE(seen, QStringLiteral("Error al guardar"));
    QVERIFY(seen.first().text.contains(QStringLiteral("Otra ventana de Tesorila ha guardado")));
    QCOMPARE(readBytes(p.entries), saved);
    guardar *dialog = WindowSet::instance().guardarWindow();
    QVERIFY(dialog->isVisible());

    // The same account typed there is replaced only once the user agrees.
    dialog->user->setText(QStringLiteral("Ana"));
    dialog->pass->setText(QStringLiteral("3"));
    seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image1); }, QStringLiteral("No"));
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().text, QStringLiteral("La cuenta Ana tiene un registro de %1 apuntes guardado desde "
                                               "otra ventana. ¿Desea sustituirlo por este de 2?")
                                    .arg(lineCount(saved)));
    QCOMPARE(readBytes(p.entries), saved);
    seen = testsupport::answerMessages([&] { testsupport::click(dialog->Image1); }, QStringLiteral("Sí"));
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen.last().text, kSavedText);
    QCOMPARE(lineCount(readBytes(p.entries)), 2);
}

TESORILA_TEST_MAIN(TestStorageDialogs)
#include "tst_storage_dialogs.moc"
