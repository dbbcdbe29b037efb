#include "bridge/HttpAuthAnswerer.h"

#include <QJsonArray>
#include <QSet>
#include <QTimer>

#include "bridge/BrowserWindows.h"

namespace {

int defaultPort(const QString& scheme) {
    return scheme == QLatin1String("https") ? 443 : scheme == QLatin1String("http") ? 80 : -1;
}

// Scheme, host and port alike, a port left out standing for the scheme's own.
bool sameOrigin(const QUrl& a, const QUrl& b) {
    const QString scheme = a.scheme().toLower();
    return a.isValid() && b.isValid() && !a.host().isEmpty() && scheme == b.scheme().toLower() &&
           a.host(QUrl::FullyEncoded).compare(b.host(QUrl::FullyEncoded), Qt::CaseInsensitive) == 0 &&
           a.port(defaultPort(scheme)) == b.port(defaultPort(scheme));
}

QString percentDecoded(const QString& text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8()));
}

}  // namespace

struct HttpAuthAnswerer::Job {
    quint32 id = 0;
    QString session;
    QUrl origin;
    QString user;
    QString password;
    int listener = 0;
    bool navigated = false;  // the browser took the navigation: a load from now on is its page's
    bool done = false;
    QSet<QString> given;  // request id and address of every request the credentials went to
    QTimer timer;
};

HttpAuthAnswerer::Address HttpAuthAnswerer::split(const QString& address) {
    Address out;
    out.bare = address;
    const QString text = address.trimmed();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString scheme = text.left(colon).toLower();
    if (colon < 0 || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        text.mid(colon + 1, 2) != QLatin1String("//"))
        return out;
    // The authority ends where the path, query or fragment begins (a backslash counts as a slash
    // in these schemes, as the browser reads them); the user part ends at its last '@'.
    const qsizetype start = colon + 3;
    qsizetype end = start;
    while (end < text.size() && !QStringLiteral("/?#\\").contains(text.at(end)))
        ++end;
    const qsizetype at = text.lastIndexOf(QLatin1Char('@'), end - 1);
    if (at < start)
        return out;
    const QString userPart = text.mid(start, at - start);
    const qsizetype separator = userPart.indexOf(QLatin1Char(':'));
    out.user = percentDecoded(userPart.left(separator));
    out.password = separator < 0 ? QString() : percentDecoded(userPart.mid(separator + 1));
    out.hasUserPart = !out.user.isEmpty() || !out.password.isEmpty();
    if (out.hasUserPart)
        out.bare = text.left(start) + text.mid(at + 1);
    return out;
}

HttpAuthAnswerer::HttpAuthAnswerer(BrowserWindows& windows, QObject* parent) : QObject(parent), m_windows(windows) {}

void HttpAuthAnswerer::open(quint32 id, const QString& session, const Address& address,
                            std::function<void(bool ok)> navigated) {
    forget(id);
    auto job = std::make_shared<Job>();
    job->id = id;
    job->session = session;
    job->origin = QUrl(address.bare);
    job->user = address.user;
    job->password = address.password;
    m_jobs.insert(id, job);
    job->listener = m_windows.listen(
        session, [this, job](const QString& method, const QJsonObject& params) { handle(job, method, params); });
    job->timer.setSingleShot(true);
    connect(&job->timer, &QTimer::timeout, this, [this, weak = std::weak_ptr<Job>(job)] {
        if (const auto job = weak.lock())
            finish(job);
    });
    job->timer.start(kAnswerWindowMs);

    // Only the documents' requests are paused (and let go at once): a challenge is reported only for
    // a request the session intercepts, and the page's own subresources need no stop.
    const QJsonObject fetch{{"handleAuthRequests", true},
                            {"patterns", QJsonArray{QJsonObject{{"urlPattern", "*"}, {"resourceType", "Document"}}}}};
    auto failed = [this, job, navigated] {
        finish(job);
        navigated(false);
    };
    m_windows.callInSession(
        session, QStringLiteral("Fetch.enable"), fetch,
        [this, job, navigated, failed, bare = address.bare](const QJsonObject&, bool ok) {
            if (!ok || job->done)
                return failed();
            m_windows.callInSession(
                job->session, QStringLiteral("Page.enable"), QJsonObject(),
                [this, job, navigated, failed, bare](const QJsonObject&, bool ok) {
                    if (!ok || job->done)
                        return failed();
                    m_windows.callInSession(
                        job->session, QStringLiteral("Page.navigate"), QJsonObject{{"url", bare}},
                        [this, job, navigated](const QJsonObject& result, bool ok) {
                            // A navigation that failed (no server, say) shows its error page: no
                            // challenge is to come.
                            if (!ok || !result.value(QStringLiteral("errorText")).toString().isEmpty())
                                finish(job);
                            else
                                job->navigated = true;
                            navigated(ok);
                        });
                });
        });
}

