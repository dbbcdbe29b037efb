#include "ui/exchange/ExchangeCommands.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

#include "cardstore/Categories.h"
#include "common/SafeFile.h"
#include "docview/DocManager.h"
#include "exchange/CardExport.h"
#include "exchange/CardImport.h"
#include "prefs/PreferenceValues.h"
#include "prefs/SettingKeys.h"
#include "ui/cards/QuorvaneDoc.h"
#include "ui/common/GuiPrompter.h"
#include "ui/exchange/ExportDlg.h"
#include "ui/frame/CommandIds.h"
#include "ui/frame/CommandTable.h"
#include "ui/frame/MainFrame.h"

namespace {

const QString kImportTitle = QStringLiteral("Import Cards");
const QString kExportTitle = QStringLiteral("Export Cards");
// Export files are small; anything far larger is no export.
constexpr std::uint64_t kMaxImportBytes = 256ull << 20;

std::string localPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString countText(std::size_t count) {
    return count == 1 ? QStringLiteral("1 card") : QStringLiteral("%1 cards").arg(count);
}

// One message: how many cards went into which categories, which groups went elsewhere, what was
// left out.
QString importReport(const QString& name, const ImportBatch& batch, std::size_t total,
                     const std::map<std::string, int>& counts) {
    QString text = QStringLiteral("%1 imported from %2 (read as %3):\n")
                       .arg(countText(total), name, QString::fromStdString(batch.source));
    for (const auto& [category, count] : counts)
        text += QStringLiteral("\n%1 into %2").arg(count).arg(QString::fromStdString(category));
    bool first = true;
    for (const auto& [group, categories] : batch.groups) {
        if (categories.size() == 1 && categories.begin()->first == group)
            continue;
        if (group.empty() && batch.groups.size() == 1)
            continue;  // a file without groups (a browser's)
        if (first)
            text += QStringLiteral("\n\nGroups and folders:");
        first = false;
        QStringList to;
        for (const auto& [category, count] : categories)
            to << QStringLiteral("%1 (%2)").arg(QString::fromStdString(category)).arg(count);
        text += QStringLiteral("\n%1 went to %2")
                    .arg(group.empty() ? QStringLiteral("(no group)") : "\"" + QString::fromStdString(group) + "\"",
                         to.join(QStringLiteral(", ")));
    }
    if (batch.leftOut.empty()) {
        text += QStringLiteral("\n\nNothing was left out.");
    } else {
        text += QStringLiteral("\n\nLeft out:");
        for (const std::string& what : batch.leftOut)
            text += QStringLiteral("\n- ") + QString::fromStdString(what);
    }
    return text;
}

void onImport(CMainFrame& frame) {
    const QString path = guiPrompter().openFileName(
        kImportTitle, {QStringLiteral("Exports of password managers and browsers (*.csv *.json *.CSV *.JSON)"),
                       QStringLiteral("All files (*)")});
    if (path.isEmpty())
        return;
    const QString name = QFileInfo(path).fileName();
    std::string error;
    auto bytes = readWholeFile(localPath(path), &error, kMaxImportBytes);
    if (!bytes) {
        guiPrompter().message(QStringLiteral("Nothing was imported: %1").arg(QString::fromStdString(error)),
                              kImportTitle, GuiPrompter::Icon::Warning);
        return;
    }
    ImportBatch batch = importCards(std::string(bytes->begin(), bytes->end()), name.toStdString());
    if (!batch.ok()) {
        guiPrompter().message(QString::fromStdString(batch.error) + QStringLiteral("\n\nNothing was imported."),
                              kImportTitle, GuiPrompter::Icon::Warning);
        return;
    }
    if (batch.cards.empty()) {
        guiPrompter().message(QStringLiteral("%1 holds no cards. Nothing was imported.").arg(name), kImportTitle,
                              GuiPrompter::Icon::Information);
        return;
    }
    CQuorvaneDoc* document = frame.activeCardDocument();
    if (!document && frame.docManager()) {
        frame.docManager()->OnFileNew();
        document = frame.activeCardDocument();
    }
    if (!document)
        return;
    const std::size_t total = batch.cards.size();
    const auto counts =
        addImportedCards(batch, document->store(), readSetting(frame.settings(), settings::kDateFormat));
    document->SetModifiedFlag();
    document->UpdateAllViews(nullptr);
    frame.updateCommandStates();
    guiPrompter().message(importReport(name, batch, total, counts), kImportTitle, GuiPrompter::Icon::Information);
}

void onExport(CMainFrame& frame) {
    CQuorvaneDoc* document = frame.activeCardDocument();
    if (!document)
        return;
    CExportDlg dialog(dialogParent());
    if (guiPrompter().exec(dialog) != QDialog::Accepted)
        return;
    const CExportDlg::Choice choice = dialog.choice();
    if (!guiPrompter().okCancel(QStringLiteral("The exported file will hold your cards and passwords unencrypted: "
                                               "anyone who can read the file can read them. Keep it safe and delete "
                                               "it when you are done."),
                                kExportTitle, GuiPrompter::Icon::Warning))
        return;
    const bool json = choice.format == ExchangeFormat::Json;
    const QString base = QFileInfo(document->GetPathName().isEmpty() ? document->GetTitle() : document->GetPathName())
                             .completeBaseName();
    const QString path =
        guiPrompter().saveFileName(kExportTitle, base + (json ? QStringLiteral(".json") : QStringLiteral(".csv")),
                                   {json ? QStringLiteral("JSON files (*.json)") : QStringLiteral("CSV files (*.csv)"),
                                    QStringLiteral("All files (*)")});
    if (path.isEmpty())
        return;
    const CardStore& store = document->store();
    const std::string text = json ? exportJson(store) : exportCsv(store, choice.layout);
    // A file replaced keeps its permissions: make them owner-only first, as for a new file.
    const std::string target = localPath(path);
    if (fileExists(target))
        ::chmod(target.c_str(), S_IRUSR | S_IWUSR);
    const FileResult written = writeFileSafely(target, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (!written.ok) {
        guiPrompter().message(
            QStringLiteral("The cards were not exported: %1").arg(QString::fromStdString(written.error)), kExportTitle,
            GuiPrompter::Icon::Warning);
        return;
    }
    int cards = 0;
    for (int id = 0; id < kCategoryCount; ++id)
        cards += store.GetCategoryList(id)->GetCardCount();
    QString report = QStringLiteral("%1 written to %2.").arg(countText(static_cast<std::size_t>(cards)), path);
    const int deleted = store.GetCategoryList(kDeletedCategoryId)->GetCardCount();
    if (deleted > 0)
        report += json ? QStringLiteral(" The deleted cards (%1) are in it too.").arg(deleted)
                       : QStringLiteral(" The deleted cards (%1) were left out.").arg(deleted);
    guiPrompter().message(report, kExportTitle, GuiPrompter::Icon::Information);
}

}  // namespace

void installExchangeCommands(CMainFrame& frame) {
    CommandTable& c = frame.commands();
    CMainFrame* f = &frame;
    c.setHandler(cmd::FileImport, [f] { onImport(*f); });
    c.setEnableRule(cmd::FileExport, [f] {
        const CQuorvaneDoc* document = f->activeCardDocument();
        return document && document->hasCards();
    });
    c.setHandler(cmd::FileExport, [f] { onExport(*f); });
}
