#include "shell/Application.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLibraryInfo>
#include <QLocale>
#include <QMdiArea>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

#include "core/common/DebugLog.h"
#include "core/common/StringIds.h"
#include "shell/FrameApp.h"
#include "shell/InstanceChannel.h"
#include "shell/JobRunner.h"
#include "shell/MainFrame.h"
#include "shell/UiUtils.h"
#include "platform/UserChannel.h"

namespace vistrel {

namespace {

struct LangEntry {
    const char* name; // language or language_TERRITORY
    int id;
};

// Windows language identifiers: sublanguage << 10 | primary language.
constexpr LangEntry kLanguages[] = {
    {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"de_CH", 0x0807}, {"de_AT", 0x0C07},
    {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"pt_PT", 0x0816}, {"es_MX", 0x080A},
    {"es_ES", 0x0C0A}, {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"ru_MD", 0x0819}, {"sr_RS", 0x241A},
    {"ar", 0x0401},    {"bg", 0x0402},    {"ca", 0x0403},    {"zh", 0x0804},    {"cs", 0x0405},
    {"da", 0x0406},    {"de", 0x0407},    {"el", 0x0408},    {"en", 0x0409},    {"es", 0x0C0A},
    {"fi", 0x040B},    {"fr", 0x040C},    {"he", 0x040D},    {"hu", 0x040E},    {"is", 0x040F},
    {"it", 0x0410},    {"ja", 0x0411},    {"ko", 0x0412},    {"nl", 0x0413},    {"nb", 0x0414},
    {"no", 0x0414},    {"pl", 0x0415},    {"pt", 0x0416},    {"ro", 0x0418},    {"ru", 0x0419},
    {"hr", 0x041A},    {"sk", 0x041B},    {"sq", 0x041C},    {"sv", 0x041D},    {"th", 0x041E},
    {"tr", 0x041F},    {"ur", 0x0420},    {"id", 0x0421},    {"uk", 0x0422},    {"be", 0x0423},
    {"sl", 0x0424},    {"et", 0x0425},    {"lv", 0x0426},    {"lt", 0x0427},    {"tg", 0x0428},
    {"fa", 0x0429},    {"vi", 0x042A},    {"hy", 0x042B},    {"az", 0x042C},    {"eu", 0x042D},
    {"mk", 0x042F},    {"ka", 0x0437},    {"hi", 0x0439},    {"kk", 0x043F},    {"ky", 0x0440},
    {"uz", 0x0443},    {"tt", 0x0444},    {"mn", 0x0450},    {"sr", 0x0C1A},
};

QString CommandLine(const QStringList& args) { return args.join(QLatin1Char(' ')); }

} // namespace

int LanguageIdFromLocale(const QString& localeName) {
    QString name = localeName;
    name.replace(QLatin1Char('-'), QLatin1Char('_'));
    const int dot = static_cast<int>(name.indexOf(QLatin1Char('.')));
    if (dot >= 0) name.truncate(dot);
    const QString language = name.section(QLatin1Char('_'), 0, 0).toLower();
    const QString territory = name.section(QLatin1Char('_'), 1, 1).toUpper();
    const QString full = language + QLatin1Char('_') + territory;
    for (const LangEntry& e : kLanguages)
        if (full == QLatin1String(e.name)) return e.id;
    for (const LangEntry& e : kLanguages)
        if (language == QLatin1String(e.name)) return e.id;
    return 0x0409; // "C", "POSIX" and unknown languages read as US English
}

int UserLanguageId() {
    bool ok = false;
    const int forced = qEnvironmentVariableIntValue("VISTREL_LANG_ID", &ok);
    if (ok) return forced;
    return LanguageIdFromLocale(QLocale::system().name());
}

namespace {
QString InstanceBaseName() {
    QString name = QStringLiteral("Vis Trel");
    const QString tag = qEnvironmentVariable("VISTREL_INSTANCE_TAG");
    if (!tag.isEmpty()) name += QLatin1Char(' ') + tag;
    return name;
}
} // namespace

QString InstanceServerName() { return FindInstanceLocation(InstanceBaseName()).serverName; }

InstanceState ProbeInstance(const QString& serverName, int timeoutMs) {
    QLocalSocket probe;
    probe.connectToServer(serverName);
    if (probe.waitForConnected(timeoutMs))
        // Only a listener of this user is an instance; another user's is left alone.
        return platform::PeerIsCurrentUser(probe.socketDescriptor()) ? InstanceState::Running : InstanceState::Unknown;
    switch (probe.error()) {
    case QLocalSocket::ConnectionRefusedError:
    case QLocalSocket::ServerNotFoundError:
        return InstanceState::None; // nobody listens: a socket left there is stale
    default:
        return InstanceState::Unknown; // busy, timed out, no access: assume it is alive
    }
}

QString DesktopWorkingFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/vistrel");
}

