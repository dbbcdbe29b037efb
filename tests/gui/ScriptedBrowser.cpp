#include "ScriptedBrowser.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTimer>

#include "ui/common/QtText.h"

namespace {

const char* const kPath = "/org/orvel/quorvane/dde";
const char* const kInterface = "org.orvel.quorvane.dde.Server";
int g_connections = 0;

/// A reply text as the protocol carries it: Windows-1252 bytes in double quotes.
QByteArray quoted(const QString& text) {
    QByteArray out = "\"";
    for (char c : toCardText(text).value_or(std::string())) {
        if (c == '"') {
            out += '\\';
        }
        out += c;
    }
    return out + '"';
}

}  // namespace

QByteArray rawDw(quint32 value) {
    QByteArray data(4, '\0');
    for (int i = 0; i < 4; ++i) {
        data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return data;
}

class ScriptedBrowserObject : public QDBusVirtualObject {
public:
    explicit ScriptedBrowserObject(ScriptedBrowser& browser) : m_browser(browser) {}
    QString introspect(const QString&) const override { return QString(); }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QList<QVariant> args = message.arguments();
        ScriptedBrowser::Call call;
        call.method = message.member();
        if (call.method == QLatin1String("Connect")) {
            call.service = args.value(0).toString();
            call.topic = args.value(1).toString();
            m_browser.calls.append(call);
            const quint64 id = ++m_lastId;
            m_topics.insert(id, call.topic);
            connection.send(message.createReply(QVariant::fromValue<qulonglong>(id)));
            return true;
        }
        const quint64 id = args.value(0).toULongLong();
        call.topic = m_topics.value(id);
        if (call.method == QLatin1String("Disconnect")) {
            m_browser.calls.append(call);
            m_topics.remove(id);
            if (message.isReplyRequired()) {
                connection.send(message.createReply());
            }
            return true;
        }
        if (call.method != QLatin1String("Request")) {
            return false;
        }
        call.item = args.value(1).toByteArray();
        m_browser.calls.append(call);
        QDBusMessage reply;
        if (!m_topics.contains(id)) {
            reply = message.createErrorReply(QStringLiteral("org.orvel.quorvane.dde.Error.NO_CONV_ESTABLISHED"), {});
        } else if (m_browser.errorFor.contains(call.topic)) {
            reply = message.createErrorReply(
                QStringLiteral("org.orvel.quorvane.dde.Error.") + m_browser.errorFor.value(call.topic), {});
        } else if (call.topic == QLatin1String("WWW_Activate") || call.topic == QLatin1String("WWW_OpenURL")) {
            reply = message.createReply(rawDw(m_browser.activatedWindow));
        } else if (call.topic == QLatin1String("WWW_GetWindowInfo")) {
            reply = message.createReply(quoted(m_browser.pageAddress) + ',' + quoted(m_browser.pageTitle) + '\0');
        } else if (call.topic == QLatin1String("QV_FillLogin") && !m_browser.fillLoginAnswer.isEmpty()) {
            reply = message.createReply(m_browser.fillLoginAnswer + '\0');
        } else if (call.topic == QLatin1String("QV_TakeLogin") && !m_browser.takeLoginAnswer.isEmpty()) {
            reply = message.createReply(m_browser.takeLoginAnswer + '\0');
        } else {
            reply = message.createErrorReply(QStringLiteral("org.orvel.quorvane.dde.Error.NOTPROCESSED"), {});
        }
        if (m_browser.replyDelayMs <= 0 && !m_browser.whileAnswering) {
            connection.send(reply);
            return true;
        }
        message.setDelayedReply(true);
        QDBusConnection bus = connection;
        ScriptedBrowser* browser = &m_browser;
        // The answer leaves only once whileAnswering is done, however long that takes on a slow
        // machine: what it does must happen while the request waits.
        const int half = m_browser.replyDelayMs / 2;
        QTimer::singleShot(half, [browser, call, bus, reply, rest = m_browser.replyDelayMs - half]() mutable {
            if (browser->whileAnswering) {
                browser->whileAnswering(call);
            }
            QTimer::singleShot(rest, [bus, reply]() mutable { bus.send(reply); });
        });
        return true;
    }

private:
    ScriptedBrowser& m_browser;
    quint64 m_lastId = 100;
    QMap<quint64, QString> m_topics;
};

ScriptedBrowser::ScriptedBrowser(const QString& serviceName)
    : m_service(serviceName), m_connectionName(QStringLiteral("scripted-browser-%1").arg(++g_connections)) {
    m_bus = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), m_connectionName);
    m_object = std::make_unique<ScriptedBrowserObject>(*this);
    m_bus.registerVirtualObject(QString::fromLatin1(kPath), m_object.get());
}

ScriptedBrowser::~ScriptedBrowser() {
    stop();
    m_bus.unregisterObject(QString::fromLatin1(kPath));
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QString ScriptedBrowser::busNameFor(const QString& serviceName) {
    QString name = QStringLiteral("org.orvel.quorvane.dde.");
    for (char c : serviceName.toLatin1()) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9')) {
            name += QLatin1Char(c);
        } else if (byte >= 'A' && byte <= 'Z') {
            name += QLatin1Char(static_cast<char>(byte - 'A' + 'a'));
        } else {
            name += QStringLiteral("_%1").arg(byte, 2, 16, QLatin1Char('0'));
        }
    }
    return name;
}

bool ScriptedBrowser::start() {
    m_started = m_bus.isConnected() && m_bus.registerService(busNameFor(m_service));
    return m_started;
}

void ScriptedBrowser::stop() {
    if (m_started) {
        m_bus.unregisterService(busNameFor(m_service));
        m_started = false;
    }
}

QStringList ScriptedBrowser::trace() const {
    QStringList out;
    for (const Call& call : calls) {
        out << call.method + QLatin1Char(' ') + call.topic;
    }
    return out;
}

QByteArray ScriptedBrowser::requestItem(const QString& topic, int n) const {
    for (const Call& call : calls) {
        if (call.method == QLatin1String("Request") && call.topic == topic && n-- == 0) {
            return call.item;
        }
    }
    return QByteArray();
}
