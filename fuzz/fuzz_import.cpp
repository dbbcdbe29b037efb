// Fuzzes what import reads: the first input byte picks the form (this program's CSV layout, the
// KeePassXC layout, the Bitwarden layout, or JSON as dump writes it; from 0x80 on, whatever the content
// is recognised as, every other program's layout included), the rest is the file. Whatever
// import accepts must go into a document that saves and loads back to the same cards, and export in
// the same form must give a file that imports back to those cards again.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "cardstore/CardFile.h"
#include "cardstore/DateStamp.h"
#include "cli/DocumentAccess.h"
#include "common/SafeFile.h"
#include "exchange/CardExport.h"
#include "exchange/CardImport.h"

namespace {

constexpr int kIsoDateFormat = 4;

const std::string& workFile() {
    static const std::string file = [] {
        std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
        std::string tmpl = base + "/quorvane-fuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data())) std::abort();
        return tmpl + "/import.qvf";
    }();
    return file;
}

// A card as the lists hold it, without what only memory keeps. CSV carries a card's category and
// texts, and this program's layout the day of its date too; JSON carries everything.
struct Seen {
    int list;
    Card card;
    bool operator==(const Seen&) const = default;
};

enum class Kept { Everything, TextsAndDay, Texts };

// CSV carries a note's line breaks as line feeds, and import reads a line feed after a carriage
// return as a CR LF already: carriage returns just before a line feed are not kept through CSV.
std::string lineBreaksOf(const std::string& note) {
    std::string out;
    for (std::size_t i = 0; i < note.size(); ++i) {
        std::size_t j = i;
        while (j < note.size() && note[j] == '\r') ++j;
        if (j > i && j < note.size() && note[j] == '\n') {
            i = j - 1;  // the run of carriage returns goes
            continue;
        }
        out += note[i];
    }
    return out;
}

std::vector<Seen> cardsOf(const CardStore& store, Kept kept) {
    std::vector<Seen> seen;
    auto add = [&](int list, const CardList& cards) {
        for (int i = 0; i < cards.GetCardCount(); ++i) {
            Card c = *cards.GetCardAt(i);
            c.categoryName.clear();
            c.dateText = kept == Kept::TextsAndDay ? FormatDateStamp(c.dateStamp, kIsoDateFormat) : std::string();
            if (kept != Kept::Everything) {
                c.dateStamp = 0;
                c.legacyFlags = 0;
                c.stateFlags = 0;
                c.automaticAccess = c.newBrowserWindow = 0;  // bits of the state flags, which CSV leaves out
                c.extraValue = 0;
                c.note = lineBreaksOf(c.note);
            }
            c.listPosition = 0;
            seen.push_back({list, c});
        }
    };
    for (int id : storedListOrder()) add(id, *store.GetCategoryList(id));
    // Cards of numbers that are no category are saved in number order, so compare them so.
    const std::size_t shown = seen.size();
    add(-1, store.unshownCards());
    std::stable_sort(seen.begin() + static_cast<std::ptrdiff_t>(shown), seen.end(),
                     [](const Seen& a, const Seen& b) { return a.card.categoryId < b.card.categoryId; });
    return seen;
}

constexpr std::uint8_t kRecognised = 4;

ImportBatch importText(const std::string& text, std::uint8_t form) {
    if (form == kRecognised) return importCards(text, "input");
    if (form == 3) return importCards(text, "input", {ExchangeFormat::Json, std::nullopt});
    return importCards(text, "input", {ExchangeFormat::Csv, static_cast<CsvLayout>(form)});
}

// The document as export writes it in the same form.
std::string exportText(const CardStore& store, std::uint8_t form) {
    if (form != 3) return exportCsv(store, static_cast<CsvLayout>(form));
    FixedPrompter ui;
    SaveResult saved = saveCardDocument(workFile(), store, ui);
    if (saved.outcome != SaveOutcome::Saved) std::abort();
    CardDocumentIndex index;
    LoadResult result = indexCardDocument(workFile(), index, ui, 0);
    if (result.outcome != LoadOutcome::Loaded) std::abort();
    std::ostringstream out;
    writeDocumentJson(out, index, result, 0);
    return out.str();
}

Kept keptBy(std::uint8_t form) {
    return form == 3 ? Kept::Everything : form == 0 ? Kept::TextsAndDay : Kept::Texts;
}

std::vector<Seen> shownCards(std::vector<Seen> cards) {
    std::erase_if(cards, [](const Seen& c) { return c.list < 0 || c.list >= kCategoryCount; });
    return cards;
}

void reimportsTheSame(const CardStore& store, std::uint8_t form) {
    const std::string exported = exportText(store, form);
    ImportBatch batch = importText(exported, form);
    if (!batch.ok()) std::abort();
    CardStore again;
    addImportedCards(batch, again);
    const Kept kept = keptBy(form);
    if (form == 3 ? cardsOf(again, kept) != cardsOf(store, kept)
                  : cardsOf(again, kept) != shownCards(cardsOf(store, kept)))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // What import says about a bad file goes to standard error; here nobody reads it.
    static const bool quiet = [] {
        std::cerr.setstate(std::ios::badbit);
        return true;
    }();
    (void)quiet;
    const std::uint8_t form = data[0] >= 0x80 ? kRecognised : data[0] % 4;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    ImportBatch batch = importText(text, form);
    if (!batch.ok()) return 0;
    CardStore store;
    addImportedCards(batch, store);

    // What was imported saves, and loads back the same.
    FixedPrompter ui;
    Bytes saved;
    if (!serializeCardDocument(store, saved, ui)) std::abort();
    CardStore loaded;
    if (readCardDocument(saved.data(), saved.size(), "import.qvf", loaded, ui, 0).outcome != LoadOutcome::Loaded ||
        cardsOf(loaded, Kept::Everything) != cardsOf(store, Kept::Everything))
        std::abort();

    // Export and import again: the same cards. JSON keeps every card; what it imported also goes
    // through each CSV layout, which keeps the cards of the fifteen categories.
    // What the content was recognised as comes back through this program's own JSON.
    reimportsTheSame(store, form == kRecognised ? 3 : form);
    if (form == 3 || form == kRecognised)
        for (std::uint8_t layout = 0; layout < 3; ++layout) reimportsTheSame(store, layout);
    return 0;
}
