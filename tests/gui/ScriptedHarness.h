#pragma once
// Shared set-up for GUI tests: card files written through the core, and a started program with
// its settings in memory and a scripted prompter installed.

#include <QList>
#include <QModelIndex>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

#include "ScriptedPrompter.h"
#include "common/Prompter.h"
#include "app/QuorvaneApp.h"

class CMainFrame;
class CQuorvaneDoc;
class CQuorvaneListView;
class CQuorvaneView;
class MemorySettings;

struct CardSpec {
    int categoryId;
    QString first;
    QString second = {};
    QString third = {};
    QString fourth = {};
    QString note = {};
};

/// Writes a card document holding `cards` (encrypted under `password` when one is given, in the old
/// form unless `strong`).
void writeCardFile(const QString& path, const QList<CardSpec>& cards, const QString& password = QString(),
                   bool strong = false);

/// The core's prompter for reading a file back as another program would: every password question is
/// answered with `password` (none when it is empty), messages are dropped.
class FileReader : public Prompter {
public:
    explicit FileReader(const QString& password = {}) : m_password(password) {}
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override;
    bool confirmReplace(const std::string&) override { return false; }

private:
    QString m_password;
};

/// The names of the WWW Sites cards in the file, read by the core under `password`; "<unreadable>"
/// when it cannot be read.
QStringList namesOnDisk(const QString& path, const QString& password = {});

class Harness {
public:
    /// Starts the program with `arguments`; `preset` may fill the settings first, and `script` may
    /// script the prompter for what start-up asks.
    explicit Harness(const QStringList& arguments = {}, const std::function<void(MemorySettings&)>& preset = {},
                     const std::function<void(ScriptedPrompter&)>& script = {});
    ~Harness();

    ScriptedPrompter prompter;
    QTemporaryDir dir;
    MemorySettings* settings = nullptr;
    CQuorvaneApp app;

    CMainFrame* frame() const;
    QString path(const QString& name) const { return dir.filePath(name); }
    /// The enable state after a fresh evaluation of the rules.
    bool enabled(int commandId) const;
    /// Triggers the command's action as a menu click would; false when it was disabled.
    bool run(int commandId);
    /// Opens a file through File Open.
    CQuorvaneDoc* open(const QString& path);

    CQuorvaneDoc* doc() const;
    CQuorvaneView* tree() const;
    CQuorvaneListView* list() const;
    /// The card item named `name` under category `categoryId`.
    QModelIndex cardItem(int categoryId, const QString& name) const;
    int childFrameCount() const;
    /// The names of the WWW Sites cards of the active document, in list order.
    QStringList namesInWindow() const;
};
