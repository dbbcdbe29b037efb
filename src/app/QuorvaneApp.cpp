#include "app/QuorvaneApp.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>
#include <algorithm>

#include "app/SplashWindow.h"
#include "docview/DocManager.h"
#include "docview/DocTemplate.h"
#include "docview/Document.h"
#include "prefs/SettingKeys.h"
#include "ui/browser/BrowserCommands.h"
#include "browser/DdeErrors.h"
#include "ui/browser/DDEObject.h"
#include "ui/browser/Launcher.h"
#include "ui/cards/CardCommands.h"
#include "ui/cards/LockCommands.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/common/DocumentTypes.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/Platform.h"
#include "ui/exchange/ExchangeCommands.h"
#include "ui/fileenc/FileEncryptionCommands.h"
#include "ui/frame/MainFrame.h"
#include "ui/otp/OtpCommands.h"
#include "ui/prefs/PrefsCommands.h"
#include "ui/prefs/QSettingsStore.h"
#include "ui/print/PrintCommands.h"
#include "ui/secrets/SecretsCommands.h"

CQuorvaneApp::CQuorvaneApp(std::unique_ptr<SettingsStore> settings) : m_settings(std::move(settings)) {}

CQuorvaneApp::~CQuorvaneApp() {
    if (m_splash) {
        delete m_splash;
    }
    // Documents go before the frame that shows them.
    if (m_docManager) {
        for (Document* document : m_docManager->documents()) {
            document->OnCloseDocument();
        }
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_mainFrame.reset();
    m_docManager.reset();
    if (m_ddeInstance != 0) {
        if (CDDEObject::instance() == m_ddeInstance) {
            CDDEObject::setInstance(0);
        }
        dde::DdeUninitialize(m_ddeInstance);
    }
}

void CQuorvaneApp::registerTemplates() {
    // Card documents and their windows are made by the main window, which connects to them.
    auto makeDocument = [this]() -> Document* { return m_mainFrame->createCardDocument(); };
    auto makeCardFrame = [this](Document* document, DocTemplate* docTemplate) {
        return m_mainFrame->createCardWindow(document, docTemplate);
    };
    m_docManager->AddDocTemplate(std::make_unique<DocTemplate>(
        kEncryptedDocTemplate, QString::fromUtf8(kEncryptedDocString), makeDocument, makeCardFrame));
    // A file a feature opens itself is no card document: the main window asks the features that
    // registered what they open ("~~~" files: a file-encryption window on the file's folder with the
    // file selected, which belongs to the active card document or a new one). Every other file is a
    // card document.
    auto fileEncryption = std::make_unique<DocTemplate>(
        kFileEncryptionTemplate, QString::fromUtf8(kFileEncryptionDocString), makeDocument, makeCardFrame);
    fileEncryption->setPathMatcher(
        [this](const QString& path) { return m_mainFrame && m_mainFrame->hasFileOpener(path); });
    fileEncryption->setOpenHandler([this](const QString& path) { return m_mainFrame->openRegisteredFile(path); });
    m_docManager->AddDocTemplate(std::move(fileEncryption));
    m_docManager->AddDocTemplate(std::make_unique<DocTemplate>(
        kPlainDocTemplate, QString::fromUtf8(kPlainDocString), makeDocument, makeCardFrame));
}

bool CQuorvaneApp::InitInstance(const QStringList& arguments, Options options) {
    m_splashAllowed = options.splash;
    // The browser is reached over the session bus; without one the program cannot work.
    if (dde::DdeInitialize(&m_ddeInstance, &CDDEObject::DdeCallback) != dde::DMLERR_NO_ERROR) {
        guiPrompter().message(QStringLiteral("DDE initialization failed.  Unable to continue."));
        m_ddeInstance = 0;
        return false;
    }
    CDDEObject::setInstance(m_ddeInstance);
    if (!m_settings) {
        m_settings = std::make_unique<QSettingsStore>();
    }
    m_docManager = std::make_unique<DocManager>(m_settings.get());
    m_docManager->LoadStdProfileSettings();
    registerTemplates();

    m_mainFrame = std::make_unique<CMainFrame>(*m_settings);
    m_mainFrame->setDocManager(m_docManager.get());
    installCardCommands(*m_mainFrame);
    installOtpCommands(*m_mainFrame);
    installPrintCommands(*m_mainFrame);
    installPrefsCommands(*m_mainFrame);
    installBrowserCommands(*m_mainFrame);
    installFileEncryptionCommands(*m_mainFrame);
    installExchangeCommands(*m_mainFrame);
    installLockCommands(*m_mainFrame);
    installSecretsCommands(*m_mainFrame);
    ShowSplashScreen();

    // A document named on the command line opens; otherwise no empty document is made. Options
    // ("-..." arguments) are the toolkit's and are skipped. A file that cannot be opened at all ends
    // the program after its message; one that opens but does not load (a wrong password) does not.
    bool onlyFiles = false;
    for (const QString& argument : arguments) {
        if (!onlyFiles && argument == QLatin1String("--")) {
            onlyFiles = true;  // what follows is a file name even when it begins with '-'
            continue;
        }
        if (onlyFiles || !argument.startsWith('-')) {
            const QFileInfo file(argument);
            if (!m_docManager->OpenDocumentFile(argument) && !(file.isFile() && file.isReadable())) {
                return false;
            }
            break;
        }
    }
    m_mainFrame->show();
    m_mainFrame->LoadProgramSettings();
    if (readSetting(*m_settings, settings::kHasStartedBefore) != 1) {
        launcher::LookUpBrowsers(*m_mainFrame);
        writeSetting(*m_settings, settings::kHasStartedBefore, 1);
    }
    launcher::LaunchStartUpPrograms(*m_mainFrame);
    if (readSetting(*m_settings, settings::kCheckOpenFiles) == 1) {
        reopenRecentFiles();
    }
    ShowSplashScreen();

    const QString cpu = QSysInfo::currentCpuArchitecture();
    setProcessorFlag(cpu == QLatin1String("i386") || cpu == QLatin1String("x86_64") ? 0 : 1);
    m_mainFrame->updateCommandStates();
    return true;
}

void CQuorvaneApp::reopenRecentFiles() {
    // Oldest first: each file opened goes to the top of the list, so the newest ends there again
    // and the list keeps its order from one start to the next. A file that is open already (the
    // one named on the command line) goes to the top as well, so it stays first.
    QStringList entries = m_docManager->recentFiles().entries();
    std::reverse(entries.begin(), entries.end());
    for (const QString& path : entries) {
        const int index = static_cast<int>(m_docManager->recentFiles().entries().indexOf(path));
        if (index < 0) {
            continue;
        }
        if (Document* document = m_docManager->OpenRecentFile(index); document && !document->GetPathName().isEmpty()) {
            m_docManager->addToRecentFileList(document->GetPathName());
        }
    }
}

void CQuorvaneApp::ShowSplashScreen() {
    // Not over a question or a notice about to come up: showing the picture hands the waiting notice
    // the event loop, and the splash, which goes as a modal box comes, would be gone while still
    // being shown.
    if (!m_splashAllowed || m_splash || !m_mainFrame || noticesWaiting() || QApplication::activeModalWidget()) {
        return;
    }
    m_splash = new SplashWindow(m_mainFrame.get());
    m_splash->show();
}
