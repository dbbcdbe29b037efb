#include "ui/browser/BrowserActions.h"

#include <QDate>
#include <QLocale>
#include <array>

#include "browser/BrowserChoice.h"
#include "browser/DdeVerbs.h"
#include "cardstore/CardList.h"
#include "cardstore/DateStamp.h"
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
    const std::string target = card->automaticAccess == 1
                                   ? browser::automaticAccessAddress(address, card->thirdField, card->fourthField)
                                   : address;
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
    dde.OpenURL(target, std::string(), window, 0, std::string(), std::string(), dde.GetServiceName());
}

void OnGetWebPage(CMainFrame& frame) {
    std::string address;
    std::string title;
    {
        BrowserStatusWindow status(&frame);
        const std::string service = browser::serviceNameForChoice(
            readSetting(frame.settings(), settings::kChooseWebBrowser), browser::Command::GetWebPage);
        CDDEObject dde(service);
        if (dde.CanConnect(dde::WWW_OpenURL)) {
            std::tie(address, title) = dde.GetWindowInfo(browser::kLastActiveWindow);
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
