#pragma once
// CMainFrame: the one top-level window. It holds the menus, toolbars, status bar and dialog bars
// around the child windows, owns the state that card commands and views share, the command
// table with every enable rule, and the automatic-save timer.

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "cardstore/Card.h"
#include "prefs/AutoSave.h"

class CommandTable;
class CQuorvaneDoc;
class CQuorvaneView;
class CQuorvaneListView;
class DocManager;
class MdiChildFrame;
class QAction;
class QDialog;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class SettingsStore;
class StatusDialogBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kDefaultWidth = 650;
    static constexpr int kDefaultHeight = 480;
    static constexpr int kMenuNoDocument = 128;
    static constexpr int kMenuPlain = 129;
    static constexpr int kMenuEncrypted = 200;
    static constexpr int kMenuFileView = 155;

    explicit CMainFrame(SettingsStore& settings, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // --- Shared state of the card user interface -------------------------------------------
    int CardSelected = 0;          // the tree's selected item is a card
    int CurrentCardPosition = -1;  // list position of the card last selected in the tree
    std::unique_ptr<Card> RememberedCard;  // the card Copy or Cut remembered for Paste
    int PasteAvailable = 0;
    int LastWasCut = 0;
    QPointer<QDialog> FindDialog;
    int ToolbarImageBase = 0;
    // The file-encryption window's state, kept here for the life of the program.
    std::string FileEncryptionPassword;
    int PasswordIsSet = 0;
    QString SelectedFile;
    int CanEncrypt = 0;
    int IsEncrypted = 0;
    int ShowEncryptedOnly = 0;

    // --- Category name table and operations ------------------------------------------------
    /// The sixteen display names in display order ("WWW Sites" ... "Miscellaneous").
    const QStringList& categoryNames() const { return m_categoryNames; }
    /// 0-14 for the fifteen shown categories (exact, case-sensitive); -1 for anything else.
    int CategoryIdFromName(const QString& name) const;
    /// The display name of 0-14; empty otherwise.
    QString CategoryNameFromId(int categoryId) const;
    /// Files the card at the end of the list of `categoryId` 0-14; any other number drops it.
    void AddCardToCategory(CQuorvaneDoc* document, int categoryId, std::unique_ptr<Card> card);
    void AddCardByCategoryName(CQuorvaneDoc* document, const QString& name, std::unique_ptr<Card> card);
    /// Takes the card at `position` out of the named list and hands it back (nothing when out of range).
    std::unique_ptr<Card> RemoveCardFromCategory(CQuorvaneDoc* document, const QString& name, int position);
    /// Stores a new card object at `position` of the named list when the position exists (the old
    /// one is freed). A card changed in place needs no call.
    void ReplaceCardInCategory(CQuorvaneDoc* document, const QString& name, std::unique_ptr<Card> card, int position);

    void UpdateCardCounts(int cardsInCategory, int totalCards);
    /// 1 shows the encrypted icon and "(Encrypted)"; anything else the plain icon and "(Not Encrypted)".
    void ShowEncryptionStatus(int encrypted);
    QLabel* GetStatusDialogBarItem(int id) const;
    void SetCardSelected(int flag) { CardSelected = flag; scheduleCommandUpdate(); }
    void SetCurrentCardPosition(int position) { CurrentCardPosition = position; }
    int GetCurrentCardPosition() const { return CurrentCardPosition; }
    int GetToolbarImageBase() const { return ToolbarImageBase; }
    /// Makes main-toolbar item `index` the button of `commandId` showing toolbar image `image`.
    void SetToolbarButton(int index, int commandId, int image);
    void RestoreBarsAfterPreview();

    // --- Active window -------------------------------------------------------------------
    MdiChildFrame* activeChildFrame() const;
    /// The active child's document when it is a card document (the active view is not changed).
    CQuorvaneDoc* activeCardDocument() const;
    /// The same, after making the document's category tree the child's active view.
    CQuorvaneDoc* GetActiveCardDocument();
    /// The category tree of the active child window, if it is a card window.
    CQuorvaneView* activeCategoryTree() const;

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
    QLabel* messagePane() const { return m_messagePane; }

    QMdiArea* mdiArea() const { return m_mdiArea; }
    SettingsStore& settings() const { return m_settings; }
    void setDocManager(DocManager* manager);
    DocManager* docManager() const { return m_docManager; }

    // --- Automatic save --------------------------------------------------------------------
    /// Reads the interval and (re)starts the one-minute timer.
    void StartAutosaveTimer();
    bool autosaveTimerActive() const { return m_autosaveTimer.isActive(); }
    /// The minutes counted and the interval (AutosaveTicks, AutosaveThreshold).
    const AutoSave& autoSave() const { return m_autoSave; }
    /// One minute has passed: saves the active document when its interval is over.
    void OnAutosaveTick();

    /// A "~~~" file was opened as a document: switch to the file-encryption view (built later).
    void OpenFileEncryptionView();
    /// The caption: "Quorvane - " and the active document's title, or just "Quorvane".
    void updateCaption();

signals:
    void splashRequested();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createBars();
    void createStatusBar();
    void createMenus();
    void installCommandRules();
    void installFrameHandlers();
    void fillRecentFileEntries();
    void switchMenu(int menuId);
    void onSubWindowActivated(QMdiSubWindow* window);
    bool hasActiveChild() const { return activeChildFrame() != nullptr; }
    bool activeDocumentHasCards() const;
    void cyclePane(int step);

    SettingsStore& m_settings;
    DocManager* m_docManager = nullptr;
    CommandTable* m_commands;
    QMdiArea* m_mdiArea;
    QStringList m_categoryNames;

    QToolBar* m_mainToolBar = nullptr;
    QToolBar* m_fileViewToolBar = nullptr;
    QToolBar* m_statusBarHolder = nullptr;
    QToolBar* m_foldersBar = nullptr;
    StatusDialogBar* m_statusDialogBar = nullptr;
    std::vector<QIcon> m_toolbarImages;
    QLabel* m_messagePane = nullptr;
    std::array<QLabel*, 3> m_lockPanes{};

    QHash<int, QList<QMenu*>> m_menus;
    QList<QMenu*> m_fileMenus;
    int m_activeMenu = 0;

    QTimer m_autosaveTimer;
    AutoSave m_autoSave;
    QTimer m_commandUpdateTimer;
    QPointer<MdiChildFrame> m_captionFrame;
    QString m_caption;
};

/// The main window while it exists.
CMainFrame* GetMainFrame();
