// SPDX-License-Identifier: GPL-3.0-or-later
// The print command end to end, through a print scheduler of the test's
// own: its configuration, spool and logs lie in a temporary folder, it
// listens on a free port of the loopback interface only, and its one queue
// hands every job to a backend that copies it into that folder. The queue
// has no driver, so it declares no colour, as raw queues and many driverless
// set-ups do. The machine's own printers and settings are never read or
// changed.

#include "testsupport.h"

#include "report/pdf_text.h"

#include "app/window_set.h"
#include "model/clock.h"
#include "model/entry_text.h"
#include "model/report_lines.h"
#include "ui/entry_list.h"
#include "ui/ledger_window.h"
#include "ui/print_command.h"
#include "ui/widgets.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QTest>

#include <algorithm>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kQueue = QStringLiteral("captura");

// A port of the loopback interface that nothing listens on now.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool accepts(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(quint16(port));
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

bool writeFile(const QString &path, const QString &text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

// The private scheduler. Stopping it, which the destructor does too, ends
// its process; should this test process die first, the scheduler is sent
// SIGTERM by the kernel.
class PrivateScheduler {
public:
    ~PrivateScheduler() { stop(); }

    // Starts the scheduler with the backend; "" once it answers, otherwise
    // why it could not start.
    QString start(const QString &backend) {
        const QString cupsd = QStandardPaths::findExecutable(
            QStringLiteral("cupsd"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"), QStringLiteral("/usr/local/sbin")});
        if (cupsd.isEmpty())
            return QStringLiteral("cupsd (Debian's cups) is not installed");
        const QString programs = QStringLiteral("/usr/lib/cups");
        if (!QFileInfo(programs + QStringLiteral("/daemon")).isDir())
            return QStringLiteral("the scheduler's helper programs are not in ") + programs;
        if (!m_dir.isValid() || backend.isEmpty())
            return QStringLiteral("no temporary folder or no backend script");
        m_port = freePort();
        if (m_port == 0)
            return QStringLiteral("no free port on the loopback interface");

        const QDir root(m_dir.path());
        for (const char *folder :
             {"conf/ppd", "bin/backend", "spool", "cache", "state", "tmp", "log", "jobs", "home", "client"})
            root.mkpath(QLatin1String(folder));
        QFile::link(programs + QStringLiteral("/daemon"), path("bin/daemon"));
        QFile::link(programs + QStringLiteral("/filter"), path("bin/filter"));
        QFile::link(programs + QStringLiteral("/notifier"), path("bin/notifier"));
        // Not executable by others: the scheduler runs such a backend with
        // its own rights, so it can write into this folder.
        const QString installed = path("bin/backend/") + kQueue;
        if (!QFile::copy(backend, installed) ||
            !QFile::setPermissions(installed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
            return QStringLiteral("cannot install the capture backend");

        const bool written =
            writeFile(
                path("conf/cups-files.conf"),
                QStringLiteral("ServerRoot %1/conf\nServerBin %1/bin\nDataDir /usr/share/cups\n"
                               "RequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
                               "TempDir %1/tmp\nAccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
                               "PageLog %1/log/page_log\nPrintcap %1/printcap\nFileDevice No\n")
                    .arg(m_dir.path())) &&
            writeFile(path("conf/cupsd.conf"),
                      QStringLiteral("LogLevel debug\nListen 127.0.0.1:%1\nBrowsing No\n"
                                     "BrowseLocalProtocols none\nDefaultAuthType None\nWebInterface No\n"
                                     "<Location />\n  Order allow,deny\n  Allow from 127.0.0.1\n</Location>\n"
                                     "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n"
                                     "</Policy>\n")
                          .arg(m_port)) &&
            writeFile(path("conf/printers.conf"),
                      QStringLiteral("<DefaultPrinter %1>\nInfo Captura de trabajos\nDeviceURI %1:%2\n"
                                     "State Idle\nAccepting Yes\nShared No\n</DefaultPrinter>\n")
                          .arg(kQueue, path("jobs")));
        if (!written)
            return QStringLiteral("cannot write the scheduler's configuration");

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : environment.keys()) {
            if (name.startsWith(QLatin1String("CUPS_")))
                environment.remove(name);
        }
        m_cupsd.setProcessEnvironment(environment);
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_cupsd.start(cupsd, {QStringLiteral("-f"), QStringLiteral("-c"), path("conf/cupsd.conf"),
                              QStringLiteral("-s"), path("conf/cups-files.conf")});
        if (!m_cupsd.waitForStarted(10000))
            return QStringLiteral("cupsd did not start: ") + m_cupsd.errorString();

        // Wait until it listens, or has given up.
        for (int attempt = 0; attempt < 300 && !accepts(m_port); ++attempt) {
            if (m_cupsd.waitForFinished(50))
                break;
        }
        if (m_cupsd.state() != QProcess::Running || !accepts(m_port))
            return QStringLiteral("cupsd did not come up: ") + QString::fromLocal8Bit(m_cupsd.readAll()) +
                   errorLogTail();

        // This process, and every client tool it runs, talks to this
        // scheduler only, with no client settings and no user defaults.
        qputenv("CUPS_SERVER", server().toLatin1());
        qputenv("CUPS_SERVERROOT", QFile::encodeName(path("client")));
        qputenv("HOME", QFile::encodeName(path("home")));
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");
        return QString();
    }

    void stop() {
        if (m_cupsd.state() == QProcess::NotRunning)
            return;
        m_cupsd.terminate();
        if (!m_cupsd.waitForFinished(10000)) {
            m_cupsd.kill();
            m_cupsd.waitForFinished(5000);
        }
    }

    QString server() const { return QStringLiteral("127.0.0.1:") + QString::number(m_port); }

    // The jobs captured so far, oldest first.
    QStringList jobs() const {
        QStringList found;
        const QFileInfoList files =
            QDir(path("jobs")).entryInfoList({QStringLiteral("job-*.pdf")}, QDir::Files);
        for (const QFileInfo &file : files)
            found.append(file.filePath());
        std::sort(found.begin(), found.end(), [](const QString &a, const QString &b) {
            return QFileInfo(a).baseName().mid(4).toInt() < QFileInfo(b).baseName().mid(4).toInt();
        });
        return found;
    }

    // Runs one of the print system's client tools against this scheduler.
    QString runTool(const QString &tool, const QStringList &arguments) const {
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty())
            return tool + QStringLiteral(" is not installed");
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0)
            return tool + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAll());
        return QString();
    }

    QString errorLogTail() const {
        QFile log(path("log/error_log"));
        if (!log.open(QIODevice::ReadOnly))
            return QString();
        return QString::fromLocal8Bit(log.readAll().right(2000));
    }

private:
    QString path(const char *relative) const { return m_dir.filePath(QLatin1String(relative)); }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/tesorila-cups-XXXXXX")};
    QProcess m_cupsd;
    int m_port = 0;
};

QString entry(const QString &date, bool income, const QString &units, const QString &cents,
              const QString &source) {
    return entrytext::displayText(date, income, units, cents, source);
}

QString asExtracted(const QString &text) {
    return QString(text).replace(QLatin1Char('\t'), QLatin1Char(' ')).simplified();
}

} // namespace

