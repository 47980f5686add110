#include "core/SMSServerApp.h"

#include "core/FileUtil.h"
#include "core/GlobalImages.h"
#include "core/Globals.h"
#include "core/Helpers.h"
#include "core/MessageBoxDlg.h"
#include "core/Startup.h"
#include "platform/AppPath.h"
#include "platform/NetStartup.h"
#include "platform/SingleInstance.h"
#include "platform/TermSignals.h"
#include "platform/TextCodec.h"

#include "platform/AtomicFile.h"
#include "uikit/SysColors.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QFont>
#include <QPalette>
#include <QResource>
#include <QWidget>

#include <cstdio>

CSMSServerApp theApp;

namespace {
const char kInstanceName[] = "DRAVO-MMS-API";
}  // namespace

int CSMSServerApp::Run(int argc, char** argv) {
    m_args.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
    if (!m_args.empty()) {
        // The repair run needs no window system.
        QCoreApplication app(argc, argv);
        InitInstance();
        return 0;
    }
    UseChineseLocaleForQt();
    QApplication app(argc, argv);
    InitInstance();
    return 0;
}

bool UseChineseLocaleForQt() {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    // Only for Qt's first look at the environment: programs started later get the user's own.
    const bool had = qEnvironmentVariableIsSet("LC_ALL");
    const QByteArray old = qgetenv("LC_ALL");
    qputenv("LC_ALL", "zh_CN.UTF-8");
    const bool taken = QLocale::system().name() == chinese.name();
    if (had) qputenv("LC_ALL", old);
    else qunsetenv("LC_ALL");
    QLocale::setDefault(chinese);
    return taken;
}

bool InstallQtTranslation() {
    static QTranslator* translator = nullptr;
    if (translator) return true;
    auto* t = new QTranslator(QCoreApplication::instance());
    if (!t->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    translator = t;
    return true;
}

bool CSMSServerApp::InitInstance() {
    g_strAppPath = paths::ExecutableFolder();
    if (!m_args.empty()) return RepairRun();

    QResource::registerResource(codec::ToQ(paths::AppFile("art.rcc")));
    QFont::insertSubstitution(QString::fromUtf8("宋体"), QStringLiteral("Noto Serif CJK SC"));
    QFont::insertSubstitution(QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"));
    InstallQtTranslation();
    InstallMessageBoxes();

    if (!net::Startup()) {
        ShowMessage("初始化网络失败！", 0);
        return false;
    }
    startup::ReadProxySettings();
    startup::CheckSysInfoFile();
    g_pFileUtil = new CFileUtil(g_strAppPath);

    m_pInstance = new SingleInstance(QString::fromLatin1(kInstanceName));
    if (!m_pInstance->Acquire(true)) {
        // The running instance was asked to show its window; this one ends without one.
        g_strMainTitle = "星帆";
        delete m_pInstance;
        m_pInstance = nullptr;
        delete g_pFileUtil;
        g_pFileUtil = nullptr;
        net::Cleanup();
        return false;
    }
    m_pInstance->SetShowHandler([this] { OnShowRequest(); });
    // Left by atomic writes that a crash or a kill cut short.
    files::RemoveStaleTemps(g_strAppPath);

    startup::LoadSysInfo();

    QPalette pal = QApplication::palette();
    pal.setColor(QPalette::Window, QColor(235, 243, 246));
    pal.setColor(QPalette::WindowText, Qt::black);
    uikit::SetSelectionColours(pal);
    QApplication::setPalette(pal);

    CreateGlobalImages();
    termsignals::QuitEventLoopsOnSignal();

    const std::string noticeAddress = startup::NoticeAddress();
    if (!noticeAddress.empty() && m_fnFetchNotice) {
        const auto text = startup::NoticePopupText(m_fnFetchNotice(noticeAddress));
        if (text && m_fnShowNotice) m_fnShowNotice(*text);
    }

    if (m_fnRunMainWindow) m_fnRunMainWindow();

    Shutdown();
    return false;
}

void CSMSServerApp::OnShowRequest() {
    if (!m_fnShowMainWindow) return;
    const QString title = codec::ToQ(g_strMainTitle);
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        // The standard message box bears the same title; it is no main window.
        if (w->windowTitle() == title && !w->inherits("QMessageBox")) {
            m_fnShowMainWindow();
            return;
        }
    }
}

bool CSMSServerApp::RepairRun() {
    // Nothing is repaired under a running instance; the name is held while repairing.
    SingleInstance instance(QString::fromLatin1(kInstanceName));
    if (!instance.Acquire(false)) {
        std::fprintf(stderr, "XingFan is running; no file was repaired.\n");
        return false;
    }
    startup::RepairDataFiles();
    return false;
}

void CSMSServerApp::Shutdown() {
    g_bStopThreads = 1;
    FreeGlobalImages();
    delete g_pFileUtil;
    g_pFileUtil = nullptr;
    delete m_pInstance;
    m_pInstance = nullptr;
    net::Cleanup();
    SaveSerialNo();
}