QStringList LanguageModuleFolders() {
    const QString exe = QCoreApplication::applicationDirPath();
    return {exe + QStringLiteral("/LangDLLs"), QDir::cleanPath(exe + QStringLiteral("/../share/vistrel/LangDLLs"))};
}

CApplication::CApplication() = default;

CApplication::~CApplication() {
    if (m_started) Shutdown();
}

void CApplication::LoadLanguage(const StartOptions& options) {
    const int langId = options.languageId >= 0 ? options.languageId : UserLanguageId();
    const bool russian = IsRussianLanguage(langId);
    if (g_log) {
        g_log->WriteValue("(int)lang", langId);
        g_log->WriteLine(russian ? "russian" : "nonrussian");
    }
    const QStringList dirs = options.languageDir.isEmpty() ? LanguageModuleFolders() : QStringList{options.languageDir};
    const QString name = russian ? QStringLiteral("/LangRsRu.qm") : QStringLiteral("/LangRsEn.qm");
    QString module = dirs.constFirst() + name;
    for (const QString& dir : dirs)
        if (QFileInfo(dir + name).isFile()) {
            module = dir + name;
            break;
        }
    m_translator = std::make_unique<QTranslator>();
    m_moduleLoaded = QFileInfo(module).isFile() && m_translator->load(module);
    if (g_log) g_log->WriteLine(m_moduleLoaded ? "DLL load OK" : "DLL load ERROR");
    const bool menuFound = m_moduleLoaded && !m_translator->translate(nullptr, "menu.file").isEmpty();
    if (g_log) g_log->WriteLine(menuFound ? "Menu load OK" : "Menu load ERROR");
    if (!m_moduleLoaded) {
        // The program's own Russian texts stand in for the module.
        m_translator = std::make_unique<QTranslator>();
        (void)m_translator->load(QStringLiteral(":/lang/LangRsRu.qm")); // embedded, always present
    } else if (!menuFound) {
        // A module without the menu: keep its texts and add the program's own behind them.
        auto builtin = new QTranslator(qApp);
        if (builtin->load(QStringLiteral(":/lang/LangRsRu.qm"))) QCoreApplication::installTranslator(builtin);
    }
    QCoreApplication::installTranslator(m_translator.get());
    // Qt's own texts (standard buttons, file dialogs) follow a Russian interface.
    if (russian) {
        m_qtTranslator = std::make_unique<QTranslator>();
        if (m_qtTranslator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(m_qtTranslator.get());
        else
            m_qtTranslator.reset();
    }
}

void CApplication::OpenHandedOver(const QStringList& paths) {
    if (!m_started || !g_app || !g_app->m_frame) return;
    if (QApplication::activeModalWidget() || CJobRunner::Running()) {
        QTimer::singleShot(300, m_instanceServer.get(), [this, paths] { OpenHandedOver(paths); });
        return;
    }
    CMainFrame* frame = g_app->m_frame;
    if (frame->isMinimized()) frame->showNormal();
    frame->show();
    frame->raise();
    frame->activateWindow();
    if (g_log) g_log->WriteLineW(CommandLine(paths).toStdU16String());
    // Every path is opened; one that cannot be is refused on its own, with the reason.
    for (const QString& path : paths) {
        if (const int problem = HandedOverPathProblem(path))
            ShowErrorText(GetUiString(IDS_NOT_OPENED) + QLatin1Char('\n') + path + QLatin1Char('\n') + GetUiString(problem));
        else
            frame->OpenPath(path);
    }
}

bool CApplication::Start(const StartOptions& options) {
    // 1. Another instance: leave at once, touching nothing.
    // A second start hands its recordings (absolute, resolved here) to the running one.
    // Without a safe place for the channel the program runs without one and logs why.
    const InstanceLocation location = FindInstanceLocation(InstanceBaseName());
    const QString serverName = location.serverName;
    QString channelProblem = location.problem;
    const QStringList handOver = AbsoluteRecordingPaths(options.arguments);
    if (!serverName.isEmpty()) {
        if (HandOverToInstance(serverName, handOver, 500)) return false;
        m_instanceServer = std::make_unique<QLocalServer>();
        m_instanceServer->setSocketOptions(QLocalServer::UserAccessOption);
        if (!m_instanceServer->listen(serverName)) {
            // Only a socket nobody answers on (left behind by a crashed run) is removed; a live
            // instance's socket is never taken away.
            const InstanceState state = ProbeInstance(serverName, 2000);
            if (state == InstanceState::Running) {
                m_instanceServer.reset();
                HandOverToInstance(serverName, handOver, 2000);
                return false;
            }
            if (state == InstanceState::None) {
                QLocalServer::removeServer(serverName);
                m_instanceServer->listen(serverName);
            }
        }
        if (!m_instanceServer->isListening())
            channelProblem = serverName + QStringLiteral(": ") + m_instanceServer->errorString();
    }
    if (!m_instanceServer) m_instanceServer = std::make_unique<QLocalServer>(); // owns the retry timers
    auto* listener = new CInstanceListener(m_instanceServer.get());
    QObject::connect(listener, &CInstanceListener::openRequested, m_instanceServer.get(),
                     [this](const QStringList& paths) { OpenHandedOver(paths); });

    // A desktop start keeps its files in the user's data folder, not wherever it was started.
    m_desktop = options.desktop;
    if (m_desktop) {
        const QString work = DesktopWorkingFolder();
        if (QDir().mkpath(work)) QDir::setCurrent(work);
        SetDefaultDialogFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    }

    // 4. The log; 5. the application object with the main window geometry.
    g_log = new CDebugLog("Debug.txt");
    const QString commandLine = CommandLine(options.arguments);
    // Files handed over by the desktop keep the saved windows; typed arguments switch them off.
    g_app = new CFrameApp(m_desktop ? 0 : static_cast<int>(commandLine.toLocal8Bit().size()));

    // 7.-9. Language module and menu texts.
    LoadLanguage(options);

    // 10.-11. The main frame; its creation reopens the saved windows.
    auto* frame = new CMainFrame();
    g_app->m_frame = frame;
    frame->Create(options.showFrame);
    frame->setWindowTitle(GetUiString(202));

    // 12. Without the module the user is told once.
    if (!m_moduleLoaded) ShowErrorBox(QStringLiteral("Error"), QStringLiteral("Language Resource DLL not found in current dir"));

    // 13. The command line: every argument names a recording, opened as File > Open opens it
    // (checks, error boxes, history entry).
    const std::u16string line = commandLine.toStdU16String();
    if (g_log) g_log->WriteLineW(line);
    if (g_log && !channelProblem.isEmpty())
        g_log->WriteLineW((QStringLiteral("no instance channel: ") + channelProblem).toStdU16String());
    m_started = true;
    for (const QString& path : handOver) frame->OpenPath(path);
    return true;
}

int CApplication::Run() { return QApplication::exec(); }

void CApplication::Shutdown() {
    if (!m_started) return;
    m_started = false;
    CJobRunner::WaitForRunning(); // a job's worker still talks to the windows
    if (g_app) {
        g_app->Shutdown();
        CMainFrame* frame = g_app->m_frame;
        delete g_app;
        g_app = nullptr;
        delete frame;
    }
    if (m_translator) {
        QCoreApplication::removeTranslator(m_translator.get());
        m_translator.reset();
    }
    if (m_qtTranslator) {
        QCoreApplication::removeTranslator(m_qtTranslator.get());
        m_qtTranslator.reset();
    }
    if (m_desktop) SetDefaultDialogFolder(QString());
    delete g_log;
    g_log = nullptr;
    m_instanceServer.reset();
}

} // namespace vistrel
