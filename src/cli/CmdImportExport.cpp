// export and import: the commands around the exchange formats (exchange/CardImport.h, CardExport.h).
#include <sys/stat.h>

#include <iostream>
#include <sstream>

#include "cardstore/CardFile.h"
#include "cli/CardEditing.h"
#include "cli/DocumentAccess.h"
#include "common/SafeFile.h"
#include "exchange/CardExport.h"
#include "exchange/CardImport.h"

namespace {

// Writes `text` to `path` (owner-only) or standard output.
bool writeExport(const ExportOptions& options, const std::string& text) {
    if (options.output.empty()) {
        std::cout << text << std::flush;
        return static_cast<bool>(std::cout);
    }
    if (fileExists(options.output)) {
        if (!options.force) {
            std::cerr << options.output << " already exists (use --force to replace it).\n";
            return false;
        }
        // The replacement takes the old file's permissions: make them owner-only first.
        ::chmod(options.output.c_str(), S_IRUSR | S_IWUSR);
    }
    FileResult written =
        writeFileSafely(options.output, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    if (!written.ok) {
        std::cerr << written.error << '\n';
        return false;
    }
    return true;
}

}  // namespace

int cmdExport(const ExportOptions& options) {
    TerminalPrompter ui;
    if (!usePasswordSource(ui, options.password)) return 1;
    if (!options.output.empty() && fileExists(options.output) && !options.force) {
        std::cerr << options.output << " already exists (use --force to replace it).\n";
        return 1;
    }
    std::string text;
    if (options.format == ExchangeFormat::Json) {
        CardDocumentIndex index;
        LoadResult result;
        if (!indexForCommand(options.file, index, ui, 0, result)) return 1;
        std::ostringstream out;
        writeDocumentJson(out, index, result, 0);
        text = out.str();
    } else {
        CardStore store;
        LoadResult result;
        if (!loadForCommand(options.file, store, ui, 0, result)) return 1;
        text = exportCsv(store, options.layout);
        if (const int deleted = store.GetCategoryList(kDeletedCategoryId)->GetCardCount())
            std::cerr << deleted << " deleted card(s) were left out of the CSV.\n";
    }
    if (!writeExport(options, text)) return 1;
    std::cerr << "Warning: " << (options.output.empty() ? std::string("the output") : options.output)
              << " holds your cards and passwords unencrypted. Keep it safe and delete it when you are done.\n";
    return 0;
}

int cmdImport(const ImportOptions& options) {
    std::string error;
    auto bytes = readWholeFile(options.input, &error);
    if (!bytes) {
        std::cerr << error << '\n';
        return 1;
    }
    ImportBatch batch =
        importCards(std::string(bytes->begin(), bytes->end()), options.input, {options.format, options.layout});
    if (!batch.ok()) {
        std::cerr << batch.error << "\nNothing was imported.\n";
        return 1;
    }

    DocumentChange doc;
    if (!doc.open(options.file, options.password, options.force, true))
        return 1;
    // Every card is made before the first is added, and the document is written once: an import
    // happens whole or not at all.
    const std::size_t total = batch.cards.size();
    const std::map<std::string, int> counts = addImportedCards(batch, doc.store);
    if (!doc.save()) {
        std::cerr << "Nothing was imported.\n";
        return 1;
    }
    std::cerr << "Read " << options.input << " as " << batch.source << ".\n";
    for (const std::string& line : importSummary(batch, counts))
        std::cerr << line << '\n';
    std::cerr << total << " card(s) imported into " << options.file << ".\n";
    return 0;
}