void HttpAuthAnswerer::handle(const std::shared_ptr<Job>& job, const QString& method, const QJsonObject& params) {
    if (job->done)
        return;
    if (method == QLatin1String("Fetch.requestPaused")) {
        m_windows.callInSession(job->session, QStringLiteral("Fetch.continueRequest"),
                                QJsonObject{{"requestId", params.value(QStringLiteral("requestId"))}},
                                [](const QJsonObject&, bool) {});
    } else if (method == QLatin1String("Fetch.authRequired")) {
        answerChallenge(job, params);
    } else if (method == QLatin1String("Page.loadEventFired") && job->navigated) {
        finish(job);
    }
}

void HttpAuthAnswerer::answerChallenge(const std::shared_ptr<Job>& job, const QJsonObject& params) {
    const QString requestId = params.value(QStringLiteral("requestId")).toString();
    const QJsonObject challenge = params.value(QStringLiteral("authChallenge")).toObject();
    const QString asked = requestId + QLatin1Char(' ') +
                          params.value(QStringLiteral("request")).toObject().value(QStringLiteral("url")).toString();
    // A proxy's challenge is the proxy's, whatever the address; any other origin's (a frame of
    // another site, a redirect elsewhere) is not the card's. Both get the browser's own handling.
    const bool ours = challenge.value(QStringLiteral("source")).toString() == QLatin1String("Server") &&
                      sameOrigin(job->origin, QUrl(challenge.value(QStringLiteral("origin")).toString()));
    QJsonObject response{{"response", "Default"}};
    if (ours && job->given.contains(asked)) {
        // Asked again for the same request: the credentials were wrong. The person sees the site's
        // refusal, and no loop.
        response.insert(QStringLiteral("response"), QStringLiteral("CancelAuth"));
        m_answered.insert(job->id, false);
    } else if (ours) {
        response =
            QJsonObject{{"response", "ProvideCredentials"}, {"username", job->user}, {"password", job->password}};
        job->given.insert(asked);
        m_answered.insert(job->id, true);
    }
    m_windows.callInSession(job->session, QStringLiteral("Fetch.continueWithAuth"),
                            QJsonObject{{"requestId", requestId}, {"authChallengeResponse", response}},
                            [](const QJsonObject&, bool) {});
}

void HttpAuthAnswerer::forget(quint32 id) {
    if (const auto job = m_jobs.value(id))
        finish(job);
    m_answered.remove(id);
}

void HttpAuthAnswerer::finish(const std::shared_ptr<Job>& job) {
    if (job->done)
        return;
    job->done = true;
    job->timer.stop();
    job->user.clear();
    job->password.clear();
    m_windows.unlisten(job->listener);
    // Detaching alone ends the interception too; disabling first lets paused requests go at once.
    m_windows.callInSession(job->session, QStringLiteral("Fetch.disable"), QJsonObject(),
                            [](const QJsonObject&, bool) {});
    m_windows.detach(job->session);
    if (m_jobs.value(job->id) == job)
        m_jobs.remove(job->id);
    emit finished(job->id);
}
