#include "cardstore/CardFile.h"

#include <cstring>

#include "cardstore/CardFileParts.h"
#include "cardstore/StrongBody.h"
#include "common/SafeFile.h"

using namespace cardfile;

namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

LoadResult readCurrentDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                               CardStore& store, Prompter& ui, const RecordSink& sink) {
    LoadResult result;
    result.format = CardFileFormat::Current;
    const std::uint8_t kind = data[kBodyKindOffset];
    const std::uint8_t* body = data + kDocumentHeaderSize;
    const std::size_t bodySize = size - kDocumentHeaderSize;

    if (kind == kBodyPlain) {
        sink(body, bodySize, 0, false, file);
        result.outcome = LoadOutcome::Loaded;
        return result;
    }
    if (kind == kBodyStrong) return readStrongDocument(data, size, file, fileName, store, ui, sink);
    if (kind != kBodyEncrypted) {
        result.outcome = LoadOutcome::Failed;
        result.error = "The document's body kind " + std::to_string(kind) + " is not known.";
        return result;
    }
    result.encrypted = true;
    // The body length is not stored: it is whatever follows the header, deciphered as whole blocks.
    Bytes plain = encipheredBlocks(data, size, kDocumentHeaderSize, file);
    WipedBuffer wipePlain{plain};
    const std::size_t plainSize = plain.size();
    switch (unlockBody(plain, fileName, BodyCheck::Digest20, store, ui)) {
        case Unlock::Cancelled:
            result.outcome = LoadOutcome::Failed;
            result.error = "No password was given.";
            return result;
        case Unlock::Refused:
            result.outcome = LoadOutcome::Failed;
            return result;
        case Unlock::Accepted:
            break;
    }
    if (plainSize > kDigestSize) sink(plain.data() + kDigestSize, plainSize - kDigestSize, 0, false, &plain);
    result.outcome = LoadOutcome::Loaded;
    return result;
}

// Reads a document from the `size` bytes at `data`; `file`, when not null, is the buffer they are in,
// which the reading may take over and change (see encipheredBlocks).
LoadResult readDocument(const std::uint8_t* data, std::size_t size, Bytes* file, const std::string& fileName,
                        CardStore& store, Prompter& ui, const RecordSink& sink) {
    LoadResult result;
    if (endsWith(fileName, "~~~")) {
        result.outcome = LoadOutcome::EncryptedFileName;
        return result;
    }
    if (size == 0) {
        ui.showMessage(kMsgEmptyFile);
        result.outcome = LoadOutcome::EmptyFile;
        return result;
    }
    if (size >= kOldBodyOffset) {
        std::string version(reinterpret_cast<const char*>(data) + kOldVersionOffset, kOldBodyOffset - kOldVersionOffset);
        if (version == "Version1.001")
            return readOldDocument(data, size, file, fileName, CardFileFormat::Version1001, store, ui, sink);
        if (version == "Version1.002")
            return readOldDocument(data, size, file, fileName, CardFileFormat::Version1002, store, ui, sink);
    }
    if (size < kDocumentHeaderSize || std::memcmp(data + kMagicOffset, kMagic, sizeof kMagic) != 0) {
        ui.showMessage(kMsgNotQuorvane);
        result.outcome = LoadOutcome::NotQuorvane;
        return result;
    }
    return readCurrentDocument(data, size, file, fileName, store, ui, sink);
}

// Whether the first bytes of a file (at most a header's worth, all of them for a shorter file) begin
// a card document of any format.
bool beginsCardDocument(const std::uint8_t* head, std::size_t size) {
    if (size >= kOldBodyOffset) {
        const std::string version(reinterpret_cast<const char*>(head) + kOldVersionOffset,
                                  kOldBodyOffset - kOldVersionOffset);
        if (version == "Version1.001" || version == "Version1.002") return true;
    }
    return size >= kDocumentHeaderSize && std::memcmp(head + kMagicOffset, kMagic, sizeof kMagic) == 0;
}

LoadResult loadDocument(const std::string& path, CardStore& store, Prompter& ui, const RecordSink& sink) {
    const std::string name = fileNameOf(path);
    LoadResult result;
    if (endsWith(name, "~~~")) {  // an encrypted file, not a card document: not even opened
        result.outcome = LoadOutcome::EncryptedFileName;
        return result;
    }
    removeStaleTemporaryFiles(folderOf(path));
    // Only a regular file is read, and its header first: anything else is refused before the rest of
    // it is read, however large it is.
    ReadableFile file;
    if (!file.open(path, &result.error)) {
        result.outcome = LoadOutcome::ReadError;
        return result;
    }
    std::uint8_t head[kDocumentHeaderSize];
    auto headSize = file.read(head, sizeof head, &result.error);
    if (!headSize) {
        result.outcome = LoadOutcome::ReadError;
        return result;
    }
    if (!beginsCardDocument(head, *headSize))
        return readDocument(head, *headSize, nullptr, name, store, ui, sink);  // "Empty File !" or "Not a Quorvane file"
    if (file.size() > kMaxCardDocumentBytes) {
        result.outcome = LoadOutcome::ReadError;
        result.error = name + " is too large to be a card document (" + withThousands(file.size()) + " bytes; at most " +
                       withThousands(kMaxCardDocumentBytes) + ").";
        return result;
    }
    std::optional<Bytes> data = readWholeFile(path, &result.error, kMaxCardDocumentBytes);
    if (!data) {
        result.outcome = LoadOutcome::ReadError;
        return result;
    }
    return readDocument(data->data(), data->size(), &*data, name, store, ui, sink);
}

void reportUnshownCards(int count, Prompter& ui) {
    if (count > 0) ui.showMessage(unshownCardsMessage(count));
}

}  // namespace

std::string unshownCardsMessage(int count) {
    if (count == 1)
        return "This document holds 1 card of a category this version of Quorvane cannot show. It is kept "
               "unchanged and saved with the document.";
    return "This document holds " + withThousands(static_cast<std::size_t>(count)) +
           " cards of categories this version of Quorvane cannot show. They are kept unchanged and saved with the "
           "document.";
}

LoadResult readCardDocument(const std::uint8_t* data, std::size_t size, const std::string& fileName,
                            CardStore& store, Prompter& ui, int dateFormat) {
    LoadResult result = readDocument(data, size, nullptr, fileName, store, ui, storeSink(store, dateFormat));
    reportUnshownCards(store.unshownCards().GetCardCount(), ui);
    return result;
}

LoadResult loadCardDocument(const std::string& path, CardStore& store, Prompter& ui, int dateFormat) {
    LoadResult result = loadDocument(path, store, ui, storeSink(store, dateFormat));
    reportUnshownCards(store.unshownCards().GetCardCount(), ui);
    return result;
}

LoadResult loadCardDocument(const std::string& path, CardStore& store, Prompter& ui, int dateFormat,
                            KeptRecords& kept) {
    kept.clear();
    LoadResult result = loadDocument(path, store, ui, storeSink(store, dateFormat, &kept));
    reportUnshownCards(store.unshownCards().GetCardCount(), ui);
    return result;
}

LoadResult indexCardDocument(const std::string& path, CardDocumentIndex& index, Prompter& ui, int dateFormat) {
    CardStore passwords;  // takes the password state a load leaves; no card goes in
    LoadResult result = loadDocument(path, passwords, ui,
                        [&](const std::uint8_t* records, std::size_t size, std::size_t start, bool oldLayout,
                            Bytes* buffer) { index.adopt(records, size, start, oldLayout, buffer, dateFormat); });
    reportUnshownCards(index.unshownCount(), ui);
    return result;
}
