// The texts, shortcuts and prompts of every command. Menu texts keep the key names the menus
// show after a tab; where the real shortcut differs (Get Web Page) the keys column holds the real one.

#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"

const std::vector<CommandDef>& commandDefinitions() {
    static const std::vector<CommandDef> defs = {
        // File
        {cmd::FileNew, "&New\tAlt+N", "Alt+N", "Create a new document\nNew"},
        {cmd::FileOpen, "&Open...\tCtrl+O", "Ctrl+O", "Open an existing document\nOpen"},
        {cmd::FileClose, "&Close", "Shift+C", "Close the active document\nClose"},
        {cmd::FileSave, "&Save\tCtrl+S", "Ctrl+S", "Save the active document\nSave"},
        {cmd::FileSaveAs, "Save &As...", "Shift+A", "Save the active document with a new name\nSave As"},
        {cmd::EncryptOnSave, "Encrypt On &Save...\tAlt+S", "Alt+S", ""},
        {cmd::EncryptOnSaveButton, "Encrypt File", "", "Encrypt File On save\nEncrypt File"},
        {cmd::FileLock, "&Lock\tCtrl+L", "Ctrl+L",
         "Lock the encrypted documents until their password is typed; unlock the locked one\nLock"},
        {cmd::FilePrint, "&Print...\tCtrl+P", "Ctrl+P", "Print the active document\nPrint"},
        {cmd::PrintPreview, "Print Pre&view", "V", "Display full pages\nPrint Preview"},
        {cmd::FilePrintSetup, "P&rint Setup...", "R", "Change the printer and printing options\nPrint Setup"},
        {cmd::FileMru1, "Recent File", "", "Open this document"},
        {cmd::FileMru1 + 1, "", "", "Open this document"},
        {cmd::FileMru1 + 2, "", "", "Open this document"},
        {cmd::FileMru1 + 3, "", "", "Open this document"},
        {cmd::AppExit, "E&xit", "X", "Quit the application; prompts to save documents\nExit"},
        // Edit
        {cmd::EditUndo, "&Undo\tCtrl+Z", "Ctrl+Z;Alt+Backspace", "Undo the last action\nUndo"},
        {cmd::EditCut, "Cu&t\tCtrl+X", "Ctrl+X;Shift+Del", "Cut the selection and put it on the Clipboard\nCut"},
        {cmd::EditCopy, "&Copy\tCtrl+C", "Ctrl+C;Ctrl+Ins", "Copy selection to clipboard\nCopy Selection"},
        {cmd::EditPaste, "&Paste\tCtrl+V", "Ctrl+V;Shift+Ins", "Paste the clipboard contents\nPaste"},
        {cmd::EditFind, "&Find...\tCtrl+F ", "Ctrl+F", "Find the specified text\nFind"},
        {cmd::FindAgain, "Find Again", "Ctrl+G", ""},
        {cmd::Preferences, "Preferences...\tAlt+P", "Alt+P", ""},
        // Card
        {cmd::NewCard, "&New Card\tCtrl+N ", "Ctrl+N", ""},
        {cmd::DeleteCard, "&Delete Card\tCtrl+D", "Ctrl+D", ""},
        {cmd::FirstCard, "First Card", "", ""},
        {cmd::LastCard, "Last Card", "", ""},
        {cmd::EditCard, "&Edit Card\tCtrl+E ", "Ctrl+E", ""},
        {cmd::NewCardButton, "Add Card", "", "Add a New Card To a Category\nAdd Card"},
        {cmd::DeleteCardButton, "Delete Card", "", "Delete a Card From a Category\nDelete Card"},
        {cmd::UpdateCardButton, "Update Card", "", "Update a Card\nUpdate Card"},
        {cmd::FindButton, "Find", "", "Find string\nFind"},
        // Only a toolbar button by its classic definition; the key makes it reachable without a mouse.
        {cmd::CopyPassword, "Copy to Clipboard", "Ctrl+Shift+C", "Copy selected string to Clipboard\nCopy to Clipboard"},
        // Internet
        {cmd::LaunchWww, "Launch WWW", "", ""},
        {cmd::LaunchEmail, "Launch E-Mail", "", ""},
        {cmd::LaunchLogin, "Launch Login", "", ""},
        {cmd::LaunchNews, "Launch News", "", ""},
        {cmd::LaunchFtp, "Launch FTP", "", ""},
        {cmd::LoadWebPage, "Load Web Page\tCtrl+W ", "Ctrl+W", ""},
        {cmd::GetWebPage, "Get Web Page\tAlt+W ", "Ctrl+Shift+W", ""},
        {cmd::FillLogin, "Fill Login\tCtrl+Shift+L", "Ctrl+Shift+L",
         "Type the selected card's user ID and password into the login form the browser shows\nFill Login"},
        {cmd::LaunchBrowserButton, "Launch Browser", "", "Launch Web Browser \n Launch Browser"},
        {cmd::LoadWebPageButton, "Load in Browser", "", "Load URL in Browser\nLoad in Browser"},
        {cmd::GetWebPageButton, "Get from browser", "", "Get URL from browser\nGet from browser"},
        {cmd::OpenNewWindow, "Open New Window", "", ""},
        {cmd::AutomaticAccess, "Automatic Access", "", ""},
        // View and window
        {cmd::ViewToolbar, "&Toolbar", "", "Show or hide the toolbar\nToggle ToolBar", true},
        {cmd::ViewStatusBar, "&Status Bar", "", "Show or hide the status bar\nToggle StatusBar", true},
        {cmd::ViewStatusDialogBar, "Status Dialog Bar", "",
         "Show or hide Status Dialog Bar\nToggle Status Dialog Bar", true},
        {cmd::StandardView, "Standard View", "", ""},
        {cmd::FileView, "File View", "", ""},
        {cmd::FileEncryptionButton, "File Encryption", "", "Go to File Encryption View\nFile Encryption"},
        {cmd::WindowArrange, "&Arrange Icons", "", "Arrange icons at the bottom of the window\nArrange Icons"},
        {cmd::NextPane, "Next Pane", "F6", "Switch to the next window pane\nNext Pane"},
        {cmd::PrevPane, "Previous Pane", "Shift+F6", "Switch back to the previous window pane\nPrevious Pane"},
        // Help
        {cmd::OnlineDocumentation, "Online Documentation", "", "Read Help File\nRead Help"},
        {cmd::HelpReader, "Help Reader", "", ""},
        {cmd::HomePage, "Quorvane Home Page", "", ""},
        {cmd::AppAbout, "&About Quorvane...", "",
         "Display program information, version number and copyright\nAbout"},
        {cmd::Help, "Help", "F1", ""},
        {cmd::ContextHelp, "Context Help", "Shift+F1", ""},
        // The file-encryption window
        {cmd::FeEncryptFile, "Encrypt File", "", ""},
        {cmd::FeDecryptFile, "Decrypt File", "", ""},
        {cmd::FeSetPassword, "Set Password...", "", ""},
        {cmd::FeClearPassword, "Clear Password", "", ""},
        {cmd::FeCardView, "Card View", "", ""},
        {cmd::FeAllFiles, "All Files", "", "", true},
        {cmd::FeEncryptedFiles, "Encrypted Files", "", "", true},
        {cmd::FeSetPasswordButton, "Set Password", "", "Set the password for File Encryption\nSet Password"},
        {cmd::FeClearPasswordButton, "Clear Password", "", "Clear Password for File Encryption\nClear Password"},
        {cmd::FeEncryptFileButton, "Encrypt File", "", "Encrypt a File\nEncrypt File"},
        {cmd::FeDecryptFileButton, "Decrypt File", "", "Decrypt a File\nDecrypt File"},
        {cmd::FeShowEncryptedOnly, "Show Encrypted Files", "", "Show Encrypted Files Only\nShow Encrypted Files"},
        {cmd::FeShowAllFiles, "All Files", "", "Show All Files\nAll Files"},
        {cmd::FeCardViewButton, "Card View", "", "Go To Card View\nCard View"},
    };
    return defs;
}
