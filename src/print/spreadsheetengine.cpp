#include "print/spreadsheetengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <QProcessEnvironment>
#include <QRandomGenerator>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <ftw.h>
#include <mutex>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <thread>
#include <type_traits>
#include <unistd.h>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/bridge/UnoUrlResolver.hpp>
#include <com/sun/star/bridge/XUnoUrlResolver.hpp>
#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/table/XCellRange.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <rtl/ustring.hxx>

using namespace com::sun::star;
using com::sun::star::uno::Reference;
using com::sun::star::uno::UNO_QUERY;
using com::sun::star::uno::UNO_QUERY_THROW;

namespace {

#ifndef MTRFEE_LO_PROGRAM_DIR
#define MTRFEE_LO_PROGRAM_DIR "/usr/lib/libreoffice/program"
#endif

// soffice.bin asks to be started again after it has set up a new profile.
constexpr int kRestartRequested = 81;

rtl::OUString ou(const QString &s)
{
    const QByteArray u = s.toUtf8();
    return rtl::OUString(u.constData(), u.size(), RTL_TEXTENCODING_UTF8);
}

QString qs(const rtl::OUString &s)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(s.getStr()), s.getLength());
}

rtl::OUString fileUrl(const QString &path)
{
    return ou(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded));
}

uno::Sequence<beans::PropertyValue> props(std::initializer_list<beans::PropertyValue> list)
{
    return uno::Sequence<beans::PropertyValue>(list.begin(), sal_Int32(list.size()));
}

beans::PropertyValue prop(const char *name, const uno::Any &value)
{
    beans::PropertyValue p;
    p.Name = rtl::OUString::createFromAscii(name);
    p.Value = value;
    return p;
}

// --- The private folder -------------------------------------------------

// Whether path is a real directory (not a link) of this user that nobody
// else may enter.
bool isPrivateDir(const QString &path)
{
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

// Creates path 0700 unless it is there; true when it then is private.
bool makePrivateDir(const QString &path)
{
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0 && errno != EEXIST)
        return false;
    return isPrivateDir(path);
}

// The engine's folder: "mtrfee" in $XDG_RUNTIME_DIR when that is the user's
// own private folder, else in the user's cache folder. "" when neither is
// safe, with the folder that was refused in *refused.
QString privateFolder(QString *refused)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime) && isPrivateDir(runtime)) {
        const QString dir = QDir(runtime).filePath(QStringLiteral("mtrfee"));
        if (makePrivateDir(dir))
            return dir;
    }
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!QDir::isAbsolutePath(cache))
        cache = QDir::home().filePath(QStringLiteral(".cache"));
    QDir().mkpath(cache);
    const QString dir = QDir(cache).filePath(QStringLiteral("mtrfee"));
    if (makePrivateDir(dir))
        return dir;
    *refused = dir;
    return {};
}

// Removes the tree at path without following any link: a link is removed
// itself, never what it points to. Only entries of this user are touched.
void removeTree(const QString &path)
{
    struct stat st;
    const QByteArray p = QFile::encodeName(path);
    if (::lstat(p.constData(), &st) != 0 || st.st_uid != ::getuid())
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(p.constData());
        return;
    }
    ::nftw(p.constData(), [](const char *file, const struct stat *, int type, struct FTW *) {
        if (type == FTW_DP)
            ::rmdir(file);
        else
            ::unlink(file);
        return 0;
    }, 16, FTW_PHYS | FTW_DEPTH | FTW_MOUNT);
}

bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

// LibreOffice makes the socket of an accepting pipe in /tmp (its fixed place)
// under this name.
QString pipeSocketPath(const QString &pipeName)
{
    return QStringLiteral("/tmp/OSL_PIPE_%1_%2").arg(::getuid()).arg(pipeName);
}

