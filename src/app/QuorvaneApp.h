#pragma once
// CQuorvaneApp: start-up in its order (the DDE connection to the session bus, settings, recent
// files, the three document templates, the main window, the command line, the program paths, the
// first-start browser lookup, the start-up launches, reopening recent files, the splash screen,
// the processor flag) and the splash screen. The program's parts meet here and nowhere else.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

#include "app/SplashWindow.h"
#include "prefs/SettingsStore.h"

class CMainFrame;
class DocManager;

class CQuorvaneApp : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool splash = true;  // tests start without the splash screen
    };

    /// Uses the per-user settings store unless another is given.
    explicit CQuorvaneApp(std::unique_ptr<SettingsStore> settings = nullptr);
    ~CQuorvaneApp() override;

    /// Runs start-up with the program's arguments (without the program name); false ends the program.
    bool InitInstance(const QStringList& arguments, Options options);
    bool InitInstance(const QStringList& arguments) { return InitInstance(arguments, Options{}); }

    CMainFrame* mainFrame() const { return m_mainFrame.get(); }
    DocManager* docManager() const { return m_docManager.get(); }
    SettingsStore& settings() const { return *m_settings; }

    /// Shows the splash screen unless it is showing already or not allowed.
    void ShowSplashScreen();
    SplashWindow* splashWindow() const { return m_splash; }

private:
    void registerTemplates();
    void reopenRecentFiles();

    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<DocManager> m_docManager;
    std::unique_ptr<CMainFrame> m_mainFrame;
    QPointer<SplashWindow> m_splash;
    std::uint32_t m_ddeInstance = 0;
    bool m_splashAllowed = false;
};
