#include "ScriptedHarness.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMdiArea>
#include <memory>

#include "docview/MdiChildFrame.h"
#include "cardstore/CardFile.h"
#include "cardstore/CardStore.h"
#include "prefs/MemorySettings.h"
#include "prefs/SettingKeys.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"
#include "ui/common/QtText.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/cards/QuorvaneListView.h"
#include "ui/cards/QuorvaneView.h"

namespace {

class SilentPrompter : public Prompter {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override { return std::nullopt; }
    bool confirmReplace(const std::string&) override { return true; }
};

std::unique_ptr<SettingsStore> makeSettings(MemorySettings*& out, const std::function<void(MemorySettings&)>& preset) {
    auto settings = std::make_unique<MemorySettings>();
    // Tests start as a returning user: the first-start browser lookup has its own test.
    writeSetting(*settings, settings::kHasStartedBefore, 1);
    if (preset) {
        preset(*settings);
    }
    out = settings.get();
    return settings;
}

}  // namespace

void writeCardFile(const QString& path, const QList<CardSpec>& cards, const QString& password, bool strong) {
    CardStore store;
    for (const CardSpec& spec : cards) {
        auto card = std::make_unique<Card>();
        card->categoryId = static_cast<std::uint8_t>(spec.categoryId);
        card->firstField = *toCardText(spec.first);
        card->secondField = *toCardText(spec.second);
        card->thirdField = *toCardText(spec.third);
        card->fourthField = *toCardText(spec.fourth);
        card->note = *toCardText(spec.note);
        card->dateStamp = 3'786'825'600u;  // 2024-01-01
        store.GetCategoryList(spec.categoryId)->AddCard(std::move(card));
    }
    if (!password.isEmpty() &&
        !setEncryptionPassword(store, *toCardText(password), strong ? EncryptionForm::Strong : EncryptionForm::Old)) {
        qFatal("cannot derive a key for %s", qPrintable(path));
    }
    SilentPrompter silent;
    const SaveResult result = saveCardDocument(QFile::encodeName(path).toStdString(), store, silent);
    if (result.outcome != SaveOutcome::Saved) {
        qFatal("cannot write fixture %s", qPrintable(path));
    }
}

Harness::Harness(const QStringList& arguments, const std::function<void(MemorySettings&)>& preset,
                 const std::function<void(ScriptedPrompter&)>& script)
    : app(makeSettings(settings, preset)) {
    if (script) {
        script(prompter);
    }
    app.InitInstance(arguments, CQuorvaneApp::Options{false});
}

Harness::~Harness() = default;

CMainFrame* Harness::frame() const { return app.mainFrame(); }

bool Harness::enabled(int commandId) const {
    frame()->updateCommandStates();
    return frame()->commandAction(commandId)->isEnabled();
}

bool Harness::run(int commandId) {
    if (!enabled(commandId)) {
        return false;
    }
    frame()->commandAction(commandId)->trigger();
    QCoreApplication::processEvents();
    return true;
}

CQuorvaneDoc* Harness::open(const QString& file) {
    prompter.openNames.append(file);
    frame()->commands().execute(57601);
    QCoreApplication::processEvents();
    return doc();
}

CQuorvaneDoc* Harness::doc() const { return frame()->activeCardDocument(); }

CQuorvaneView* Harness::tree() const { return frame()->activeCategoryTree(); }

CQuorvaneListView* Harness::list() const {
    MdiChildFrame* child = frame()->activeChildFrame();
    if (!child) {
        return nullptr;
    }
    for (View* view : child->views()) {
        if (auto* list = dynamic_cast<CQuorvaneListView*>(view)) {
            return list;
        }
    }
    return nullptr;
}

QModelIndex Harness::cardItem(int categoryId, const QString& name) const {
    const QModelIndex category = tree()->GetCategoryItemAt(categoryId);
    for (int i = 0; i < tree()->childCount(category); ++i) {
        if (tree()->itemText(tree()->child(category, i)) == name) {
            return tree()->child(category, i);
        }
    }
    return QModelIndex();
}

int Harness::childFrameCount() const { return static_cast<int>(frame()->mdiArea()->subWindowList().size()); }

std::optional<std::string> FileReader::askPassword(const std::string&) {
    return m_password.isEmpty() ? std::nullopt : toCardText(m_password);
}

namespace {
QStringList namesOf(const CardList* list) {
    QStringList names;
    for (int i = 0; list && i < list->GetCardCount(); ++i) {
        names.append(fromCardText(list->GetCardAt(i)->firstField));
    }
    return names;
}
}  // namespace

QStringList namesOnDisk(const QString& path, const QString& password) {
    CardStore store;
    FileReader reader(password);
    if (loadCardDocument(QFile::encodeName(path).toStdString(), store, reader, 0).outcome != LoadOutcome::Loaded) {
        return {QStringLiteral("<unreadable>")};
    }
    return namesOf(store.GetCategoryList(0));
}

QStringList Harness::namesInWindow() const { return namesOf(doc()->GetCategoryList(0)); }