// Removes the socket at path if it is this user's socket.
void removeOwnSocket(const QString &path)
{
    struct stat st;
    const QByteArray p = QFile::encodeName(path);
    if (::lstat(p.constData(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::getuid())
        ::unlink(p.constData());
}

constexpr const char kRunPrefix[] = "run-";
constexpr const char kPipePrefix[] = "mtrfee_";

// What runs of this program that were killed left behind: their run folders
// in the private folder and their pipe sockets in /tmp. Only names this
// program makes, of processes that are gone.
void removeStaleRuns(const QString &folder)
{
    const QString runPrefix = QLatin1String(kRunPrefix);
    const auto runs = QDir(folder).entryInfoList({runPrefix + QLatin1Char('*')},
                                                 QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &fi : runs) {
        bool ok = false;
        const qint64 pid = fi.fileName().mid(runPrefix.size()).toLongLong(&ok);
        if (ok && pid != QCoreApplication::applicationPid() && processGone(pid) && !fi.isSymLink())
            removeTree(fi.absoluteFilePath());
    }
    const QString socketPrefix = QStringLiteral("OSL_PIPE_%1_%2").arg(::getuid()).arg(QLatin1String(kPipePrefix));
    const auto sockets = QDir(QStringLiteral("/tmp")).entryList({socketPrefix + QLatin1Char('*')}, QDir::System | QDir::Hidden);
    for (const QString &name : sockets) {
        bool ok = false;
        const qint64 pid = name.mid(socketPrefix.size()).section(QLatin1Char('_'), 0, 0).toLongLong(&ok);
        if (ok && pid != QCoreApplication::applicationPid() && processGone(pid))
            removeOwnSocket(QStringLiteral("/tmp/") + name);
    }
}

// --- The time limit of calls ----------------------------------------------

// Ends the application (SIGKILL, which also ends a stopped one) when a call
// it was given does not come back in time; the blocked call then fails.
class Watchdog
{
public:
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void arm(pid_t pid, int ms)
    {
        std::lock_guard lock(m_mutex);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
        m_pid = pid;
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        m_armed = true;
        m_fired = false;
        m_wake.notify_all();
    }

    // Ends the watch; true when the limit was passed and the process ended.
    bool disarm()
    {
        std::lock_guard lock(m_mutex);
        m_armed = false;
        const bool fired = m_fired;
        m_fired = false;
        return fired;
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (!m_armed) {
                m_wake.wait(lock);
                continue;
            }
            if (m_wake.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed
                && std::chrono::steady_clock::now() >= m_deadline) {
                if (m_pid > 0)
                    ::kill(m_pid, SIGKILL);
                m_fired = true;
                m_armed = false;
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_quit = false;
    bool m_armed = false;
    bool m_fired = false;
    pid_t m_pid = 0;
    std::chrono::steady_clock::time_point m_deadline;
};

struct Engine
{
    QString programPath;
    int startTimeoutMs = 20000;
    int callTimeoutMs = 15000;

    QProcess *process = nullptr;
    QString folder;       // the private folder
    QString runDir;       // this run's folder in it
    QString pipeName;
    QString profileDir;
    QElapsedTimer sinceStart;
    Reference<uno::XComponentContext> local;
    Reference<frame::XDesktop2> desktop;
    bool hookInstalled = false;
    std::unique_ptr<QLockFile> profileLock;
    Watchdog watchdog;

    QString executable() const
    {
        return programPath.isEmpty() ? QStringLiteral(MTRFEE_LO_PROGRAM_DIR "/soffice.bin") : programPath;
    }

    bool running() const { return process && process->state() != QProcess::NotRunning; }

    void installHook()
    {
        if (hookInstalled || !QCoreApplication::instance())
            return;
        hookInstalled = true;
        qAddPostRoutine([] { SpreadsheetEngine::shutdown(); });
    }

    QString privateFolderOrThrow()
    {
        {
            QString refused;
            folder = privateFolder(&refused);
            if (folder.isEmpty())
                throw EngineUnavailable(
                    QStringLiteral("无法使用表格程序的工作文件夹“%1”：它须是本用户所有、只有本用户能进入的文件夹（权限700）。")
                        .arg(QDir::toNativeSeparators(refused)));
        }
        return folder;
    }

    // Sets up this run's folder, pipe name and profile.
    bool prepareRun()
    {
        QString base;
        try {
            base = privateFolderOrThrow();
        } catch (const AppError &e) {
            qWarning("spreadsheet engine: %s", qPrintable(e.message()));
            return false;
        }
        removeStaleRuns(base);
        runDir = QDir(base).filePath(QLatin1String(kRunPrefix) + QString::number(QCoreApplication::applicationPid()));
        if (!makePrivateDir(runDir) || !makePrivateDir(runDir + QStringLiteral("/tmp")))
            return false;
        // Unguessable, so that no one else can hold the pipe's name first.
        pipeName = QStringLiteral("%1%2_%3")
                       .arg(QLatin1String(kPipePrefix))
                       .arg(QCoreApplication::applicationPid())
                       .arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0'));
        // The user's profile is kept between runs (a new one costs the
        // application a second start); a program that finds it in use by
        // another takes a profile of its own for this run.
        profileLock = std::make_unique<QLockFile>(QDir(base).filePath(QStringLiteral("profile.lock")));
        profileLock->setStaleLockTime(0);
        if (profileLock->tryLock(0)) {
            profileDir = QDir(base).filePath(QStringLiteral("profile"));
        } else {
            profileLock.reset();
            profileDir = runDir + QStringLiteral("/profile");
        }
        return true;
    }

    // Starts the process; false when it could not even be started.
    bool launch()
    {
        if (!process) {
            process = new QProcess;
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setChildProcessModifier([] {
                // The application goes with the program even when the
                // program is killed, and what it writes is the user's only.
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                ::umask(077);
            });
            QObject::connect(process, &QProcess::finished, process, [this](int code, QProcess::ExitStatus) {
                if (code == kRestartRequested)
                    relaunch();
            });
        }
        if (pipeName.isEmpty() && !prepareRun())
            return false;
        // Its own locale (it cannot open files with non-ASCII names without
        // a UTF-8 one) and its own temporary folder, removed with the run.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("TMPDIR"), runDir + QStringLiteral("/tmp"));
        process->setProcessEnvironment(env);
        sinceStart.start();
        return relaunch();
    }

    bool relaunch()
    {
        if (running())
            return true;
        const QStringList args{
            QStringLiteral("--headless"), QStringLiteral("--invisible"), QStringLiteral("--nologo"),
            QStringLiteral("--norestore"), QStringLiteral("--nodefault"), QStringLiteral("--nolockcheck"),
            QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profileDir).toString(QUrl::FullyEncoded),
            QStringLiteral("--accept=pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipeName),
        };
        process->start(executable(), args);
        return process->waitForStarted(5000);
    }

    pid_t pid() const { return running() ? pid_t(process->processId()) : 0; }

    // Runs one call to the application under the time limit. A call that
    // passes it has had the application ended: the call fails, the
    // application is started afresh and EngineNotAnswering is thrown.
    template <typename F>
    auto timed(F &&f, int ms = -1) -> decltype(f())
    {
        const int limit = ms < 0 ? callTimeoutMs : ms;
        watchdog.arm(pid(), limit);
        struct Disarm
        {
            Engine *e;
            bool done = false;
            bool finish()
            {
                if (done)
                    return false;
                done = true;
                return e->watchdog.disarm();
            }
            ~Disarm() { finish(); }
        } guard{this};
        auto timedOut = [&] {
            if (!guard.finish())
                return;
            restartAfterTimeout();
            throw EngineNotAnswering(kEngineNotAnsweringMessage.arg((limit + 999) / 1000));
        };
        try {
            if constexpr (std::is_void_v<decltype(f())>) {
                f();
                timedOut();
            } else {
                auto result = f();
                timedOut();
                return result;
            }
        } catch (const EngineNotAnswering &) {
            throw;
        } catch (...) {
            timedOut();
            throw;
        }
    }

    void restartAfterTimeout()
    {
        stopProcess(0);
        qWarning("spreadsheet engine: no answer in time; ended and started afresh");
        launch();
    }

    // Connects to the running process, waiting until the start time is up.
    bool connect()
    {
        if (!local.is()) {
            ::setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" MTRFEE_LO_PROGRAM_DIR "/fundamentalrc", 1);
            try {
                local = cppu::defaultBootstrap_InitialComponentContext();
            } catch (const uno::Exception &e) {
                qWarning("spreadsheet engine: no local UNO context: %s", qPrintable(qs(e.Message)));
                return false;
            }
        }
        const rtl::OUString url = ou(QStringLiteral("uno:pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipeName));
        Reference<bridge::XUnoUrlResolver> resolver = bridge::UnoUrlResolver::create(local);
        for (;;) {
            try {
                // Part of the start: it may take what is left of the start
                // time, on a busy machine more than an ordinary call.
                const int left = int(qMax<qint64>(0, startTimeoutMs - sinceStart.elapsed()));
                timed([&] {
                    Reference<uno::XComponentContext> remote(resolver->resolve(url), UNO_QUERY_THROW);
                    desktop = frame::Desktop::create(remote);
                }, qMax(callTimeoutMs, left));
                return true;
            } catch (const EngineNotAnswering &) {
                return false;
            } catch (const connection::NoConnectException &) {
            } catch (const uno::Exception &) {
                // not ready yet: try again until the start time is up
            }
            if (!running()) {
                if (process->exitStatus() == QProcess::NormalExit && process->exitCode() == kRestartRequested) {
                    if (!relaunch())
                        return false;
                } else {
                    return false;
                }
            }
            if (sinceStart.elapsed() > startTimeoutMs)
                return false;
            // Waiting on the process (rather than sleeping) notices its end.
            process->waitForFinished(50);
        }
    }

    // Throws EngineNotAnswering when the application hangs.
    bool alive()
    {
        if (!desktop.is() || !running())
            return false;
        try {
            timed([&] { desktop->getComponents(); });
            return true;
        } catch (const EngineNotAnswering &) {
            throw;
        } catch (const uno::Exception &) {
            return false;
        }
    }

    // Ends the process: asked first when graceMs > 0, killed when it has not
    // gone by then.
    void stopProcess(int graceMs)
    {
        if (desktop.is() && graceMs > 0 && running()) {
            try {
                timed([&] { desktop->terminate(); }, graceMs);
            } catch (...) {
            }
        }
        desktop.clear();
        if (!process)
            return;
        if (running() && !process->waitForFinished(graceMs)) {
            process->kill();
            process->waitForFinished(3000);
        }
        if (!pipeName.isEmpty())
            removeOwnSocket(pipeSocketPath(pipeName));
    }

    // Makes sure a connected application is there; starts it, or starts it
    // once more when it has died. Throws EngineUnavailable.
    void ensure()
    {
        installHook();
        if (desktop.is() && alive())
            return;
        if (desktop.is()) {
            stopProcess(0);   // dead or not answering: start afresh
        }
        if (!running() && !launch())
            throw EngineUnavailable(prepareFailure());
        if (!connect()) {
            stopProcess(0);
            throw EngineUnavailable(kEngineMissingMessage);
        }
    }

    // Why a start failed before the application ran: an unsafe folder is
    // named, anything else is the missing application.
    QString prepareFailure()
    {
        try {
            privateFolderOrThrow();
        } catch (const AppError &e) {
            return e.message();
        }
        return kEngineMissingMessage;
    }

    void shutdown()
    {
        // A connected application is asked to end and given a moment; one
        // that was never used (still starting, perhaps) has nothing to keep
        // and is ended at once. The user does not wait for it beyond that.
        stopProcess(desktop.is() ? 800 : 0);
        delete process;
        process = nullptr;
        if (!runDir.isEmpty())
            removeTree(runDir);
        profileLock.reset();
        pipeName.clear();
        profileDir.clear();
        runDir.clear();
    }
};

Engine &engine()
{
    static Engine e;
    return e;
}

QString describe(const uno::Exception &e)
{
    return qs(e.Message);
}

} // namespace

struct SpreadsheetWorkbook::Impl
{
    QString path;
    Reference<lang::XComponent> doc;

    Reference<sheet::XSpreadsheet> firstSheet() const
    {
        Reference<sheet::XSpreadsheetDocument> sd(doc, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(sd->getSheets(), UNO_QUERY_THROW);
        if (sheets->getCount() < 1)
            throw AppError(QStringLiteral("工作簿没有工作表：%1").arg(path));
        return Reference<sheet::XSpreadsheet>(sheets->getByIndex(0), UNO_QUERY_THROW);
    }

    Reference<sheet::XSpreadsheet> sheetAt(int number) const
    {
        Reference<sheet::XSpreadsheetDocument> sd(doc, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(sd->getSheets(), UNO_QUERY_THROW);
        if (number < 1 || number > sheets->getCount())
            throw AppError(QStringLiteral("工作簿没有第%1张工作表：%2").arg(number).arg(path));
        return Reference<sheet::XSpreadsheet>(sheets->getByIndex(number - 1), UNO_QUERY_THROW);
    }

    Reference<table::XCell> cell(int row, int column) const
    {
        if (row < 1 || column < 1)
            throw AppError(QStringLiteral("单元格位置不对：%1行%2列").arg(row).arg(column));
        return firstSheet()->getCellByPosition(column - 1, row - 1);
    }
};

SpreadsheetWorkbook::SpreadsheetWorkbook(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

SpreadsheetWorkbook::~SpreadsheetWorkbook()
{
    close();
}

// One call to the application, under its time limit; its failures as
// AppError with what it was about.
template <typename F>
static auto guarded(const QString &what, F &&f, int timeoutMs = -1)
{
    try {
        return engine().timed(std::forward<F>(f), timeoutMs);
    } catch (const AppError &) {
        throw;
    } catch (const uno::Exception &e) {
        throw AppError(QStringLiteral("%1：%2").arg(what, describe(e)));
    }
}

// Files the application writes are the user's only: it runs with umask 077,
// and a file that was there before keeps no wider mode either.
static void restrictToOwner(const QString &path)
{
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// Whether the text is a plain decimal number, and its value.
static bool plainNumber(const QString &text, double *value)
{
    static const QRegularExpression number(QStringLiteral("^-?(\\d+\\.?\\d*|\\.\\d+)$"));
    bool ok = false;
    if (number.match(text).hasMatch())
        *value = text.toDouble(&ok);
    return ok;
}

// A plain decimal number goes in as a number, everything else as text.
static void writeCell(const Reference<table::XCell> &c, const QString &text)
{
    double v = 0;
    if (plainNumber(text, &v)) {
        c->setValue(v);
        return;
    }
    // setString never reads a formula out of the text.
    Reference<text::XText> t(c, UNO_QUERY_THROW);
    t->setString(ou(text));
}

void SpreadsheetWorkbook::setCellText(int row, int column, const QString &text)
{
    guarded(QStringLiteral("无法写入单元格"), [&] { writeCell(d->cell(row, column), text); });
}

void SpreadsheetWorkbook::setCellTexts(int sheet, const QList<CellWrite> &cells)
{
    for (const CellWrite &w : cells)
        if (w.row < 1 || w.column < 1)
            throw AppError(QStringLiteral("单元格位置不对：%1行%2列").arg(w.row).arg(w.column));
    guarded(QStringLiteral("无法写入单元格"), [&] {
        const Reference<sheet::XSpreadsheet> s = d->sheetAt(sheet);
        for (const CellWrite &w : cells)
            writeCell(s->getCellByPosition(w.column - 1, w.row - 1), w.text);
    });
}

void SpreadsheetWorkbook::setRows(int sheet, int firstRow, const QList<QStringList> &rows)
{
    if (firstRow < 1)
        throw AppError(QStringLiteral("单元格位置不对：%1行").arg(firstRow));
    if (rows.isEmpty())
        return;
    int width = 1;
    for (const QStringList &r : rows)
        width = std::max(width, int(r.size()));
    uno::Sequence<uno::Sequence<uno::Any>> data(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        uno::Sequence<uno::Any> line(width);
        for (int c = 0; c < width; ++c) {
            const QString text = c < rows[i].size() ? rows[i][c] : QString();
            double v = 0;
            line.getArray()[c] = plainNumber(text, &v) ? uno::Any(v) : uno::Any(ou(text));
        }
        data.getArray()[i] = line;
    }
    guarded(QStringLiteral("无法写入单元格"), [&] {
        Reference<table::XCellRange> range(d->sheetAt(sheet), UNO_QUERY_THROW);
        Reference<sheet::XCellRangeData> cells(
            range->getCellRangeByPosition(0, firstRow - 1, width - 1, firstRow - 1 + rows.size() - 1), UNO_QUERY_THROW);
        cells->setDataArray(data);
    });
}

QList<QStringList> SpreadsheetWorkbook::sheetTexts(int sheet) const
{
    const uno::Sequence<uno::Sequence<uno::Any>> data = guarded(QStringLiteral("无法读取工作表"), [&] {
        const Reference<sheet::XSpreadsheet> s = d->sheetAt(sheet);
        Reference<sheet::XSheetCellCursor> cursor = s->createCursor();
        Reference<sheet::XUsedAreaCursor> used(cursor, UNO_QUERY_THROW);
        used->gotoEndOfUsedArea(false);
        Reference<sheet::XCellRangeAddressable> end(cursor, UNO_QUERY_THROW);
        const table::CellRangeAddress a = end->getRangeAddress();
        Reference<sheet::XCellRangeData> cells(s->getCellRangeByPosition(0, 0, a.EndColumn, a.EndRow), UNO_QUERY_THROW);
        return cells->getDataArray();
    });
    QList<QStringList> out;
    out.reserve(data.getLength());
    for (const uno::Sequence<uno::Any> &line : data) {
        QStringList row;
        row.reserve(line.getLength());
        for (const uno::Any &v : line) {
            double number = 0;
            rtl::OUString text;
            if (v >>= number) {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%.15g", number);
                row.append(QString::fromLatin1(buf));
            } else if (v >>= text) {
                row.append(qs(text));
            } else {
                row.append(QString());
            }
        }
        out.append(row);
    }
    // A sheet with nothing in it still has the one cell A1.
    if (out.size() == 1 && out.first().size() == 1 && out.first().first().isEmpty())
        out.clear();
    return out;
}

int SpreadsheetWorkbook::sheetCount() const
{
    return guarded(QStringLiteral("无法读取工作表"), [&] {
        Reference<sheet::XSpreadsheetDocument> sd(d->doc, UNO_QUERY_THROW);
        Reference<container::XIndexAccess> sheets(sd->getSheets(), UNO_QUERY_THROW);
        return int(sheets->getCount());
    });
}

int SpreadsheetWorkbook::addSheetCopy(int sheet)
{
    return guarded(QStringLiteral("无法复制工作表"), [&] {
        Reference<sheet::XSpreadsheetDocument> sd(d->doc, UNO_QUERY_THROW);
        Reference<sheet::XSpreadsheets> sheets = sd->getSheets();
        Reference<container::XIndexAccess> index(sheets, UNO_QUERY_THROW);
        const sal_Int32 count = index->getCount();
        Reference<container::XNamed> source(d->sheetAt(sheet), UNO_QUERY_THROW);
        // A name no sheet has yet.
        rtl::OUString name;
        for (int n = count + 1;; ++n) {
            name = ou(QStringLiteral("S%1").arg(n));
            if (!sheets->hasByName(name))
                break;
        }
        sheets->copyByName(source->getName(), name, sal_Int16(count));
        return int(count) + 1;
    });
}

void SpreadsheetWorkbook::removeSheet(int sheet)
{
    guarded(QStringLiteral("无法删除工作表"), [&] {
        Reference<sheet::XSpreadsheetDocument> sd(d->doc, UNO_QUERY_THROW);
        Reference<container::XNamed> named(d->sheetAt(sheet), UNO_QUERY_THROW);
        sd->getSheets()->removeByName(named->getName());
    });
}

void SpreadsheetWorkbook::exportPdf(const QString &path, int timeoutMs)
{
    guarded(QStringLiteral("无法导出文件 %1").arg(path), [&] {
        Reference<frame::XStorable> st(d->doc, UNO_QUERY_THROW);
        uno::Sequence<beans::PropertyValue> args = props({prop("FilterName", uno::Any(ou(QStringLiteral("calc_pdf_Export")))),
                                                 prop("Overwrite", uno::Any(true))});
        st->storeToURL(fileUrl(path), args);
    }, timeoutMs);
    if (!QFileInfo::exists(path))
        throw AppError(QStringLiteral("无法导出文件 %1").arg(path));
    restrictToOwner(path);
}

QString SpreadsheetWorkbook::cellText(int row, int column) const
{
    return guarded(QStringLiteral("无法读取单元格"), [&] {
        Reference<text::XText> t(d->cell(row, column), UNO_QUERY_THROW);
        return qs(t->getString());
    });
}

bool SpreadsheetWorkbook::cellIsNumber(int row, int column) const
{
    return guarded(QStringLiteral("无法读取单元格"), [&] {
        return d->cell(row, column)->getType() == table::CellContentType_VALUE;
    });
}

static QString filterForPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xls"))
        return QStringLiteral("MS Excel 97");
    if (suffix == QLatin1String("xlsx"))
        return QStringLiteral("Calc MS Excel 2007 XML");
    if (suffix == QLatin1String("ods"))
        return QStringLiteral("calc8");
    if (suffix == QLatin1String("pdf"))
        return QStringLiteral("calc_pdf_Export");
    throw AppError(QStringLiteral("不支持的文件类型：%1").arg(path));
}

void SpreadsheetWorkbook::saveAs(const QString &path)
{
    const QString filter = filterForPath(path);
    guarded(QStringLiteral("无法保存文件 %1").arg(path), [&] {
        Reference<frame::XStorable> st(d->doc, UNO_QUERY_THROW);
        uno::Sequence<beans::PropertyValue> args = props({prop("FilterName", uno::Any(ou(filter))),
                                                 prop("Overwrite", uno::Any(true))});
        st->storeToURL(fileUrl(path), args);
    });
    if (!QFileInfo::exists(path))
        throw AppError(QStringLiteral("无法保存文件 %1").arg(path));
    restrictToOwner(path);
}

void SpreadsheetWorkbook::exportFirstSheetPdf(const QString &path)
{
    guarded(QStringLiteral("无法导出文件 %1").arg(path), [&] {
        // Only the first worksheet goes to paper: the others are dropped from
        // the open copy (the file on disk is not touched).
        Reference<sheet::XSpreadsheetDocument> sd(d->doc, UNO_QUERY_THROW);
        Reference<sheet::XSpreadsheets> sheets = sd->getSheets();
        Reference<container::XIndexAccess> index(sheets, UNO_QUERY_THROW);
        while (index->getCount() > 1) {
            Reference<container::XNamed> named(index->getByIndex(index->getCount() - 1), UNO_QUERY_THROW);
            sheets->removeByName(named->getName());
        }
        Reference<frame::XStorable> st(d->doc, UNO_QUERY_THROW);
        uno::Sequence<beans::PropertyValue> args = props({prop("FilterName", uno::Any(ou(QStringLiteral("calc_pdf_Export")))),
                                                 prop("Overwrite", uno::Any(true))});
        st->storeToURL(fileUrl(path), args);
    });
    if (!QFileInfo::exists(path))
        throw AppError(QStringLiteral("无法导出文件 %1").arg(path));
    restrictToOwner(path);
}

void SpreadsheetWorkbook::close()
{
    if (!d || !d->doc.is())
        return;
    Reference<lang::XComponent> doc = d->doc;
    d->doc.clear();
    // A failure (or an application that no longer answers, which is ended
    // and started afresh) leaves nothing to close.
    try {
        engine().timed([&] {
            Reference<util::XCloseable> c(doc, UNO_QUERY);
            if (c.is())
                c->close(true);
            else
                doc->dispose();
        });
    } catch (...) {
    }
}

void SpreadsheetEngine::startInBackground()
{
    Engine &e = engine();
    e.installHook();
    if (!e.running())
        e.launch();
}

void SpreadsheetEngine::shutdown()
{
    engine().shutdown();
}

static AppError notASpreadsheet(const QString &path)
{
    return AppError(QStringLiteral("“%1”不是有效的电子表格文件（文件为空、已损坏或不是表格格式）。")
                        .arg(QDir::toNativeSeparators(path)));
}

// The formats a workbook comes in. Anything else the application would also
// open (a text file read as comma-separated values, random bytes read as
// text) is not a workbook.
static bool isWorkbookFilter(const QString &filter)
{
    static const QStringList workbook{
        QStringLiteral("MS Excel 97"), QStringLiteral("MS Excel 95"), QStringLiteral("MS Excel 5.0/95"),
        QStringLiteral("MS Excel 4.0"), QStringLiteral("Calc MS Excel 2007 XML"), QStringLiteral("Calc Office Open XML"),
        QStringLiteral("calc8"), QStringLiteral("OpenDocument Spreadsheet Flat XML"), QStringLiteral("StarOffice XML (Calc)"),
        QStringLiteral("calc_MS_Excel_2003_XML"),
    };
    return workbook.contains(filter);
}

static QString loadedFilter(const Reference<lang::XComponent> &doc)
{
    Reference<frame::XModel> model(doc, UNO_QUERY);
    if (!model.is())
        return {};
    const uno::Sequence<beans::PropertyValue> loaded = model->getArgs();
    for (const beans::PropertyValue &p : loaded)
        if (p.Name == "FilterName") {
            rtl::OUString name;
            p.Value >>= name;
            return qs(name);
        }
    return {};
}

static Reference<lang::XComponent> loadHidden(const QString &path)
{
    Reference<frame::XComponentLoader> loader(engine().desktop, UNO_QUERY_THROW);
    uno::Sequence<beans::PropertyValue> args = props({prop("Hidden", uno::Any(true)), prop("ReadOnly", uno::Any(false))});
    Reference<lang::XComponent> doc = loader->loadComponentFromURL(fileUrl(path), rtl::OUString("_blank"), 0, args);
    if (!doc.is())
        throw AppError(QStringLiteral("无法打开文件：%1").arg(path));
    // A workbook with at least one worksheet, read as one.
    Reference<sheet::XSpreadsheetDocument> sd(doc, UNO_QUERY);
    bool workbook = sd.is() && isWorkbookFilter(loadedFilter(doc));
    if (workbook) {
        Reference<container::XIndexAccess> sheets(sd->getSheets(), UNO_QUERY);
        workbook = sheets.is() && sheets->getCount() >= 1;
    }
    if (!workbook) {
        Reference<util::XCloseable> c(doc, UNO_QUERY);
        if (c.is())
            c->close(true);
        throw notASpreadsheet(path);
    }
    return doc;
}

std::unique_ptr<SpreadsheetWorkbook> SpreadsheetEngine::open(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw AppError(QStringLiteral("找不到文件：%1").arg(QDir::toNativeSeparators(path)));
    // The application would open an empty file as a new, blank workbook.
    if (QFileInfo(path).size() == 0)
        throw notASpreadsheet(path);
    Engine &e = engine();
    e.ensure();
    Reference<lang::XComponent> doc;
    try {
        doc = e.timed([&] { return loadHidden(path); });
    } catch (const AppError &) {
        throw;
    } catch (const uno::RuntimeException &ex) {
        // The application may have died since the last call: start it once more.
        if (e.alive())
            throw AppError(QStringLiteral("无法打开文件 %1：%2").arg(path, describe(ex)));
        e.ensure();
        doc = guarded(QStringLiteral("无法打开文件 %1").arg(path), [&] { return loadHidden(path); });
    } catch (const uno::Exception &ex) {
        throw AppError(QStringLiteral("无法打开文件 %1：%2").arg(path, describe(ex)));
    }
    auto impl = std::make_unique<SpreadsheetWorkbook::Impl>();
    impl->path = path;
    impl->doc = doc;
    return std::unique_ptr<SpreadsheetWorkbook>(new SpreadsheetWorkbook(std::move(impl)));
}

std::unique_ptr<SpreadsheetWorkbook> SpreadsheetEngine::createBlank()
{
    Engine &e = engine();
    e.ensure();
    auto load = [&] {
        Reference<frame::XComponentLoader> loader(engine().desktop, UNO_QUERY_THROW);
        uno::Sequence<beans::PropertyValue> args = props({prop("Hidden", uno::Any(true))});
        Reference<lang::XComponent> doc =
            loader->loadComponentFromURL(rtl::OUString("private:factory/scalc"), rtl::OUString("_blank"), 0, args);
        if (!doc.is())
            throw AppError(QStringLiteral("无法新建工作簿"));
        return doc;
    };
    auto impl = std::make_unique<SpreadsheetWorkbook::Impl>();
    impl->path = QStringLiteral("(新工作簿)");
    impl->doc = guarded(QStringLiteral("无法新建工作簿"), load);
    return std::unique_ptr<SpreadsheetWorkbook>(new SpreadsheetWorkbook(std::move(impl)));
}

bool SpreadsheetEngine::isAvailable()
{
    try {
        engine().ensure();
        return true;
    } catch (const AppError &) {
        return false;
    }
}

void SpreadsheetEngine::setProgramPath(const QString &path)
{
    engine().programPath = path;
}

QString SpreadsheetEngine::programPath()
{
    return engine().executable();
}

void SpreadsheetEngine::setStartTimeoutMs(int ms)
{
    engine().startTimeoutMs = ms;
}

qint64 SpreadsheetEngine::processId()
{
    Engine &e = engine();
    return e.running() ? e.process->processId() : 0;
}

void SpreadsheetEngine::setCallTimeoutMs(int ms)
{
    engine().callTimeoutMs = ms;
}

int SpreadsheetEngine::callTimeoutMs()
{
    return engine().callTimeoutMs;
}

QString SpreadsheetEngine::workFolder()
{
    return engine().privateFolderOrThrow();
}

QString SpreadsheetEngine::runFolder()
{
    return engine().runDir;
}
