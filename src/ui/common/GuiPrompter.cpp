#include "ui/common/GuiPrompter.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <utility>

#include "ui/common/DecryptPasswordDlg.h"
#include "ui/common/DialogPrompter.h"
#include "ui/common/QtText.h"

namespace {
GuiPrompter* g_installed = nullptr;
QPointer<QWidget> g_dialogParent;

/// Notices waiting for the main window to appear; shown once it has.
class PendingNotices : public QObject {
public:
    void add(QWidget* window, const QString& text, GuiPrompter::Icon icon) {
        m_notices.append({text, icon});
        if (m_window != window) {
            if (m_window) {
                m_window->removeEventFilter(this);
            }
            m_window = window;
            window->installEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_window && event->type() == QEvent::Show) {
            m_window->removeEventFilter(this);
            m_window = nullptr;
            // After the show has been handled, so the box comes up over the window.
            QTimer::singleShot(0, this, [this] {
                const QList<Notice> notices = std::exchange(m_notices, {});
                for (const Notice& notice : notices) {
                    guiPrompter().message(notice.text, QString(), notice.icon);
                }
            });
        }
        return false;
    }

public:
    bool waiting() const { return !m_notices.isEmpty(); }

private:
    struct Notice {
        QString text;
        GuiPrompter::Icon icon;
    };
    QPointer<QWidget> m_window;
    QList<Notice> m_notices;
};

PendingNotices& pendingNotices() {
    static PendingNotices notices;
    return notices;
}

class Forwarder : public DocPrompter {
public:
    void message(const QString& text, const QString& caption, Icon icon) override {
        guiPrompter().message(text, caption, icon);
    }
    Answer question(const QString& text, bool withCancel, const QString& caption) override {
        return guiPrompter().question(text, withCancel, caption);
    }
    QString openFileName(const QString& caption, const QStringList& filters) override {
        return guiPrompter().openFileName(caption, filters);
    }
    QString saveFileName(const QString& caption, const QString& suggested, const QStringList& filters) override {
        return guiPrompter().saveFileName(caption, suggested, filters);
    }
};
}  // namespace

void GuiPrompter::showMessage(const std::string& text) { message(QString::fromStdString(text)); }

std::optional<std::string> GuiPrompter::askPassword(const std::string& title) {
    for (;;) {
        DecryptPasswordDlg dlg(QString::fromStdString(title), dialogParent());
        if (exec(dlg) != QDialog::Accepted) {
            return std::nullopt;
        }
        QString error;
        QString typed = takeSecretText(*dlg.passwordField());
        std::optional<std::string> bytes = toCardText(typed, &error);
        wipeSecret(typed);
        if (bytes) {
            return bytes;
        }
        message(error);
    }
}

int GuiPrompter::choose(const QString&, const QStringList&, int, int escapeButton, const QString&) {
    return escapeButton;
}

bool GuiPrompter::confirmReplace(const std::string& path) {
    return question(QString::fromStdString(replaceQuestionText(path)), false) == Answer::Yes;
}

GuiPrompter& guiPrompter() {
    static DialogPrompter dialogs;
    return g_installed ? *g_installed : dialogs;
}

GuiPrompter* installGuiPrompter(GuiPrompter* prompter) {
    GuiPrompter* previous = g_installed;
    g_installed = prompter;
    return previous;
}

DocPrompter& docPrompterForwarder() {
    static Forwarder forwarder;
    return forwarder;
}

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) {
        return modal;
    }
    return g_dialogParent ? g_dialogParent.data() : QApplication::activeWindow();
}

void setDialogParent(QWidget* window) { g_dialogParent = window; }

bool noticesWaiting() { return pendingNotices().waiting(); }

void showNotice(const QString& text, GuiPrompter::Icon icon) {
    if (g_dialogParent && !g_dialogParent->isVisible()) {
        pendingNotices().add(g_dialogParent, text, icon);
        return;
    }
    guiPrompter().message(text, QString(), icon);
}

std::optional<std::string> NoticeCollector::askPassword(const std::string& title) {
    setBusy(false);
    showHeld();
    std::optional<std::string> typed = m_questions.askPassword(title);
    setBusy(typed.has_value());
    return typed;
}

void NoticeCollector::setBusy(bool busy) {
    if (busy != m_busy) {
        busy ? QApplication::setOverrideCursor(Qt::WaitCursor) : QApplication::restoreOverrideCursor();
        m_busy = busy;
    }
}

bool NoticeCollector::confirmReplace(const std::string& path) {
    setBusy(false);
    showHeld();
    return m_questions.confirmReplace(path);
}

void NoticeCollector::release(bool opened) {
    setBusy(false);
    if (!opened) {
        showHeld();
        return;
    }
    for (const std::string& text : std::exchange(m_held, {})) {
        showNotice(QString::fromStdString(text));
    }
}

void NoticeCollector::showHeld() {
    for (const std::string& text : std::exchange(m_held, {})) {
        m_questions.showMessage(text);
    }
}
