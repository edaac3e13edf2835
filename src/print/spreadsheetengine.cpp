#include "print/spreadsheetengine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QUrl>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
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
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/IllegalArgumentException.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheets.hpp>
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

QString userName()
{
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = QString::number(::getuid());
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_]")), QStringLiteral("_"));
    return name;
}

struct Engine
{
    QString programPath;
    int startTimeoutMs = 20000;

    QProcess *process = nullptr;
    QString pipeName;
    QString profileDir;
    QElapsedTimer sinceStart;
    Reference<uno::XComponentContext> local;
    Reference<frame::XDesktop2> desktop;
    bool hookInstalled = false;
    std::unique_ptr<QLockFile> profileLock;
    bool ownProfile = false;

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

    // Starts the process; false when it could not even be started.
    bool launch()
    {
        if (!process) {
            process = new QProcess;
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setChildProcessModifier([] {
                // The application goes with the program even when the
                // program is killed.
                ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            });
            QObject::connect(process, &QProcess::finished, process, [this](int code, QProcess::ExitStatus) {
                if (code == kRestartRequested)
                    relaunch();
            });
        }
        if (pipeName.isEmpty()) {
            pipeName = QStringLiteral("mtrfee_%1_%2").arg(userName()).arg(QCoreApplication::applicationPid());
            // The user's profile is kept between runs (a new one costs the
            // application a second start); a program that finds it in use
            // by another takes a profile of its own for this run.
            const QString shared = QDir::temp().filePath(QStringLiteral("mtrfee_%1_office").arg(userName()));
            QDir().mkpath(shared);
            profileLock = std::make_unique<QLockFile>(shared + QStringLiteral("/profile.lock"));
            profileLock->setStaleLockTime(0);
            removeStaleProfiles();
            if (profileLock->tryLock(0)) {
                profileDir = shared + QStringLiteral("/profile");
                ownProfile = false;
            } else {
                profileLock.reset();
                profileDir = QDir::temp().filePath(pipeName + QStringLiteral("_profile"));
                ownProfile = true;
            }
        }
        sinceStart.start();
        return relaunch();
    }

    // Profiles of this run's kind left behind by programs that were killed.
    static void removeStaleProfiles()
    {
        const QString prefix = QStringLiteral("mtrfee_%1_").arg(userName());
        const QStringList dirs = QDir::temp().entryList({prefix + QStringLiteral("*_profile")}, QDir::Dirs);
        for (const QString &name : dirs) {
            bool ok = false;
            const qint64 pid = name.mid(prefix.size()).chopped(int(sizeof("_profile") - 1)).toLongLong(&ok);
            if (ok && pid > 0 && pid != QCoreApplication::applicationPid() && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
                QDir(QDir::temp().filePath(name)).removeRecursively();
        }
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
                Reference<uno::XComponentContext> remote(resolver->resolve(url), UNO_QUERY_THROW);
                desktop = frame::Desktop::create(remote);
                return true;
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

    bool alive()
    {
        if (!desktop.is() || !running())
            return false;
        try {
            desktop->getComponents();
            return true;
        } catch (const uno::Exception &) {
            return false;
        }
    }

    void stopProcess()
    {
        desktop.clear();
        if (!process)
            return;
        if (running()) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }

    // Makes sure a connected application is there; starts it, or starts it
    // once more when it has died. Throws EngineUnavailable.
    void ensure()
    {
        installHook();
        if (desktop.is() && alive())
            return;
        if (desktop.is()) {
            stopProcess();   // dead or not answering: start afresh
        }
        if (!running() && !launch())
            throw EngineUnavailable(kEngineMissingMessage);
        if (!connect()) {
            stopProcess();
            throw EngineUnavailable(kEngineMissingMessage);
        }
    }

    void shutdown()
    {
        if (desktop.is()) {
            try {
                desktop->terminate();
            } catch (const uno::Exception &) {
            }
        }
        desktop.clear();
        if (process) {
            if (running() && !process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(3000);
            }
            delete process;
            process = nullptr;
        }
        if (ownProfile && !profileDir.isEmpty())
            QDir(profileDir).removeRecursively();
        profileLock.reset();
        pipeName.clear();
        profileDir.clear();
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

template <typename F>
static auto guarded(const QString &what, F &&f)
{
    try {
        return f();
    } catch (const AppError &) {
        throw;
    } catch (const uno::Exception &e) {
        throw AppError(QStringLiteral("%1：%2").arg(what, describe(e)));
    }
}

void SpreadsheetWorkbook::setCellText(int row, int column, const QString &text)
{
    static const QRegularExpression plainNumber(QStringLiteral("^-?(\\d+\\.?\\d*|\\.\\d+)$"));
    guarded(QStringLiteral("无法写入单元格"), [&] {
        Reference<table::XCell> c = d->cell(row, column);
        if (plainNumber.match(text).hasMatch()) {
            bool ok = false;
            const double v = text.toDouble(&ok);
            if (ok) {
                c->setValue(v);
                return;
            }
        }
        // setString never reads a formula out of the text.
        Reference<text::XText> t(c, UNO_QUERY_THROW);
        t->setString(ou(text));
    });
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
}

void SpreadsheetWorkbook::close()
{
    if (!d || !d->doc.is())
        return;
    try {
        Reference<util::XCloseable> c(d->doc, UNO_QUERY);
        if (c.is())
            c->close(true);
        else
            d->doc->dispose();
    } catch (const uno::Exception &) {
    }
    d->doc.clear();
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

static Reference<lang::XComponent> loadHidden(const QString &path)
{
    Reference<frame::XComponentLoader> loader(engine().desktop, UNO_QUERY_THROW);
    uno::Sequence<beans::PropertyValue> args = props({prop("Hidden", uno::Any(true)), prop("ReadOnly", uno::Any(false))});
    Reference<lang::XComponent> doc = loader->loadComponentFromURL(fileUrl(path), rtl::OUString("_blank"), 0, args);
    if (!doc.is())
        throw AppError(QStringLiteral("无法打开文件：%1").arg(path));
    Reference<sheet::XSpreadsheetDocument> sd(doc, UNO_QUERY);
    if (!sd.is()) {
        Reference<util::XCloseable> c(doc, UNO_QUERY);
        if (c.is())
            c->close(true);
        throw AppError(QStringLiteral("不是电子表格文件：%1").arg(path));
    }
    return doc;
}

std::unique_ptr<SpreadsheetWorkbook> SpreadsheetEngine::open(const QString &path)
{
    if (!QFileInfo(path).isFile())
        throw AppError(QStringLiteral("找不到文件：%1").arg(QDir::toNativeSeparators(path)));
    Engine &e = engine();
    e.ensure();
    Reference<lang::XComponent> doc;
    try {
        doc = loadHidden(path);
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
