// Fuzzes the card-document reader in every format it reads. The first input byte picks how the rest
// is presented: as a whole file, or wrapped as the body of one of the enciphered or old formats
// (enciphered with the fixed password, so the fuzzer reaches the card parser behind the password
// check). Whatever loads must save and load again to the same cards.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "cardstore/CardFile.h"
#include "crypto/Blowfish.h"
#include "crypto/Sha1.h"

namespace {

Bytes encipher(Bytes body) {
    body.resize(BlockCount(body.size()) * 8, 0);
    const BlowfishKey key(kFuzzPassword);
    key.EncryptAll(body.data(), body.size() / 8);
    return body;
}

Bytes withDigest(const std::uint8_t* data, std::size_t size) {
    Sha1Bytes digest = Sha1Digest(kFuzzPassword);
    Bytes body(digest.begin(), digest.end());
    body.insert(body.end(), data, data + size);
    return body;
}

Bytes currentHeader(std::uint8_t bodyKind) {
    Bytes h(kDocumentHeaderSize, 0);
    h[1] = 5;
    h[10] = 1;
    h[12] = bodyKind;
    h[14] = 'n';
    h[15] = 'V';
    h[16] = 'r';
    h[17] = 'Q';
    return h;
}

Bytes oldHeader(const char* marker, const char* version) {
    Bytes h;
    h.insert(h.end(), marker, marker + 9);
    h.insert(h.end(), version, version + 12);
    return h;
}

Bytes present(std::uint8_t mode, const std::uint8_t* data, std::size_t size) {
    Bytes file;
    auto append = [&file](const Bytes& b) { file.insert(file.end(), b.begin(), b.end()); };
    switch (mode % 7) {
        case 0:  // the raw file
            file.assign(data, data + size);
            break;
        case 1:  // current format, plain cards
            append(currentHeader(0));
            file.insert(file.end(), data, data + size);
            break;
        case 2:  // current format, enciphered body behind a correct digest
            append(currentHeader(1));
            append(encipher(withDigest(data, size)));
            break;
        case 3: {  // oldest format, enciphered, "XYZ" check
            append(oldHeader("ENCRYPTED", "Version1.001"));
            Bytes body{'X', 'Y', 'Z'};
            body.insert(body.end(), data, data + size);
            append(encipher(body));
            break;
        }
        case 4:  // old format, enciphered, digest check
            append(oldHeader("ENCRYPTED", "Version1.002"));
            append(encipher(withDigest(data, size)));
            break;
        case 5:  // oldest format, plain
            append(oldHeader("NTENCRYPT", "Version1.001"));
            file.insert(file.end(), {'X', 'Y', 'Z'});
            file.insert(file.end(), data, data + size);
            break;
        default:  // old format, plain
            append(oldHeader("NTENCRYPT", "Version1.002"));
            file.insert(file.end(), data, data + size);
            break;
    }
    return file;
}

std::vector<Card> allCards(const CardStore& store) {
    std::vector<Card> cards;
    std::vector<const CardList*> lists;
    for (int id : storedListOrder()) lists.push_back(store.GetCategoryList(id));
    lists.push_back(&store.unshownCards());
    for (const CardList* list : lists) {
        // Cards of numbers that are no category are saved in number order, so compare them so.
        std::vector<const Card*> ordered;
        for (int i = 0; i < list->GetCardCount(); ++i) ordered.push_back(list->GetCardAt(i));
        if (list == &store.unshownCards())
            std::stable_sort(ordered.begin(), ordered.end(),
                             [](const Card* a, const Card* b) { return a->categoryId < b->categoryId; });
        for (int i = 0; i < list->GetCardCount(); ++i) {
            Card c = *ordered[static_cast<std::size_t>(i)];
            // Memory-only fields do not travel through a file, and an imported card shows the date
            // text its old file held; the stamp carries the date.
            c.categoryName.clear();
            c.dateText.clear();
            c.listPosition = 0;
            cards.push_back(c);
        }
    }
    return cards;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Bytes file = present(data[0], data + 1, size - 1);

    FixedPrompter ui;
    CardStore store;
    LoadResult loaded = readCardDocument(file.data(), file.size(), "fuzz.qvf", store, ui, data[0] % 14 - 1);
    if (loaded.outcome != LoadOutcome::Loaded) return 0;

    // What was read must survive a save and a reload unchanged (in both forms the store chose).
    Bytes saved;
    if (!serializeCardDocument(store, saved, ui)) return 0;  // refused: a text too long to store
    CardStore again;
    LoadResult reloaded = readCardDocument(saved.data(), saved.size(), "fuzz.qvf", again, ui, data[0] % 14 - 1);
    if (reloaded.outcome != LoadOutcome::Loaded || allCards(store) != allCards(again)) std::abort();
    return 0;
}
