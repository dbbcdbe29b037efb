#include "bridge/BridgeServer.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "bridge/BrowserWindows.h"
#include "browser/DdeBusNames.h"
#include "browser/DdeCodec.h"
#include "browser/DdeVerbs.h"
#include "common/Win1252.h"

namespace {

// A bridge is asked by one program at a time; a caller that never disconnects cannot fill memory.
constexpr int kMaxConversations = 1024;

std::string bytesOf(const QByteArray& data) { return std::string(data.constData(), static_cast<std::size_t>(data.size())); }
QByteArray arrayOf(const std::string& data) { return QByteArray(data.data(), static_cast<qsizetype>(data.size())); }

}  // namespace

BridgeServer::BridgeServer(BrowserWindows& windows, QStringList services, QObject* parent)
    : QObject(parent), m_windows(windows), m_services(std::move(services)), m_filler(windows) {}

std::string BridgeServer::toWin1252(const QString& text) {
    std::string out;
    for (const uint codePoint : text.toUcs4()) {
        std::string one;
        if (utf8ToWin1252(QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoint), 1).toStdString(), one))
            out += one;
        else
            out += '?';
    }
    return out;
}

bool BridgeServer::registerOnBus(QString& error) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        error = QStringLiteral("No session bus: %1").arg(bus.lastError().message());
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(dde::kObjectPath), this, QDBusConnection::ExportAllSlots)) {
        error = QStringLiteral("Cannot export the server: %1").arg(bus.lastError().message());
        return false;
    }
    for (const QString& service : m_services) {
        const QString name = QString::fromStdString(dde::busNameForService(toWin1252(service)));
        const auto reply = bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                                           QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
            error = QStringLiteral("Another program already answers as %1 (%2).").arg(service, name);
            unregisterFromBus();
            return false;
        }
    }
    m_registered = true;
    return true;
}

void BridgeServer::unregisterFromBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    for (const QString& service : m_services)
        bus.interface()->unregisterService(QString::fromStdString(dde::busNameForService(toWin1252(service))));
    bus.unregisterObject(QString::fromLatin1(dde::kObjectPath));
    m_registered = false;
}

void BridgeServer::replyError(const QString& shortName) {
    sendErrorReply(QString::fromLatin1(dde::kErrorPrefix) + shortName, shortName);
}

quint64 BridgeServer::Connect(const QString& service, const QString& topic) {
    bool ours = false;
    for (const QString& name : m_services)
        ours = ours || dde::sameDdeName(toWin1252(name), toWin1252(service));
    int verb = -1;
    for (int v = 0; v < dde::kAllVerbCount; ++v)
        if (topic == QLatin1String(dde::verbText(v).c_str()))
            verb = v;
    if (!ours || verb < 0 || m_conversations.size() >= kMaxConversations)
        return 0;
    const quint64 id = m_nextConversation++;
    m_conversations.insert(id, verb);
    return id;
}

QByteArray BridgeServer::Request(quint64 conversation, const QByteArray& item) {
    if (!m_conversations.contains(conversation)) {
        replyError(QStringLiteral("NO_CONV_ESTABLISHED"));
        return {};
    }
    // The texts of an item; a second, empty code keeps a single "DW" read as text, not as raw data.
    const std::string text = bytesOf(item);
    const int verb = m_conversations.value(conversation);
    const QDBusMessage call = message();
    auto answerId = [call](quint32 id) {
        QDBusConnection::sessionBus().send(call.createReply(QVariant::fromValue(arrayOf(dde::rawNumber(id)))));
    };
    switch (verb) {
        case dde::WWW_OpenURL: {
            const auto fields = dde::readReply(text, "QCS,QCS,DW,DW,QCS,QCS,CS");
            const QString url = QString::fromStdString(win1252ToUtf8(dde::textOf(fields.at(0))));
            setDelayedReply(true);
            const quint32 window = dde::numberOf(fields.at(2));
            m_windows.whenReady([this, url, window, call, answerId] {
                m_windows.openUrl(url, window, [call, answerId](quint32 id) {
                    if (id != 0)
                        return answerId(id);
                    QDBusConnection::sessionBus().send(call.createErrorReply(
                        QString::fromLatin1(dde::kErrorPrefix) + QStringLiteral("NOTPROCESSED"),
                        QStringLiteral("The browser could not open the address.")));
                });
            });
            return {};
        }
        case dde::WWW_Activate: {
            const quint32 window = dde::numberOf(dde::readReply(text, "DW,DW").at(0));
            setDelayedReply(true);
            // Window 0 names no window: the one in front is meant. With no window at all the answer
            // is 0, as a browser with nothing to bring forward gives.
            m_windows.whenReady([this, window, answerId] {
                m_windows.activate(window == 0 ? BrowserWindows::kLastActive : window, answerId);
            });
            return {};
        }
        case dde::WWW_GetWindowInfo: {
            const quint32 window = dde::numberOf(dde::readReply(text, "DW,DW").at(0));
            setDelayedReply(true);
            m_windows.whenReady([this, window, call] {
                m_windows.info(window, [call](bool ok, const BrowserWindows::Info& info) {
                    std::string data = dde::buildItem(
                        "QCS,QCS", {dde::Value(ok ? toWin1252(info.url) : std::string()),
                                    dde::Value(ok ? toWin1252(info.title) : std::string())});
                    data.push_back('\0');
                    QDBusConnection::sessionBus().send(call.createReply(QVariant::fromValue(arrayOf(data))));
                });
            });
            return {};
        }
        case dde::QV_FillLogin:
            fillLogin(text);
            return {};
        case dde::QV_TakeLogin:
            takeLogin(text);
            return {};
        default:
            replyError(QStringLiteral("NOTPROCESSED"));
            return {};
    }
}

