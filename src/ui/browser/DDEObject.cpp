#include "ui/browser/DDEObject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <array>
#include <ctime>

#include "browser/DdeBusNames.h"
#include "browser/DdeErrors.h"
#include "browser/DdeOwnServer.h"
#include "browser/DdeVerbs.h"
#include "ui/common/GuiPrompter.h"

using namespace dde;

namespace {

constexpr const char* kOwnNamePrefix = "Quorvan";

DWORD g_instance = 0;
std::vector<CDDEObject*> g_objects;
std::uint32_t g_serial = 0;
std::array<HSZ, kAllVerbCount> g_verbs{};
HSZ g_browserService = 0;
std::vector<CDDEConversation*> g_conversations;

std::uint32_t now() {
    return static_cast<std::uint32_t>(std::time(nullptr));
}

/// A name for a temporary file no file has yet, as the browser asks for one to save a viewer's data in.
std::string freshTemporaryName() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QDir(QDir::tempPath())
                                 .filePath(QStringLiteral("nstest") +
                                           QString::number(QRandomGenerator::global()->bounded(1u << 30), 36));
        if (!QFileInfo::exists(name)) {
            return QFile::encodeName(name).toStdString();
        }
    }
    return "/delme.nst";
}

CDDEObject* objectNamed(const std::string& name) {
    for (CDDEObject* object : g_objects) {
        if (sameDdeName(object->GetServiceName(), name)) {
            return object;
        }
    }
    return nullptr;
}

CDDEConversation* conversationFor(HCONV handle) {
    for (CDDEConversation* conversation : g_conversations) {
        if (conversation->handle() == handle) {
            return conversation;
        }
    }
    return nullptr;
}

}  // namespace

void checkDdeError() {
    const DWORD error = DdeGetLastError(g_instance);
    if (error != DMLERR_NO_ERROR && error != DMLERR_DLL_NOT_INITIALIZED) {
        guiPrompter().message(QString::fromStdString(errorText(error)), QStringLiteral("Error"),
                              GuiPrompter::Icon::Critical);
    }
}

// --- CDDEConversation -----------------------------------------------------------------------------

CDDEConversation::CDDEConversation(HCONV handle, CDDEObject* owner) : m_handle(handle), m_owner(owner) {
    g_conversations.push_back(this);
}

CDDEConversation::~CDDEConversation() {
    std::erase(g_conversations, this);
}

const std::vector<CDDEConversation*>& CDDEConversation::all() {
    return g_conversations;
}

// --- CDDEObject -------------------------------------------------------------------------------

void CDDEObject::setInstance(DWORD instance) {
    g_instance = instance;
}
DWORD CDDEObject::instance() {
    return g_instance;
}
const std::vector<CDDEObject*>& CDDEObject::objects() {
    return g_objects;
}
std::uint32_t CDDEObject::serialCounter() {
    return g_serial;
}

CDDEObject::CDDEObject(const std::string& serviceName) {
    ++g_serial;
    m_ownName = kOwnNamePrefix + std::to_string(g_serial);
    g_objects.push_back(this);
    if (g_objects.size() == 1) {
        // The verb table and the browser's name are made once for all objects alive together.
        for (int i = 0; i < kAllVerbCount; ++i) {
            g_verbs[static_cast<std::size_t>(i)] = DdeCreateStringHandle(g_instance, verbText(i));
        }
        checkDdeError();
        g_browserService = DdeCreateStringHandle(g_instance, serviceName);
        checkDdeError();
    }
    m_ownHandle = DdeCreateStringHandle(g_instance, m_ownName);
    checkDdeError();
    DdeNameService(g_instance, m_ownHandle, DNS_REGISTER);
    checkDdeError();
}

CDDEObject::~CDDEObject() {
    while (!m_conversations.empty()) {
        disconnect(m_conversations.front());
    }
    std::erase(g_objects, this);
    DdeNameService(g_instance, m_ownHandle, DNS_UNREGISTER);
    checkDdeError();
    DdeFreeStringHandle(g_instance, m_ownHandle);
    checkDdeError();
    if (g_objects.empty()) {
        for (HSZ& verb : g_verbs) {
            DdeFreeStringHandle(g_instance, verb);
            checkDdeError();
            verb = 0;
        }
        DdeFreeStringHandle(g_instance, g_browserService);
        checkDdeError();
        g_browserService = 0;
    }
}

