#pragma once
// CDDEObject: one endpoint toward one browser's DDE service, and at the same time a small DDE
// server under a name of its own ("Quorvan1", "Quorvan2", ...) that the browser may call back.
// CDDEConversation: one open conversation. Every browser command makes one CDDEObject, makes one to
// three calls and destroys it again; each call opens its own conversation for one request.
//
// DDE errors are shown as they happen, in an "Error" box naming the error; the calls themselves
// never fail loudly: a browser that does not answer gives empty results.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "browser/DdeCodec.h"
#include "ui/browser/Ddeml.h"

class CDDEObject;

class CDDEConversation {
public:
    /// Joins the list of all live conversations.
    explicit CDDEConversation(dde::HCONV handle, CDDEObject* owner);
    /// Leaves that list.
    ~CDDEConversation();
    CDDEConversation(const CDDEConversation&) = delete;
    CDDEConversation& operator=(const CDDEConversation&) = delete;

    dde::HCONV handle() const { return m_handle; }
    CDDEObject* owner() const { return m_owner; }

    /// Every live conversation of every object, oldest first.
    static const std::vector<CDDEConversation*>& all();

private:
    dde::HCONV m_handle;
    CDDEObject* m_owner;
};

class CDDEObject {
public:
    /// An endpoint toward the browser service `serviceName` ("Netscape", "IExplore", "Iexplore"),
    /// serving under its own new name.
    explicit CDDEObject(const std::string& serviceName);
    ~CDDEObject();
    CDDEObject(const CDDEObject&) = delete;
    CDDEObject& operator=(const CDDEObject&) = delete;

    /// Whether a conversation on the topic of verb `verb` can be opened (it is closed again at once).
    bool CanConnect(int verb);
    /// "WWW_Activate": the window id the browser reports, 0 when the call fails.
    std::uint32_t Activate(std::uint32_t windowId, std::uint32_t flags);
    /// "WWW_GetWindowInfo": the address and title of a browser window, both empty when the call fails.
    std::pair<std::string, std::string> GetWindowInfo(std::uint32_t windowId);
    /// "WWW_OpenURL": the window id the browser answers (0 when the call fails). Empty texts are left out.
    std::uint32_t OpenURL(const std::string& address, const std::string& fileName, std::uint32_t windowId, std::uint32_t flags,
                 const std::string& formData, const std::string& mimeType, const std::string& progressApp);

    /// What the browser did with a login form (texts in Windows-1252).
    struct FillOutcome {
        bool filledUser = false;
        bool filledPassword = false;
        bool sent = false;
        std::string message;  // empty when all asked was done, else why not
        bool filledCode = false;  // a one-time code was typed and sent after the login
    };
    /// "QV_FillLogin": types the card's user ID and password into the login form of a browser window,
    /// for the card's address only, and presses Enter when `send`. Nothing when the browser does
    /// not fill forms (it refuses the conversation or answers "not processed"); no error is shown.
    /// `codeSetup`, the card's one-time code setup (otpauth:// address) if it has one, is typed as a
    /// code when the site asks for one after the login; it is sent only when not empty.
    std::optional<FillOutcome> FillLogin(std::uint32_t windowId, const std::string& cardAddress,
                                         const std::string& userId, const std::string& password, bool send,
                                         const std::string& codeSetup = std::string());
    /// The login the person last sent by hand in a browser window, for the site it shows now.
    struct TypedLogin {
        std::string pageAddress;  // the page whose form was sent
        std::string userId;
        std::string password;
    };
    /// "QV_TakeLogin": takes that login (the browser forgets it); nothing when there is none or the
    /// browser does not note logins.
    std::optional<TypedLogin> TakeLogin(std::uint32_t windowId);

    std::string GetServiceName() const { return m_ownName; }

    const std::vector<CDDEConversation*>& conversations() const { return m_conversations; }

    // --- Process-wide --------------------------------------------------------------------------
    /// The program's DDE instance, set at start-up (0: none, and every call fails quietly).
    static void setInstance(dde::DWORD instance);
    static dde::DWORD instance();
    /// The callback of the program's server, handed to DdeInitialize.
    static dde::CallbackResult DdeCallback(dde::TransactionType type, dde::HCONV conversation, dde::HSZ hsz1,
                                           dde::HSZ hsz2, const std::string& data);
    /// The live objects, oldest first; and how many were made during the run.
    static const std::vector<CDDEObject*>& objects();
    static std::uint32_t serialCounter();

private:
    CDDEConversation* connect(int verb);
    void disconnect(CDDEConversation* conversation);
    std::optional<std::string> request(CDDEConversation* conversation, dde::HSZ item);
    /// A request whose failure is not shown: its error is answered in `error` instead.
    std::optional<std::string> quietRequest(CDDEConversation* conversation, dde::HSZ item, dde::DWORD& error);
    dde::HSZ buildItem(const std::string& typeList, const std::vector<dde::Arg>& args);
    void forget(CDDEConversation* conversation);

    std::string m_ownName;
    dde::HSZ m_ownHandle = 0;
    std::vector<CDDEConversation*> m_conversations;

    friend class CDDEConversation;
};

/// Shows the instance's pending DDE error, if any, in an "Error" box.
void checkDdeError();
