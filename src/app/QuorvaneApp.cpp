#include "app/QuorvaneApp.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSysInfo>

#include "app/ChildFrame.h"
#include "app/SplashWindow.h"
#include "app/docview/DocManager.h"
#include "app/docview/DocTemplate.h"
#include "prefs/SettingKeys.h"
#include "prefs/qt/QSettingsStore.h"
#include "ui/CommandIds.h"
#include "ui/CommandTable.h"
#include "ui/DocumentTypes.h"
#include "ui/GuiPrompter.h"
#include "ui/MainFrame.h"
#include "ui/QuorvaneDoc.h"

namespace {
CQuorvaneApp* g_app = nullptr;
int g_processorFlag = 0;
}  // namespace

CQuorvaneApp::CQuorvaneApp(std::unique_ptr<SettingsStore> settings) : m_settings(std::move(settings)) {
    g_app = this;
}

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
    if (g_app == this) {
        g_app = nullptr;
    }
}

CQuorvaneApp* CQuorvaneApp::instance() { return g_app; }

int CQuorvaneApp::processorFlag() { return g_processorFlag; }

void CQuorvaneApp::registerTemplates() {
    auto makeDocument = [] { return new CQuorvaneDoc; };
    auto makeCardFrame = [](Document* document, DocTemplate* docTemplate) -> MdiChildFrame* {
        auto* frame = new CChildFrame(document);
        frame->setMenuId(docTemplate->resourceId() == kEncryptedDocTemplate ? CMainFrame::kMenuEncrypted
                                                                            : CMainFrame::kMenuPlain);
        return frame;
    };
    m_docManager->AddDocTemplate(std::make_unique<DocTemplate>(
        kEncryptedDocTemplate, QString::fromUtf8(kEncryptedDocString), makeDocument, makeCardFrame));
    // The file-encryption window takes this template's frames over once it exists; until then a
    // "~~~" file opens as an empty card window and is never read.
    auto fileEncryption = std::make_unique<DocTemplate>(
        kFileEncryptionTemplate, QString::fromUtf8(kFileEncryptionDocString), makeDocument, makeCardFrame);
    // Encrypted files only end in "~~~" (README becomes REA~~~), so the dot is not required.
    fileEncryption->setPathMatcher([](const QString& path) { return path.endsWith(QStringLiteral("~~~")); });
    m_docManager->AddDocTemplate(std::move(fileEncryption));
    m_docManager->AddDocTemplate(std::make_unique<DocTemplate>(
        kPlainDocTemplate, QString::fromUtf8(kPlainDocString), makeDocument, makeCardFrame));
}

bool CQuorvaneApp::InitInstance(const QStringList& arguments, Options options) {
    m_splashAllowed = options.splash;
    if (!m_settings) {
        m_settings = std::make_unique<QSettingsStore>();
    }
    m_docManager = std::make_unique<DocManager>(m_settings.get());
    m_docManager->LoadStdProfileSettings();
    registerTemplates();

    m_mainFrame = std::make_unique<CMainFrame>(*m_settings);
    m_mainFrame->setDocManager(m_docManager.get());
    CommandTable& commands = m_mainFrame->commands();
    commands.setHandler(cmd::FileNew, [this] { m_docManager->OnFileNew(); });
    commands.setHandler(cmd::FileOpen, [this] { m_docManager->OnFileOpen(); });
    commands.setHandler(cmd::AppAbout, [] { guiPrompter().aboutBox(); });
    ShowSplashScreen();

    // A document named on the command line opens; otherwise no empty document is made. Options
    // ("-..." arguments) are the toolkit's and are skipped. A file that cannot be opened at all ends
    // the program after its message; one that opens but does not load (a wrong password) does not.
    for (const QString& argument : arguments) {
        if (!argument.startsWith('-')) {
            const QFileInfo file(argument);
            if (!m_docManager->OpenDocumentFile(argument) && !(file.isFile() && file.isReadable())) {
                return false;
            }
            break;
        }
    }
    m_mainFrame->show();
    if (readSetting(*m_settings, settings::kCheckOpenFiles) == 1) {
        reopenRecentFiles();
    }
    ShowSplashScreen();

    const QString cpu = QSysInfo::currentCpuArchitecture();
    g_processorFlag = cpu == QLatin1String("i386") || cpu == QLatin1String("x86_64") ? 0 : 1;
    m_mainFrame->updateCommandStates();
    return true;
}

void CQuorvaneApp::reopenRecentFiles() {
    const QStringList entries = m_docManager->recentFiles().entries();
    for (const QString& path : entries) {
        const int index = static_cast<int>(m_docManager->recentFiles().entries().indexOf(path));
        if (index >= 0) {
            m_docManager->OpenRecentFile(index);
        }
    }
}

void CQuorvaneApp::ShowSplashScreen() {
    if (!m_splashAllowed || m_splash || !m_mainFrame) {
        return;
    }
    m_splash = new SplashWindow(m_mainFrame.get());
    m_splash->show();
}
