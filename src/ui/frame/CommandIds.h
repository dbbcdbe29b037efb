#pragma once
// Command ids of the main window. The numbers are the program's resource ids; menus, toolbars,
// accelerators and tests all name commands by them.

namespace cmd {

// Framework commands (file, edit, view, window, help).
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileClose = 57602;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 57604;
inline constexpr int FilePrintSetup = 57606;
inline constexpr int FilePrint = 57607;
inline constexpr int FileMru1 = 57616;  // 57616-57619: the four recent files
inline constexpr int EditCopy = 57634;
inline constexpr int EditCut = 57635;
inline constexpr int EditFind = 57636;
inline constexpr int EditPaste = 57637;
inline constexpr int EditUndo = 57643;
inline constexpr int WindowArrange = 57649;
inline constexpr int AppAbout = 57664;
inline constexpr int AppExit = 57665;
inline constexpr int ContextHelp = 57669;
inline constexpr int Help = 57670;
inline constexpr int NextPane = 57680;
inline constexpr int PrevPane = 57681;
inline constexpr int ViewToolbar = 59392;
inline constexpr int ViewStatusBar = 59393;
inline constexpr int ViewStatusDialogBar = 103;

// Card document.
inline constexpr int EncryptOnSave = 32828;
inline constexpr int EncryptOnSaveButton = 1013;
inline constexpr int PrintPreview = 32804;

// Cards.
inline constexpr int NewCard = 32808;
inline constexpr int NewCardButton = 1009;
inline constexpr int DeleteCard = 32809;
inline constexpr int DeleteCardButton = 1010;
inline constexpr int EditCard = 32814;
inline constexpr int UpdateCardButton = 32794;
inline constexpr int FirstCard = 32812;
inline constexpr int LastCard = 32813;
inline constexpr int FindButton = 32803;
inline constexpr int FindAgain = 1042;
inline constexpr int CopyPassword = 32830;
inline constexpr int Preferences = 32827;
inline constexpr int FileLock = 32850;  // ours: locks the encrypted documents, or unlocks the active one
inline constexpr int CopyOneTimeCode = 32852;   // ours: the selected card's one-time code to the clipboard
inline constexpr int SetUpOneTimeCode = 32853;  // ours: sets, replaces or removes the card's code setup
inline constexpr int ShowQrCode = 32854;        // ours: shows the card's code setup as a QR code
inline constexpr int FileImport = 32855;  // ours: cards from another password manager's or browser's export
inline constexpr int FileExport = 32856;  // ours: the active document's cards as CSV or JSON

// Internet and help.
inline constexpr int LaunchWww = 32780;
inline constexpr int LaunchBrowserButton = 1005;
inline constexpr int LaunchEmail = 32781;
inline constexpr int LaunchLogin = 32782;
inline constexpr int LaunchNews = 32783;
inline constexpr int LaunchFtp = 32826;
inline constexpr int LoadWebPage = 32819;
inline constexpr int LoadWebPageButton = 32822;
inline constexpr int GetWebPage = 32820;
inline constexpr int GetWebPageButton = 32821;
inline constexpr int FillLogin = 32851;  // ours: types the selected card's login into the browser's page
inline constexpr int ShareWithPrograms = 32857;  // ours: gives the selected card attributes other programs find
inline constexpr int OnlineDocumentation = 32818;
inline constexpr int HelpReader = 32829;
inline constexpr int HomePage = 32777;
inline constexpr int OpenNewWindow = 32772;
inline constexpr int AutomaticAccess = 32773;

// Views.
inline constexpr int StandardView = 32779;  // never handled, always disabled
inline constexpr int FileView = 32778;
inline constexpr int FileEncryptionButton = 32792;

// The file-encryption window.
inline constexpr int FeEncryptFile = 32784;
inline constexpr int FeSetPassword = 32785;
inline constexpr int FeDecryptFile = 32786;
inline constexpr int FeSetPasswordButton = 32787;
inline constexpr int FeEncryptFileButton = 32788;
inline constexpr int FeDecryptFileButton = 32789;
inline constexpr int FeCardViewButton = 32790;
inline constexpr int FeClearPasswordButton = 32795;
inline constexpr int FeCardView = 32796;
inline constexpr int FeClearPassword = 32797;
inline constexpr int FeShowEncryptedOnly = 32798;
inline constexpr int FeShowAllFiles = 32800;
inline constexpr int FeAllFiles = 32840;
inline constexpr int FeEncryptedFiles = 32841;

}  // namespace cmd
