#pragma once
// CMainFrame: the one top-level window. It holds the menus, toolbars, status bar and dialog bars
// around the child windows, owns the state that card commands and views share, the command
// table, and the automatic-save timer.
//
// Documents and views never call the frame: they announce changes (counts, selection, encryption
// state, a file stored) and the frame, which connects to each card document and card window once
// as it is made, updates its bars from the active window. Each feature installs its own commands
// into the command table (installCardCommands, installFileEncryptionCommands, ...).

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "cardstore/Card.h"
#include "fileenc/FileEncryption.h"
#include "prefs/AutoSave.h"
#include "ui/frame/StatusMessagePane.h"

class CChildFrame;
class CommandTable;
class CQuorvaneDoc;
class CQuorvaneView;
class CQuorvaneListView;
class DocManager;
class DocTemplate;
class Document;
class MdiChildFrame;
class MdiWindowList;
class QAction;
class QDialog;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class SettingsStore;
class StatusDialogBar;
class WelcomePane;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // The smallest size of the first start (which otherwise takes a share of the screen).
    static constexpr int kDefaultWidth = 650;
    static constexpr int kDefaultHeight = 480;
    static constexpr int kMenuNoDocument = 128;
    static constexpr int kMenuPlain = 129;
    static constexpr int kMenuEncrypted = 200;
    static constexpr int kMenuFileView = 155;
    /// A remembered card-list width below this is taken for a damaged setting.
    static constexpr int kMinCardListWidth = 40;

    explicit CMainFrame(SettingsStore& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // --- Shared state of the card user interface -------------------------------------------
    /// The active card window's tree has a card item selected. Read from the tree each time, so it
    /// can never outlive the selection (a rebuilt tree, a new document, another window).
    bool CardSelected() const;
    /// The list position of the card selected in the active card window's tree; -1 without one.
    int GetCurrentCardPosition() const;
    std::unique_ptr<Card> RememberedCard;  // the card Copy or Cut remembered for Paste
    bool PasteAvailable = false;
    bool LastWasCut = false;
    QPointer<QDialog> FindDialog;
    /// The file-encryption window's state, kept for the life of the program and never saved.
    FileEncryptionState FileEncryption;

    // --- Category operations (names and numbers come from the core's category table) -------
    /// 0-14 for the fifteen shown categories (exact, case-sensitive); -1 for anything else.
    static int CategoryIdFromName(const QString& name);
    /// The display name of 0-14; empty otherwise.
    static QString CategoryNameFromId(int categoryId);
    /// Files the card at the end of the list of `categoryId` 0-14; any other number drops it.
    void AddCardToCategory(CQuorvaneDoc* document, int categoryId, std::unique_ptr<Card> card);
    void AddCardByCategoryName(CQuorvaneDoc* document, const QString& name, std::unique_ptr<Card> card);
    /// Takes the card at `position` out of the named list and hands it back (nothing when out of range).
    std::unique_ptr<Card> RemoveCardFromCategory(CQuorvaneDoc* document, const QString& name, int position);
    /// Stores a new card object at `position` of the named list when the position exists (the old
    /// one is freed). A card changed in place needs no call.
    void ReplaceCardInCategory(CQuorvaneDoc* document, const QString& name, std::unique_ptr<Card> card, int position);

    // --- Bars --------------------------------------------------------------------------------
    void UpdateCardCounts(int cardsInCategory, int totalCards);
    /// Shows the encrypted icon and "(Encrypted)", or the plain icon and "(Not Encrypted)", and the
    /// matching picture on the Encrypt On Save toolbar button.
    void ShowEncryptionStatus(bool encrypted);
    QLabel* GetStatusDialogBarItem(int id) const;
    int GetToolbarImageBase() const { return m_toolbarImageBase; }
    /// Makes main-toolbar item `index` the button of `commandId` showing toolbar image `image`.
    void SetToolbarButton(int index, int commandId, int image);
    void RestoreBarsAfterPreview();

    // --- Card documents and windows --------------------------------------------------------
    /// A new card document, connected to the frame.
    CQuorvaneDoc* createCardDocument();
    /// A new card window for `document` of `docTemplate`'s type, connected to the frame.
    MdiChildFrame* createCardWindow(Document* document, DocTemplate* docTemplate);

    // --- Active window -------------------------------------------------------------------
    MdiChildFrame* activeChildFrame() const;
    /// The active child's document when it is a card document (the active view is not changed).
    CQuorvaneDoc* activeCardDocument() const;
    /// The same, after making the document's category tree the child's active view.
    CQuorvaneDoc* GetActiveCardDocument();
    /// The category tree of the active child window, if it is a card window.
    CQuorvaneView* activeCategoryTree() const;
    /// The card list of the active child window, if it is a card window.
    CQuorvaneListView* activeCardList() const;

    // --- Commands, menus, bars ----------------------------------------------------------
    CommandTable& commands() const { return *m_commands; }
    QAction* commandAction(int id) const;
    /// Re-evaluates every enable rule now (also done before menus open and when idle).
    void updateCommandStates();
    void scheduleCommandUpdate();
    /// The menu bar's current menu: 128, 129, 200 or 155.
    int activeMenuId() const { return m_activeMenu; }
    /// The popups of a menu resource, left to right.
    QList<QMenu*> menuPopups(int menuId) const { return m_menus.value(menuId); }
    QToolBar* mainToolBar() const { return m_mainToolBar; }
    QToolBar* fileViewToolBar() const { return m_fileViewToolBar; }
    QToolBar* statusDialogBar() const { return m_statusBarHolder; }
    QToolBar* foldersBar() const { return m_foldersBar; }
    StatusMessagePane* messagePane() const { return m_messagePane; }
    MdiWindowList* windowList() const { return m_windowList; }

    QMdiArea* mdiArea() const { return m_mdiArea; }
    /// What the window shows while no document is open.
    WelcomePane* welcomePane() const { return m_welcomePane; }
    SettingsStore& settings() const { return m_settings; }
    void setDocManager(DocManager* manager);
    DocManager* docManager() const { return m_docManager; }

    // --- Copies of settings ---------------------------------------------------------------------
    /// The seven program paths, read at start-up and again whenever the settings change (the
    /// preference sheet), and the browser two also by the first-start lookup.
    struct ProgramPaths {
        QString explorer, netscape, mail, telnet, news, ftp, help;
    };
    ProgramPaths Paths;
    /// "Print ATM" and "Print Notes" as printing uses them (1 when missing).
    int PrintAtm = 1;
    int PrintNotes = 1;
    /// Fills Paths and the two print switches from the settings.
    void LoadProgramSettings();
    /// Re-reads the two print switches.
    void ReloadPrintSwitches();

    // --- Settings ----------------------------------------------------------------------------
    /// Settings were changed (by the preference sheet, for instance): the window takes them over
    /// now. Emits settingsChanged for the parts that keep copies.
    void reloadSettings();

    // --- Automatic save --------------------------------------------------------------------
    /// Reads the interval and (re)starts the one-minute timer.
    void StartAutosaveTimer();
    bool autosaveTimerActive() const { return m_autosaveTimer.isActive(); }
    /// The minutes counted and the interval (AutosaveTicks, AutosaveThreshold).
    const AutoSave& autoSave() const { return m_autoSave; }
    /// One minute has passed: saves the active document when its interval is over.
    void OnAutosaveTick();

    // --- Files a feature opens ----------------------------------------------------------------
    /// A feature that opens some files itself, not as card documents, says which (`opens`) and how
    /// (`open`, which returns the card document the file's window belongs to, or nothing after its
    /// message). The file-encryption feature registers "~~~" files when it installs its commands.
    using FileOpener = std::function<Document*(const QString& path)>;
    void registerFileOpener(std::function<bool(const QString& path)> opens, FileOpener open);
    /// Whether a registered feature opens `path`; else it is a card document.
    bool hasFileOpener(const QString& path) const;
    /// Opens `path` with the first feature that opens it; nothing when none does, or when it failed.
    Document* openRegisteredFile(const QString& path);
    /// The caption: "Quorvane - " and the active document's title, or just "Quorvane".
    void updateCaption();

signals:
    void settingsChanged();
    /// A card document was made (not yet opened); features that follow documents connect to it here.
    void cardDocumentCreated(CQuorvaneDoc* document);
    /// The documents were locked: every feature drops the secrets it keeps in memory.
    void secretsForgotten();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createBars();
    void createStatusBar();
    void createMenus();
    void installFrameCommands();
    void fillRecentFileEntries();
    void switchMenu(int menuId);
    void onSubWindowActivated(QMdiSubWindow* window);
    /// Shows the active card window's save status and counts (zero counts without one).
    void refreshCardStatus();
    bool isActiveCardWindow(const QObject* windowOrView) const;
    bool isActiveCardDocument(const QObject* document) const;
    void cyclePane(int step);

    SettingsStore& m_settings;
    DocManager* m_docManager = nullptr;
    CommandTable* m_commands;
    QMdiArea* m_mdiArea;
    WelcomePane* m_welcomePane = nullptr;
    MdiWindowList* m_windowList;

    QToolBar* m_mainToolBar = nullptr;
    QToolBar* m_fileViewToolBar = nullptr;
    QToolBar* m_statusBarHolder = nullptr;
    QToolBar* m_foldersBar = nullptr;
    StatusDialogBar* m_statusDialogBar = nullptr;
    std::vector<QIcon> m_toolbarImages;
    int m_toolbarImageBase = 0;
    StatusMessagePane* m_messagePane = nullptr;
    std::array<QLabel*, 3> m_lockPanes{};

    struct RegisteredOpener {
        std::function<bool(const QString&)> opens;
        FileOpener open;
    };
    std::vector<RegisteredOpener> m_fileOpeners;

    QHash<int, QList<QMenu*>> m_menus;
    int m_activeMenu = 0;

    QTimer m_autosaveTimer;
    AutoSave m_autoSave;
    QTimer m_commandUpdateTimer;
    QPointer<MdiChildFrame> m_captionFrame;
    QString m_caption;
    int m_cardListWidth = 0;  // the card list's width in card windows, as last set by a splitter
};
