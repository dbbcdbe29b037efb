// How fast quorvane-browser fills a login form: QV_FillLogin against a real, headless Chromium and a
// page served by this program, driven over the bus as the window drives it.
//
//   bench_login_fill [RUNS] [DELAY_MS]     (default 20 runs, the form drawn 300 ms after the load)
//
// Two figures, each the median and range over RUNS (after one run that warms the browser up):
//  1. form appears -> password typed: the page draws its login form DELAY_MS after its load (plus
//     0-240 ms that differ from run to run, so the form comes at every point of the filler's
//     250 ms look-again cycle, not always at the same one), and
//     notes (performance.now()) when it inserted the form and when the user and password fields got
//     their first trusted input event; it sends those times here with an image request. The verb is
//     called right after WWW_OpenURL answers, as Load Web Page does, so the filler is already
//     looking when the form comes.
//  2. verb call -> answer, for a form that is already there when the verb is called: Connect,
//     Request and Disconnect, the whole wait of the window.
// Every run opens its page in a new window (window id 0); the page closes itself once it is sent.
// Runs itself on a private session bus when none is given. Nothing is asserted.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "../PrivateBus.h"
#include "BridgeRequest.h"
#include "LocalPageServer.h"
#include "browser/DdeBusNames.h"
#include "browser/DdeCodec.h"

namespace {

const QString kBusName = QString::fromLatin1(dde::kBusNamePrefix) + QStringLiteral("iexplore");
const char* const kUser = "ann@home";
const char* const kPassword = "p:w/1 secret";

// The login page. `delay` < 0: the form is in the page from the start. Reports, as GET requests:
// /ready (loaded), /typed (the password field's first trusted input, with the times) and /sent.
QByteArray loginPage(int run, int delay) {
    return QByteArrayLiteral(R"(<!doctype html><title>Sign in</title><body><script>
const run = %RUN%, delay = %DELAY%;
const t = { loaded: -1, inserted: -1, user: -1, password: -1 };
const report = (path, values) => {
  const query = Object.entries({ run, ...values }).map(([k, v]) => k + '=' + encodeURIComponent(v));
  new Image().src = path + '?' + query.join('&');
};
function draw() {
  document.body.insertAdjacentHTML('beforeend', '<form action="/sent"><input name="login" autocomplete="username">' +
      '<input type="password" name="pw" autocomplete="current-password"><button>Sign in</button></form>');
  t.inserted = performance.now();
  const form = document.forms[0], [user, pw] = form.querySelectorAll('input');
  user.addEventListener('input', (e) => { if (e.isTrusted && t.user < 0) t.user = performance.now(); });
  pw.addEventListener('input', (e) => {
    if (!e.isTrusted || t.password >= 0) return;
    t.password = performance.now();
    report('/typed', { ...t, userValue: user.value, passwordValue: pw.value });
  });
  form.addEventListener('submit', (e) => {
    e.preventDefault();
    report('/sent', { at: performance.now() });
    setTimeout(() => window.close(), 500);
  });
}
if (delay < 0) draw();
addEventListener('load', () => {
  t.loaded = performance.now();
  report('/ready', {});
  if (delay >= 0) setTimeout(draw, delay);
});
</script>)")
        .replace("%RUN%", QByteArray::number(run))
        .replace("%DELAY%", QByteArray::number(delay));
}

/// Serves /login?run=N&delay=D and notes what the pages report, by run.
class Pages : public LocalPageServer {
public:
    Pages() {
        setReply([this](const Request& asked) {
            const int question = asked.path.indexOf('?');
            const QByteArray path = asked.path.left(question);
            const QUrlQuery query(QString::fromLatin1(question < 0 ? QByteArray() : asked.path.mid(question + 1)));
            const int run = query.queryItemValue(QStringLiteral("run")).toInt();
            Reply reply;
            if (path == "/login") {
                reply.body = loginPage(run, query.queryItemValue(QStringLiteral("delay")).toInt());
            } else if (path == "/ready" || path == "/typed" || path == "/sent") {
                reports[run][path] = query;
            } else {
                reply.status = "404 Not Found";
            }
            return reply;
        });
    }
    bool has(int run, const QByteArray& what) const { return reports.value(run).contains(what); }
    double time(int run, const QByteArray& what, const QString& name) const {
        return reports.value(run).value(what).queryItemValue(name).toDouble();
    }
    QString text(int run, const QByteArray& what, const QString& name) const {
        return reports.value(run).value(what).queryItemValue(name, QUrl::FullyDecoded);
    }
    QHash<int, QHash<QByteArray, QUrlQuery>> reports;
};

/// One DDE request to the bridge, as the window makes it: connect, request, disconnect. The page
/// server runs on this thread, so the calls wait with the event loop running.
QByteArray request(const QString& topic, const std::string& item) {
    return bridgeRequest(QStringLiteral("IExplore"), topic, QByteArray::fromStdString(item));
}

bool waitFor(const std::function<bool()>& done, int ms) {
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

/// Opens `url` in a new window and answers the window id (0: none).
quint32 openInNewWindow(const QString& url) {
    const std::string item = dde::buildItem(
        "QCS,QCS,DW,DW,QCS,QCS,CS", {dde::Value(url.toStdString()), std::nullopt, dde::Value(0u), dde::Value(0u),
                                     std::nullopt, std::nullopt, dde::Value(std::string("Bench"))});
    return dde::numberOf(dde::readReply(request(QStringLiteral("WWW_OpenURL"), item).toStdString(), "DW").at(0));
}

struct Filled {
    bool user = false, password = false, sent = false;
    std::string why;
};

Filled fillLogin(quint32 window, const QString& cardAddress) {
    const std::string item = dde::buildItem(
        "DW,QCS,QCS,QCS,BL", {dde::Value(window), dde::Value(cardAddress.toStdString()), dde::Value(std::string(kUser)),
                              dde::Value(std::string(kPassword)), dde::Value(true)});
    const auto answer = dde::readReply(request(QStringLiteral("QV_FillLogin"), item).toStdString(), "BL,BL,BL,QCS");
    return {dde::truthOf(answer.at(0)), dde::truthOf(answer.at(1)), dde::truthOf(answer.at(2)),
            dde::textOf(answer.at(3))};
}

struct Range {
    double median, low, high;
};
Range rangeOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.front(), values.back()};
}