CDDEConversation* CDDEObject::connect(int verb) {
    if (verb < 0 || verb >= kAllVerbCount) {
        return nullptr;
    }
    const HCONV handle = DdeConnect(g_instance, g_browserService, g_verbs[static_cast<std::size_t>(verb)]);
    if (handle == 0) {
        // The caller decides what a missing browser means and says so itself; the error is taken
        // here, or a later call's check would report it as that call's failure.
        DdeGetLastError(g_instance);
        return nullptr;
    }
    auto* conversation = new CDDEConversation(handle, this);
    m_conversations.push_back(conversation);
    return conversation;
}

void CDDEObject::disconnect(CDDEConversation* conversation) {
    DdeDisconnect(conversation->handle());
    checkDdeError();
    forget(conversation);
}

void CDDEObject::forget(CDDEConversation* conversation) {
    std::erase(m_conversations, conversation);
    delete conversation;
}

std::optional<std::string> CDDEObject::request(CDDEConversation* conversation, HSZ item) {
    std::optional<std::string> data =
        DdeClientTransaction(std::string(), conversation->handle(), item, XTYP_REQUEST, kDefaultTimeout);
    checkDdeError();
    if (item != 0) {
        DdeFreeStringHandle(g_instance, item);
        checkDdeError();
    }
    return data;
}

std::optional<std::string> CDDEObject::quietRequest(CDDEConversation* conversation, HSZ item, DWORD& error) {
    std::optional<std::string> data =
        DdeClientTransaction(std::string(), conversation->handle(), item, XTYP_REQUEST, kDefaultTimeout);
    error = DdeGetLastError(g_instance);
    if (item != 0) {
        DdeFreeStringHandle(g_instance, item);
        DdeGetLastError(g_instance);
    }
    return data;
}

HSZ CDDEObject::buildItem(const std::string& typeList, const std::vector<Arg>& args) {
    const std::string item = dde::buildItem(typeList, args);
    if (item.empty()) {
        return 0;
    }
    const HSZ handle = DdeCreateStringHandle(g_instance, item);
    checkDdeError();
    return handle;
}

bool CDDEObject::CanConnect(int verb) {
    CDDEConversation* conversation = connect(verb);
    if (!conversation) {
        return false;
    }
    disconnect(conversation);
    return true;
}

std::uint32_t CDDEObject::Activate(std::uint32_t windowId, std::uint32_t flags) {
    CDDEConversation* conversation = connect(WWW_Activate);
    if (!conversation) {
        return 0;
    }
    std::uint32_t result = 0;
    const auto data = request(conversation, buildItem("DW,DW", {Value{windowId}, Value{flags}}));
    if (data) {
        result = numberOf(readReply(*data, "DW").at(0));
    }
    disconnect(conversation);
    return result;
}

std::pair<std::string, std::string> CDDEObject::GetWindowInfo(std::uint32_t windowId) {
    CDDEConversation* conversation = connect(WWW_GetWindowInfo);
    if (!conversation) {
        return {};
    }
    std::pair<std::string, std::string> info;
    const auto data = request(conversation, buildItem("DW", {Value{windowId}}));
    if (data) {
        const std::vector<Value> fields = readReply(*data, "QCS,QCS");
        info = {textOf(fields.at(0)), textOf(fields.at(1))};
    }
    disconnect(conversation);
    return info;
}

std::uint32_t CDDEObject::OpenURL(const std::string& address, const std::string& fileName, std::uint32_t windowId,
                                  std::uint32_t flags, const std::string& formData, const std::string& mimeType,
                                  const std::string& progressApp) {
    CDDEConversation* conversation = connect(WWW_OpenURL);
    if (!conversation) {
        return 0;
    }
    auto optional = [](const std::string& text) { return text.empty() ? Arg{} : Arg{Value{text}}; };
    const auto data = request(
        conversation,
        buildItem("QCS,QCS,DW,DW,QCS,QCS,CS", {Value{address}, optional(fileName), Value{windowId}, Value{flags},
                                               optional(formData), optional(mimeType), optional(progressApp)}));
    std::uint32_t window = 0;
    if (data) {
        window = numberOf(readReply(*data, "DW").at(0));
    }
    disconnect(conversation);
    return window;
}

