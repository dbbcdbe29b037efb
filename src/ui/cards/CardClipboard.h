#pragma once
// The system clipboard as the card commands use it: plain text only. Card texts are Windows-1252
// bytes; they cross to and from the clipboard's Unicode text here and nowhere else.

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>
#include <string>

class CardClipboard : public QObject {
    Q_OBJECT
public:
    explicit CardClipboard(QObject* parent = nullptr);
    /// A password still on the clipboard goes with the program.
    ~CardClipboard() override;

    /// Puts `text` on the clipboard; false, after "Cannot open the Clipboard.", when there is none.
    bool PutTextOnClipboard(const std::string& text);

    /// Puts a password on the clipboard, marked as secret so clipboard histories leave it out.
    /// With `clearAfterSeconds` > 0 the clipboard is emptied that much later, unless it holds
    /// something else by then.
    bool putPassword(const std::string& password, int clearAfterSeconds);

    /// Empties the clipboard if it still holds the password put there last (at lock and at exit).
    void forgetPassword();

    /// The clipboard's text as Windows-1252 bytes; nothing, after a message, when it holds no text
    /// or a character a card cannot store.
    std::optional<std::string> GetTextFromClipboard();

    /// The MIME type and value that mark clipboard contents as a password.
    static constexpr const char* kSecretHintType = "x-kde-passwordManagerHint";
    static constexpr const char* kSecretHintValue = "secret";

private:
    void clearPasswordIfStillThere();

    QTimer m_clearTimer;
    QString m_password;  // the password last put there, until it is cleared or replaced
};
