#pragma once
// CDDEObject: one endpoint toward one browser's DDE service, and at the same time a small DDE
// server under a name of its own ("Quorvan1", "Quorvan2", ...) that the browser may call back.
// CDDEConversation: one open conversation. Every browser command makes one CDDEObject, makes one to
// three calls and destroys it again; each call opens its own conversation for one request.
//
// DDE errors are shown as they happen, in an "Error" box naming the error; the calls themselves
// never fail loudly: a browser that does not answer gives empty results.

#include <cstdint>
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
    /// "WWW_OpenURL"; the browser's answer is read and dropped. Empty texts are left out.
    void OpenURL(const std::string& address, const std::string& fileName, std::uint32_t windowId, std::uint32_t flags,
                 const std::string& formData, const std::string& mimeType, const std::string& progressApp);
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
    dde::HSZ buildItem(const std::string& typeList, const std::vector<dde::Arg>& args);
    void forget(CDDEConversation* conversation);

    std::string m_ownName;
    dde::HSZ m_ownHandle = 0;
    std::vector<CDDEConversation*> m_conversations;

    friend class CDDEConversation;
};

/// Shows the instance's pending DDE error, if any, in an "Error" box.
void checkDdeError();
