#include "ui/browser/BrowserActions.h"

#include <QDate>
#include <QLocale>
#include <QUrl>
#include <array>

#include "browser/BrowserChoice.h"
#include "browser/DdeVerbs.h"
#include "browser/LoginOrigin.h"
#include "cardstore/CardList.h"
#include "cardstore/DateStamp.h"
#include "otp/OneTimeCode.h"
#include "docview/MdiChildFrame.h"
#include "docview/View.h"
#include "prefs/PreferenceValues.h"
#include "prefs/SettingKeys.h"
#include "ui/browser/BrowserStatusWindow.h"
#include "ui/browser/DDEObject.h"
#include "ui/browser/Launcher.h"
#include "ui/cards/CardActions.h"
#include "ui/cards/CardDlg.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneView.h"
#include "ui/common/CommandBlock.h"
#include "ui/common/GuiPrompter.h"
#include "ui/common/QtText.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/StatusMessagePane.h"

namespace browseractions {

namespace {

const char* const kNotRunning = "Could not connect to the browser, browser is not running.";
const char* const kLaunching = "Launching browser...";
const char* const kLaunchingTryAgain = "Launching browser..., try again after browser has started...";
const char* const kStillNotRunning =
    "The web browser did not answer, even after it was started (NO_CONV_ESTABLISHED). Check its command line "
    "under Preferences, Paths Settings.";

/// The browser did not answer: say so, start it, give it time to come up, and ask once more. False,
/// after one message that says so, when it still does not answer: the command then calls it no more.
bool waitForBrowser(CMainFrame& frame, BrowserStatusWindow& status, CDDEObject& dde, const char* secondMessage) {
    status.setText(QString::fromUtf8(kNotRunning));
    CommandBlock::wait(kBrowserWaitMs);
    const bool started = launcher::LaunchBrowser(frame);
    status.setText(QString::fromUtf8(secondMessage));
    CommandBlock::wait(kBrowserWaitMs);
    if (dde.CanConnect(dde::WWW_OpenURL)) {
        return true;
    }
    status.dismiss();
    if (started) {  // a browser that could not be started was named already
        guiPrompter().message(QString::fromUtf8(kStillNotRunning), QStringLiteral("Error"),
                              GuiPrompter::Icon::Critical);
    }
    return false;
}

// How long what a login fill did stays in the status bar.
constexpr int kFillNoticeMs = 20000;

void statusNotice(CMainFrame& frame, const QString& text) {
    if (StatusMessagePane* pane = frame.messagePane()) {
        pane->showNotice(text, kFillNoticeMs);
    }
}

QString siteOf(const std::string& address) {
    const QUrl url(fromCardText(address));
    return url.host().isEmpty() ? fromCardText(address) : url.host();
}

/// Has the browser type the card's login into the login form of `window` (and send it when
/// `send`), and says in the status bar what came of it. False when the browser does not fill forms.
bool fillLogin(CMainFrame& frame, CDDEObject& dde, std::uint32_t window, const std::string& address,
               const std::string& userId, const std::string& password, bool send,
               const std::string& codeSetup = std::string()) {
    const QString site = siteOf(address);
    statusNotice(frame, QStringLiteral("Filling in the login form of %1...").arg(site));
    const std::optional<CDDEObject::FillOutcome> outcome =
        dde.FillLogin(window, address, userId, password, send, codeSetup);
    if (!outcome) {
        return false;
    }
    QString text = fromCardText(outcome->message);
    if (text.isEmpty()) {
        if (outcome->sent && outcome->filledCode) {
            text = QStringLiteral("Login and one-time code sent to %1.").arg(site);
        } else if (outcome->sent) {
            text = QStringLiteral("Login sent to %1.").arg(site);
        } else if (outcome->filledPassword) {
            text = QStringLiteral("Login filled in on %1; press Enter in the browser to send it.").arg(site);
        } else if (outcome->filledUser) {
            text = QStringLiteral("User ID filled in on %1.").arg(site);
        } else {
            text = QStringLiteral("Nothing was filled.");
        }
    }
    statusNotice(frame, text);
    return true;
}

/// The card's one-time code setup in the one plain form, or nothing when its note has none that
/// gives a code.
std::string codeSetupOf(const Card& card) {
    const std::optional<otp::SetupLine> line = otp::findSetupLine(card.note);
    if (!line) {
        return {};
    }
    const otp::ParsedSetup setup = otp::parseSetup(line->text, otp::TextForm::Card);
    return setup ? otp::toUri(*setup.setup) : std::string();
}

bool oneOf(const QString& name, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        if (name == QLatin1String(n)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void OnLoadWebPage(CMainFrame& frame) {
    // The card's values are copied first: the card is not touched while the browser is waited for.
    CQuorvaneView* tree = frame.activeCategoryTree();
    const Card* card = tree ? tree->GetSelectedCard() : nullptr;
    const std::string address = card ? card->secondField : std::string();
    if (address.empty()) {
        return;
    }
    const std::string service = browser::serviceNameForChoice(
        readSetting(frame.settings(), settings::kChooseWebBrowserLoadPage), browser::Command::LoadWebPage);
    const bool automatic = card->automaticAccess == 1;
    const std::string userId = card->thirdField;
    const std::string password = card->fourthField;
    const std::string codeSetup = codeSetupOf(*card);
    const std::string target = automatic ? browser::automaticAccessAddress(address, userId, password) : address;
    const std::uint32_t window = card->newBrowserWindow == 1 ? browser::kNewWindow : browser::kLastActiveWindow;

    BrowserStatusWindow status(&frame);
    CDDEObject dde(service);
    if (dde.CanConnect(dde::WWW_OpenURL)) {
        if (service == "Netscape") {
            dde.Activate(window, 0);
        }
    } else {
        if (!waitForBrowser(frame, status, dde, kLaunching)) {
            return;
        }
        dde.Activate(window, 0);
    }
    const std::uint32_t opened =
        dde.OpenURL(target, std::string(), window, 0, std::string(), std::string(), dde.GetServiceName());
    // A page behind HTTP authentication took the login with the address. A browser that fills forms
    // also logs into the page's form; any other browser goes without.
    if (automatic && (!userId.empty() || !password.empty())) {
        status.dismiss();
        fillLogin(frame, dde, opened != 0 ? opened : browser::kLastActiveWindow, address, userId, password, true,
                  codeSetup);
    }
}

void OnFillLogin(CMainFrame& frame) {
    CQuorvaneView* tree = frame.activeCategoryTree();
    const Card* card = tree ? tree->GetSelectedCard() : nullptr;
    if (!card) {
        return;
    }
    const std::string address = card->secondField;
    const std::string userId = card->thirdField;
    const std::string password = card->fourthField;
    if (address.empty() || (userId.empty() && password.empty())) {
        statusNotice(frame, QStringLiteral("Nothing was filled: the card needs an address and a user ID or password."));
        return;
    }
    const std::string service = browser::serviceNameForChoice(
        readSetting(frame.settings(), settings::kChooseWebBrowserLoadPage), browser::Command::LoadWebPage);
    CDDEObject dde(service);
    if (!dde.CanConnect(dde::WWW_OpenURL)) {
        statusNotice(frame, QString::fromUtf8(kNotRunning));
        return;
    }
    if (!fillLogin(frame, dde, browser::kLastActiveWindow, address, userId, password, false)) {
        statusNotice(frame, QStringLiteral("Nothing was filled: the web browser does not fill login forms. "
                                           "Run it through quorvane-browser (Preferences, Paths Settings)."));
    }
}

void OnGetWebPage(CMainFrame& frame) {
    std::string address;
    std::string title;
    std::optional<CDDEObject::TypedLogin> typed;
    {
        // Only cards of these categories keep a login; for any other the browser keeps what it noted.
        const CQuorvaneView* selectedTree = frame.activeCategoryTree();
        const bool keepsLogin =
            selectedTree && oneOf(selectedTree->GetSelectedCategoryName(), {"WWW Sites", "FTP Servers"});
        BrowserStatusWindow status(&frame);
        const std::string service = browser::serviceNameForChoice(
            readSetting(frame.settings(), settings::kChooseWebBrowser), browser::Command::GetWebPage);
        CDDEObject dde(service);
        if (dde.CanConnect(dde::WWW_OpenURL)) {
            std::tie(address, title) = dde.GetWindowInfo(browser::kLastActiveWindow);
            if (keepsLogin && !address.empty()) {
                typed = dde.TakeLogin(browser::kLastActiveWindow);
            }
        } else if (waitForBrowser(frame, status, dde, kLaunchingTryAgain)) {
            dde.Activate(browser::kLastActiveWindow, 0);
        }
    }

    // The card window's first view (the category tree) gets the keyboard again.
    CQuorvaneDoc* document = frame.activeCardDocument();
    MdiChildFrame* window = frame.activeChildFrame();
    if (document && window && !document->views().isEmpty()) {
        window->SetActiveView(document->views().front());
    }
    CQuorvaneView* tree = frame.activeCategoryTree();
    const QString category = tree ? tree->GetSelectedCategoryName() : QString();
    if (!document || !oneOf(category, {"WWW Sites", "FTP Servers", "Software Keys"})) {
        guiPrompter().message(QStringLiteral("This command is not supported for this category."));
        return;
    }
    Labels labels{"", "", "", ""};
    document->GetLabelsForCategoryName(category, labels);
    CardDlgData data;
    data.category = category;
    data.labels = {fromCardText(labels[0]), fromCardText(labels[1]), fromCardText(labels[2]), fromCardText(labels[3])};
    data.firstField = fromCardText(title);
    // A page opened with automatic access reports its address with the user ID and password in it;
    // they never go into the address field, which is shown, printed and exported in clear.
    const browser::ReportedAddress reported = browser::withoutUserPart(address);
    data.secondField = fromCardText(reported.address);
    if (oneOf(category, {"WWW Sites", "FTP Servers"}) && (!reported.userId.empty() || !reported.password.empty())) {
        data.thirdField = fromCardText(reported.userId);
        data.fourthField = fromCardText(reported.password);
        data.automaticAccess = true;  // the page was reached that way
    } else if (typed && oneOf(category, {"WWW Sites", "FTP Servers"})) {
        // The login the person typed on this site. When the page shown now is on a host the login's
        // page would not be filled from (logged in at login.example, now at www.example), the card
        // keeps the login page's address, where Automatic Access can log in again.
        const browser::ReportedAddress loginPage = browser::withoutUserPart(typed->pageAddress);
        if (!loginPage.address.empty() && !browser::mayFillLogin(fromCardText(reported.address).toStdString(), fromCardText(loginPage.address).toStdString()).allowed) {
            data.secondField = fromCardText(loginPage.address);
        }
        data.thirdField = fromCardText(typed->userId);
        data.fourthField = fromCardText(typed->password);
        data.automaticAccess = true;  // it logs in the way the person did
    }
    data.attributesEnabled = oneOf(category, {"WWW Sites", "FTP Servers", "Newsgroups", "E-Mail Contacts"});
    data.generator = readPasswordRecipe(frame.settings());
    if (address.empty() && title.empty()) {
        return;  // the browser told nothing worth a card
    }
    CCardDlg editor(data, &frame);
    if (guiPrompter().exec(editor) != QDialog::Accepted) {
        return;
    }
    auto card = std::make_unique<Card>();
    if (!cardactions::applyEditorData(editor.data(), *card)) {
        return;
    }
    const int categoryId = CMainFrame::CategoryIdFromName(category);
    card->categoryId = static_cast<std::uint8_t>(categoryId);
    card->categoryName = category.toStdString();
    card->dateText = toCardText(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)).value_or("");
    card->dateStamp = CurrentDateStamp();
    frame.AddCardByCategoryName(document, category, std::move(card));
    // A card added is a change to save.
    document->SetModifiedFlag();
    const CardsChangedHint hint(CardsChangedHint::Kind::Appended, categoryId,
                                document->GetCategoryList(categoryId)->GetCardCount() - 1);
    document->UpdateAllViews(nullptr, &hint);
}

void OpenInBrowser(CMainFrame& frame, const QString& address) {
    BrowserStatusWindow status(&frame);
    const std::string service = browser::serviceNameForChoice(
        readSetting(frame.settings(), settings::kChooseWebBrowser), browser::Command::FixedPage);
    CDDEObject dde(service);
    if (!dde.CanConnect(dde::WWW_OpenURL) && !waitForBrowser(frame, status, dde, kLaunching)) {
        return;
    }
    if (service == "Netscape") {
        dde.Activate(browser::kLastActiveWindow, 0);
    }
    dde.OpenURL(toCardText(address).value_or(address.toStdString()), std::string(), browser::kLastActiveWindow, 0,
                std::string(), std::string(), dde.GetServiceName());
}

}  // namespace browseractions
