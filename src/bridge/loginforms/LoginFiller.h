#pragma once
// Fills the login form of a browser window with a card's user ID and password, as a person would
// type them: a script in a world of its own finds the fields, each field is focused, the address
// of the frame that holds it is checked against the card's address, and only then the text goes in
// through the browser's own input (trusted input events; no value is ever set from the script).

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class BrowserWindows;

class LoginFiller : public QObject {
    Q_OBJECT
public:
    struct Request {
        QString cardAddress;  // the card's address, whose site alone may get the password
        QString userId;       // empty: the user field is left alone
        QString password;     // empty: the password field is left alone
        bool submit = false;  // press Enter in the password field once filled
        // The card's one-time code setup (an otpauth:// address), if it has one: when the login was
        // sent and the site then asks for a code, the code of the moment is typed and sent too.
        QString codeSetup;
    };
    struct Outcome {
        bool filledUser = false;
        bool filledPassword = false;
        bool submitted = false;
        bool filledCode = false;  // a one-time code was typed and sent after the login
        QString message;  // empty when all asked was done, else why not, for the status bar
        bool noForm = false;  // the page showed no login form within the wait
    };
    using Reply = std::function<void(const Outcome& outcome)>;

    /// `windows` must outlive the filler. A filler may go before its fills end: they then stop
    /// where they are and answer no more.
    explicit LoginFiller(BrowserWindows& windows, QObject* parent = nullptr);

    /// How long a page gets to show its login form after fill() is called (5 s unless changed).
    void setWaitMs(int ms) { m_waitMs = ms; }

    /// Fills the login form of window `id` (BrowserWindows::kLastActive: the last active one) and
    /// answers once, with what was done.
    void fill(quint32 id, const Request& request, Reply reply);

    /// The script that finds the fields, run in the page; exposed for the tests.
    static QString findScript();

private:
    struct Job;
    void send(const std::shared_ptr<Job>& job, const QString& method, const QJsonObject& params,
              std::function<void(const QJsonObject& result, bool ok)> done);
    void findFields(const std::shared_ptr<Job>& job);
    void findInFrames(const std::shared_ptr<Job>& job, QStringList frames);
    void fillField(const std::shared_ptr<Job>& job, bool user);
    void pressEnter(const std::shared_ptr<Job>& job, std::function<void()> then);
    void findCode(const std::shared_ptr<Job>& job);
    void findCodeInFrames(const std::shared_ptr<Job>& job, QStringList frames);
    void fillCode(const std::shared_ptr<Job>& job);
    void afterLogin(const std::shared_ptr<Job>& job);
    /// The frames of the page as they are now: the main frame first, then the frames in it.
    void listFrames(const std::shared_ptr<Job>& job, std::function<void(QStringList frames)> then);
    void finish(const std::shared_ptr<Job>& job, const QString& message);

    BrowserWindows& m_windows;
    int m_waitMs = 5000;
};
