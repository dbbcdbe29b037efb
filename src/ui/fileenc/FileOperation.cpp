#include "common/Wipe.h"
#include "ui/fileenc/FileOperation.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <mutex>
#include <thread>

#include "ui/common/GuiPrompter.h"
#include "ui/fileenc/FilePassword.h"

namespace {

int g_dialogDelayMs = 500;

/// Runs `call` on the window's thread and waits for it.
template <class Call>
void onWindowThread(Call&& call) {
    QMetaObject::invokeMethod(qApp, std::forward<Call>(call), Qt::BlockingQueuedConnection);
}

/// The core's messages and questions, asked from the working thread and answered in the window.
class WindowPrompter : public Prompter {
public:
    void showMessage(const std::string& text) override {
        onWindowThread([&] { guiPrompter().showMessage(text); });
    }
    std::optional<std::string> askPassword(const std::string& title) override {
        std::optional<std::string> answer;
        onWindowThread([&] { answer = guiPrompter().askPassword(title); });
        return answer;
    }
    bool confirmReplace(const std::string& path) override {
        bool answer = false;
        onWindowThread([&] { answer = guiPrompter().confirmReplace(path); });
        return answer;
    }
};

QString byteCount(std::uint64_t bytes) { return QLocale().toString(static_cast<qulonglong>(bytes)); }

QString timeLeft(qint64 seconds) {
    if (seconds < 60) {
        return QStringLiteral("About %1 seconds left").arg(std::max<qint64>(seconds, 1));
    }
    if (seconds < 3600) {
        return QStringLiteral("About %1 minutes left").arg((seconds + 30) / 60);
    }
    return QStringLiteral("About %1 hours %2 minutes left").arg(seconds / 3600).arg((seconds % 3600 + 30) / 60);
}

/// The progress dialog and what it shows; lives on the window's thread.
class Progress {
public:
    Progress(FileOperationKind kind, const QString& file, QWidget* parent) : m_kind(kind), m_file(file), m_parent(parent) {
        m_clock.start();
    }
    ~Progress() { delete m_dialog.data(); }

    /// Called for each chunk: updates the dialog once it is up; false once Cancel was pressed.
    bool report(std::uint64_t done, std::uint64_t total) {
        m_done = done;
        m_total = total;
        if (!m_dialog && m_clock.elapsed() >= g_dialogDelayMs) {
            show();
        }
        if (m_dialog) {
            update();
        }
        return !m_cancelled;
    }

    void show() {
        if (m_dialog) {
            return;
        }
        auto* dialog = new QProgressDialog(m_parent);
        m_dialog = dialog;
        dialog->setWindowTitle(m_kind == FileOperationKind::Encrypt ? QStringLiteral("Encrypt File")
                                                                     : QStringLiteral("Decrypt File"));
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        dialog->setMinimumDuration(0);
        dialog->setRange(0, 1000);
        dialog->setMinimumWidth(360);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
        dialog->setCancelButton(cancel);
        // Escape and Cancel stop the work; the dialog stays until the work has wound down.
        QObject::connect(dialog, &QProgressDialog::canceled, dialog, [this] {
            m_cancelled = true;
            if (m_dialog) {
                m_dialog->setLabelText(QStringLiteral("Cancelling..."));
                m_dialog->show();
            }
        });
        update();
        guiPrompter().show(*dialog);
    }

    void update() {
        if (m_cancelled) {
            return;
        }
        const QString verb = m_kind == FileOperationKind::Encrypt ? QStringLiteral("Encrypting") : QStringLiteral("Decrypting");
        QString text = QStringLiteral("%1 %2\n%3 of %4 bytes done").arg(verb, m_file, byteCount(m_done), byteCount(m_total));
        const qint64 elapsed = m_clock.elapsed();
        if (m_done > 0 && m_done < m_total && elapsed > 0) {
            const double rate = static_cast<double>(m_done) / static_cast<double>(elapsed);  // bytes per ms
            text += '\n' + timeLeft(static_cast<qint64>(static_cast<double>(m_total - m_done) / rate / 1000.0));
        } else if (m_done >= m_total) {
            text += QStringLiteral("\nFinishing...");
        }
        m_dialog->setLabelText(text);
        m_dialog->setValue(m_total == 0 ? 1000 : static_cast<int>(m_done * 1000 / m_total));
    }

    QProgressDialog* dialog() const { return m_dialog; }

private:
    FileOperationKind m_kind;
    QString m_file;
    QWidget* m_parent;
    QPointer<QProgressDialog> m_dialog;
    QElapsedTimer m_clock;
    std::uint64_t m_done = 0;
    std::uint64_t m_total = 0;
    bool m_cancelled = false;
};

}  // namespace

void setProgressDialogDelay(int milliseconds) { g_dialogDelayMs = milliseconds; }

FileOpResult runFileOperation(FileOperationKind kind, FileEncryptionState& state, QWidget* parent) {
    // The work gets a copy of the state: the window's own stays as it is until the work is over.
    FileEncryptionState work = state;
    Progress progress(kind, QFileInfo(QString::fromStdString(state.SelectedFile)).fileName(), parent);
    WindowPrompter prompter;
    FileOpResult result;
    QEventLoop loop;
    bool finished = false;

    // Each chunk asks the window whether to go on, so Cancel takes effect at the very next chunk.
    const FileProgress report = [&](std::uint64_t done, std::uint64_t total) {
        bool goOn = true;
        onWindowThread([&] { goOn = progress.report(done, total); });
        return goOn;
    };
    std::thread worker([&] {
        result = kind == FileOperationKind::Encrypt ? EncryptSelectedFile(work, prompter, report)
                                                    : DecryptSelectedFile(work, prompter, report);
        QMetaObject::invokeMethod(&loop, [&] {
            finished = true;
            loop.quit();
        }, Qt::QueuedConnection);
    });

    // Until the dialog is up the window takes no input (it is kept for later); once the dialog is up,
    // being modal, it keeps the input from the window itself.
    QTimer showTimer;
    showTimer.setSingleShot(true);
    QObject::connect(&showTimer, &QTimer::timeout, &loop, [&] {
        if (!finished) {
            loop.quit();
        }
    });
    showTimer.start(g_dialogDelayMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished) {
        progress.show();
        loop.exec();
    }
    worker.join();

    if (result.outputWritten()) {
        state.SelectedFile = work.SelectedFile;
        state.CanEncrypt = work.CanEncrypt;
        state.IsEncrypted = work.IsEncrypted;
    }
    wipeSecret(work.FileEncryptionPassword);
    return result;
}