class TestReportCups : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void printsOnTheDefaultQueue();
    void refusedJobIsReported();

private:
    void fillLedger();
    Form1 *ledger = nullptr;
    PrivateScheduler m_scheduler;
};

void TestReportCups::initTestCase() {
    if (pdftext::tool().isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    const QString reason = m_scheduler.start(QFINDTESTDATA("report/captura"));
    if (!reason.isEmpty())
        QSKIP(qPrintable(QStringLiteral("private print scheduler unavailable: ") + reason));
    // The capture queue is the one default printer this process can see.
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    QVERIFY2(!printer.isNull(), qPrintable(m_scheduler.errorLogTail()));
    QCOMPARE(printer.printerName(), kQueue);
    QCOMPARE(QPrinterInfo::availablePrinterNames(), QStringList{kQueue});
    // Left to itself, the print support would print on it in grey.
    QCOMPARE(printer.defaultColorMode(), QPrinter::GrayScale);
}

void TestReportCups::init() {
    WindowSet::instance().destroyAll();
    ledger = WindowSet::instance().showForm1();
}

void TestReportCups::cleanup() {
    WindowSet::instance().destroyAll();
    m_scheduler.runTool(QStringLiteral("cupsaccept"), {kQueue});
}

void TestReportCups::cleanupTestCase() {
    m_scheduler.stop();
}

void TestReportCups::fillLedger() {
    ledger->setWindowTitle(Form1::accountCaption(QStringLiteral("ana")));
    entrylist::append(ledger->lst,
                      entry(QStringLiteral("1/12/26"), true, QStringLiteral("1500"), QStringLiteral("00"),
                            QStringLiteral("Nómina")),
                      150000);
    entrylist::append(
        ledger->lst,
        entry(QStringLiteral("2/12/26"), false, QStringLiteral("0"), QStringLiteral("45"), QString()), -45);
    ledger->txtt->setText(QStringLiteral("1499,55"));
}

void TestReportCups::printsOnTheDefaultQueue() {
    fillLedger();
    const QStringList before = {ledger->windowTitle(), ledger->txtt->text(), ledger->lst->item(0)->text(),
                                ledger->lst->item(1)->text()};

    QStringList previous;
    for (int print = 1; print <= 2; ++print) {
        const QList<testsupport::SeenMessage> seen =
            testsupport::answerMessages([this] { testsupport::click(ledger->Image5); });
        QCOMPARE(seen.size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_scheduler.jobs().size(), print, 30000);

        const QString job = m_scheduler.jobs().last();
        QFile file(job);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
        const QStringList printed = pdftext::lines(job);
        const QStringList expected = {
            asExtracted(Form1::accountCaption(QStringLiteral("ana"))),
            QStringLiteral("Informe impreso el ") + clocktext::today() + QStringLiteral(" a las"),
            QStringLiteral("Registros imprimidos: 2"),
            QStringLiteral("Dinero total: 1499,55"),
            asExtracted(ledger->lst->item(0)->text()),
            asExtracted(ledger->lst->item(1)->text()),
            QStringLiteral("Resumen por meses"),
            QStringLiteral("Mes Ingresos Gastos Saldo"),
            QStringLiteral("diciembre de 2026 1500,00€ 0,45€ 1499,55€"),
            QStringLiteral("Total de 2026 1500,00€ 0,45€ 1499,55€"),
            QStringLiteral("Tesorila, descarga gratuita en ") + report::downloadAddress(),
        };
        QCOMPARE(printed.size(), expected.size());
        for (int i = 0; i < int(expected.size()); ++i) {
            if (i == 1)
                QVERIFY2(printed.at(i).startsWith(expected.at(i)), qPrintable(printed.at(i)));
            else
                QCOMPARE(printed.at(i), expected.at(i));
        }
        // Two prints differ at most in the time of printing.
        if (!previous.isEmpty()) {
            QStringList a = previous, b = printed;
            a.removeAt(1);
            b.removeAt(1);
            QCOMPARE(b, a);
        }
        previous = printed;

        // The total is printed in its colour all the same.
        const QImage page = pdftext::firstPage(job, 144, job + QStringLiteral("-page"));
        QVERIFY2(!page.isNull(), "pdftoppm (poppler-utils) cannot draw the job");
        const QColor ink =
            pdftext::ink(page, pdftext::word(pdftext::boxes(job), QStringLiteral("1499,55")), 144);
        QVERIFY2(pdftext::near(ink, ui::totalGreen()), qPrintable(ink.name()));
    }
    const QStringList after = {ledger->windowTitle(), ledger->txtt->text(), ledger->lst->item(0)->text(),
                               ledger->lst->item(1)->text()};
    QCOMPARE(after, before);
    QCOMPARE(ledger->lst->count(), 2);
    QCOMPARE(entrylist::cents(ledger->lst, 1), -45);
}

void TestReportCups::refusedJobIsReported() {
    fillLedger();
    const QString refused = m_scheduler.runTool(QStringLiteral("cupsreject"), {kQueue});
    if (!refused.isEmpty())
        QSKIP(qPrintable(refused));
    const int jobsBefore = int(m_scheduler.jobs().size());

    const QList<testsupport::SeenMessage> seen =
        testsupport::answerMessages([this] { testsupport::click(ledger->Image5); });
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().title, report::messageTitle());
    QVERIFY(seen.first().okButton);
    QVERIFY2(
        seen.first().text.startsWith(QStringLiteral("No se ha podido imprimir el informe en la impresora «") +
                                     kQueue + QStringLiteral("»")),
        qPrintable(seen.first().text));
    QCOMPARE(int(m_scheduler.jobs().size()), jobsBefore);
    QCOMPARE(ledger->lst->count(), 2);
    QCOMPARE(ledger->txtt->text(), QStringLiteral("1499,55"));

    // Once the queue takes jobs again, the next click prints.
    QCOMPARE(m_scheduler.runTool(QStringLiteral("cupsaccept"), {kQueue}), QString());
    const QList<testsupport::SeenMessage> again =
        testsupport::answerMessages([this] { testsupport::click(ledger->Image5); });
    QCOMPARE(again.size(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(int(m_scheduler.jobs().size()), jobsBefore + 1, 30000);
}

TESORILA_TEST_MAIN(TestReportCups)
#include "tst_report_cups.moc"