void printRow(const char* what, const std::vector<double>& values, const char* target) {
    const Range r = rangeOf(values);
    std::printf("| %-52s | %8.1f ms | %8.1f - %-8.1f ms | %-8s |\n", what, r.median, r.low, r.high, target);
}

int fail(const char* what, int run, const Filled& filled = {}) {
    std::fprintf(stderr, "bench_login_fill: run %d: %s (answer: user %d, password %d, sent %d, \"%s\")\n", run, what,
                 filled.user, filled.password, filled.sent, filled.why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    runOnASessionBus(argc, argv, "bench_login_fill");
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int delay = argc > 2 ? std::max(0, std::atoi(argv[2])) : 300;
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) {
        std::fprintf(stderr, "bench_login_fill: chromium is not on PATH (scripts/setup installs it)\n");
        return 1;
    }

    QTemporaryDir profile;
    QProcess bridge;
    bridge.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bridge.start(QStringLiteral(QUORVANE_BRIDGE_PATH),
                 {QStringLiteral("--as"), QStringLiteral("IExplore"), QStringLiteral("--profile"), profile.path(),
                  chromium, QStringLiteral("--headless=new")});
    QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    if (!waitFor([&] { return bus->isServiceRegistered(kBusName).value(); }, 10000)) {
        std::fprintf(stderr, "bench_login_fill: quorvane-browser did not take its bus name\n");
        return 1;
    }
    Pages pages;
    auto stop = [&bridge](int code) {
        bridge.terminate();
        bridge.waitForFinished(5000);
        return code;
    };

    // 1. The form drawn late: from its insertion to the password typed. Run 0 warms the browser up.
    std::vector<double> toPassword, toUser, userToPassword, verbLate;
    for (int run = 0; run <= runs; ++run) {
        const int offset = run * 80 % 250 / 10 * 10;  // 0, 80, 160, 240, 70, 150, ...
        const QString url = pages.url(QStringLiteral("/login?run=%1&delay=%2").arg(run).arg(delay + offset));
        const quint32 window = openInNewWindow(url);
        if (window == 0)
            return stop(fail("WWW_OpenURL opened no window", run));
        QElapsedTimer clock;
        clock.start();
        const Filled filled = fillLogin(window, url);
        const double verb = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!filled.password || !filled.sent || !waitFor([&] { return pages.has(run, "/typed"); }, 10000))
            return stop(fail("the password was not typed", run, filled));
        if (pages.text(run, "/typed", QStringLiteral("userValue")) != QLatin1String(kUser) ||
            pages.text(run, "/typed", QStringLiteral("passwordValue")) != QLatin1String(kPassword))
            return stop(fail("the page got other text than the card's", run, filled));
        if (!waitFor([&] { return pages.has(run, "/sent"); }, 10000))
            return stop(fail("Enter did not send the form", run, filled));
        if (run == 0)
            continue;
        const double inserted = pages.time(run, "/typed", QStringLiteral("inserted"));
        const double user = pages.time(run, "/typed", QStringLiteral("user"));
        const double password = pages.time(run, "/typed", QStringLiteral("password"));
        toPassword.push_back(password - inserted);
        toUser.push_back(user - inserted);
        userToPassword.push_back(password - user);
        verbLate.push_back(verb);
    }

    // 2. The form already there when the verb comes: the verb's round trip.
    std::vector<double> verbReady;
    for (int run = runs + 1; run <= 2 * runs + 1; ++run) {
        const QString url = pages.url(QStringLiteral("/login?run=%1&delay=-1").arg(run));
        const quint32 window = openInNewWindow(url);
        if (window == 0)
            return stop(fail("WWW_OpenURL opened no window", run));
        if (!waitFor([&] { return pages.has(run, "/ready"); }, 10000))
            return stop(fail("the page did not load", run));
        QElapsedTimer clock;
        clock.start();
        const Filled filled = fillLogin(window, url);
        const double verb = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (!filled.password || !filled.sent)
            return stop(fail("the password was not typed", run, filled));
        if (run > runs + 1)  // the first is a warm-up
            verbReady.push_back(verb);
    }

    std::printf("QV_FillLogin through quorvane-browser and headless Chromium, %d runs, form drawn %d ms after load\n",
                runs, delay);
    std::printf("| %-52s | %11s | %-21s | %-8s |\n", "what", "median", "range", "target");
    printRow("form appears -> password typed (page's clock)", toPassword, "< 1000");
    printRow("  form appears -> user ID typed", toUser, "");
    printRow("  user ID typed -> password typed", userToPassword, "");
    printRow("verb call -> answer, form drawn late (incl. the wait)", verbLate, "");
    printRow("verb call -> answer, form already there", verbReady, "");
    return stop(0);
}