namespace {

QString fromWire(const dde::Value& value) {
    return QString::fromStdString(win1252ToUtf8(dde::textOf(value)));
}

// A text answer: the fields of `typeList`, then one zero byte.
void answerText(const QDBusMessage& call, const char* typeList, const std::vector<dde::Arg>& fields) {
    std::string data = dde::buildItem(typeList, fields);
    data.push_back('\0');
    QDBusConnection::sessionBus().send(call.createReply(QVariant::fromValue(arrayOf(data))));
}

}  // namespace

// Types the card's login into a window's form, for the card's site alone, and answers what was
// done: user ID typed, password typed, form sent, and otherwise why not.
void BridgeServer::fillLogin(const std::string& item) {
    // The sixth argument, a one-time code setup, is left out by callers that have none.
    const auto fields = dde::readReply(item, "DW,QCS,QCS,QCS,BL,QCS");
    const quint32 window = dde::numberOf(fields.at(0));
    LoginFiller::Request request{fromWire(fields.at(1)), fromWire(fields.at(2)), fromWire(fields.at(3)),
                                 dde::truthOf(fields.at(4)), fromWire(fields.at(5))};
    const QDBusMessage call = message();
    setDelayedReply(true);
    m_windows.whenReady([this, window, request, call] {
        const quint32 target = window == 0 ? BrowserWindows::kLastActive : window;
        m_filler.fill(target, request, [this, target, call](const LoginFiller::Outcome& outcome) {
            QString message = outcome.message;
            // A page that took the card's login with its address has no form to fill: that is a
            // login made, not a form missed.
            const bool typed = outcome.filledUser || outcome.filledPassword;
            if (!typed && outcome.noForm && m_windows.answeredHttpAuth(target))
                message = QStringLiteral("Logged in by the site's HTTP authentication.");
            answerText(call, "BL,BL,BL,QCS,BL",
                       {dde::Value(outcome.filledUser), dde::Value(outcome.filledPassword),
                        dde::Value(outcome.submitted), dde::Value(toWin1252(message)),
                        dde::Value(outcome.filledCode)});
        });
    });
}

// Hands over the login last sent by hand in a window, if it is of the site the window shows; three
// empty texts when there is none.
void BridgeServer::takeLogin(const std::string& item) {
    const quint32 window = dde::numberOf(dde::readReply(item, "DW,DW").at(0));
    const QDBusMessage call = message();
    auto answer = [call](std::optional<TypedLogin> login) {
        // A card holds Windows-1252 text: a login with a character it has no place for is not handed
        // over with a question mark in it, where it would be a wrong password kept as the right one.
        std::string probe;
        if (login && (!utf8ToWin1252(login->userId.toStdString(), probe) ||
                      !utf8ToWin1252(login->password.toStdString(), probe)))
            login.reset();
        answerText(call, "QCS,QCS,QCS",
                   {dde::Value(login ? toWin1252(login->pageUrl) : std::string()),
                    dde::Value(login ? toWin1252(login->userId) : std::string()),
                    dde::Value(login ? toWin1252(login->password) : std::string())});
    };
    if (!m_takeLogin) {
        answer(std::nullopt);
        return;
    }
    setDelayedReply(true);
    m_windows.whenReady([this, window, answer] {
        m_takeLogin(window == 0 ? BrowserWindows::kLastActive : window, answer);
    });
}

uint BridgeServer::Poke(quint64, const QByteArray&, const QByteArray&) {
    return 0;  // nothing is poked into a browser
}

void BridgeServer::Disconnect(quint64 conversation) {
    m_conversations.remove(conversation);
}