std::optional<CDDEObject::FillOutcome> CDDEObject::FillLogin(std::uint32_t windowId, const std::string& cardAddress,
                                                             const std::string& userId, const std::string& password,
                                                             bool send, const std::string& codeSetup) {
    CDDEConversation* conversation = connect(QV_FillLogin);
    if (!conversation) {
        return std::nullopt;
    }
    std::optional<FillOutcome> outcome;
    DWORD error = DMLERR_NO_ERROR;
    std::vector<Arg> args{Value{windowId}, Value{cardAddress}, Value{userId}, Value{password}, Value{send}};
    if (!codeSetup.empty()) {
        args.emplace_back(Value{codeSetup});
    }
    const auto data =
        quietRequest(conversation, buildItem(codeSetup.empty() ? "DW,QCS,QCS,QCS,BL" : "DW,QCS,QCS,QCS,BL,QCS", args),
                     error);
    if (data) {
        const std::vector<Value> fields = readReply(*data, "BL,BL,BL,QCS,BL");
        outcome = FillOutcome{truthOf(fields.at(0)), truthOf(fields.at(1)), truthOf(fields.at(2)), textOf(fields.at(3)),
                              truthOf(fields.at(4))};
    } else if (error != DMLERR_NOTPROCESSED) {
        // A browser side that does not know the verb may accept it and answer "not processed"; that
        // is no fault to show. Anything else is said where the outcome is.
        outcome = FillOutcome{false, false, false,
                              "The web browser did not say what it filled (" + errorText(error) + ").", false};
    }
    disconnect(conversation);
    return outcome;
}

std::optional<CDDEObject::TypedLogin> CDDEObject::TakeLogin(std::uint32_t windowId) {
    CDDEConversation* conversation = connect(QV_TakeLogin);
    if (!conversation) {
        return std::nullopt;
    }
    std::optional<TypedLogin> login;
    DWORD error = DMLERR_NO_ERROR;
    const auto data = quietRequest(conversation, buildItem("DW", {Value{windowId}}), error);
    if (data) {
        const std::vector<Value> fields = readReply(*data, "QCS,QCS,QCS");
        TypedLogin got{textOf(fields.at(0)), textOf(fields.at(1)), textOf(fields.at(2))};
        if (!got.userId.empty() || !got.password.empty()) {
            login = std::move(got);
        }
    }
    disconnect(conversation);
    return login;
}

// --- The program's server ------------------------------------------------------------------------

CallbackResult CDDEObject::DdeCallback(TransactionType type, HCONV conversation, HSZ hsz1, HSZ hsz2,
                                       const std::string& data) {
    switch (type) {
        case XTYP_CONNECT:
            return {objectNamed(DdeQueryString(g_instance, hsz2)) != nullptr ? 1u : 0u, std::nullopt};
        case XTYP_CONNECT_CONFIRM:
            if (CDDEObject* object = objectNamed(DdeQueryString(g_instance, hsz2))) {
                object->m_conversations.push_back(new CDDEConversation(conversation, object));
            }
            return {};
        case XTYP_DISCONNECT:
            if (CDDEConversation* c = conversationFor(conversation)) {
                c->owner()->forget(c);
            }
            return {};
        case XTYP_REQUEST: {
            if (!conversationFor(conversation)) {
                return {};
            }
            return {0, ownServerAnswer(verbIndex(DdeQueryString(g_instance, hsz1)), DdeQueryString(g_instance, hsz2),
                                       now(), freshTemporaryName)};
        }
        case XTYP_POKE: {
            if (!conversationFor(conversation)) {
                return {};
            }
            (void)data;
            if (ownServerTakesPoke(verbIndex(DdeQueryString(g_instance, hsz1)))) {
                return {DDE_FACK, std::nullopt};
            }
            return {};
        }
    }
    return {};
}
