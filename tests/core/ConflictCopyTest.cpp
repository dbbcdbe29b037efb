// Sync programs' conflict copies: which names are one, merging a copy that shares no base with the
// document, and moving a file to the desktop's trash.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "cardstore/CardMerge.h"
#include "cardstore/CardOperations.h"
#include "cardstore/ConflictCopies.h"
#include "common/Trash.h"

namespace {

TEST(ConflictCopies, NamesOfTheThreeSyncProgramsAndNoOthers) {
    struct Case {
        const char* document;
        const char* candidate;
        bool copy;
    };
    const Case cases[] = {
        {"cards.qve", "cards.sync-conflict-20261211-115603-BQGXALA.qve", true},
        {"cards.qve", "cards (conflicted copy 2026-12-11 115603).qve", true},
        {"cards.qve", "cards (Ann's conflicted copy 2026-12-11).qve", true},
        {"cards.qve", "cards (Ann's conflicted copy 2026-12-11) (1).qve", true},
        {"cards.qve", "cards (Ann Lee's conflicted copy 2026-12-11 2).qve", true},
        {"cards.qve", "cards (Ann\xE2\x80\x99s conflicted copy 2026-12-11).qve", true},
        {"cards.qvf", "cards.sync-conflict-20261211-115603-BQGXALA.qvf", true},
        {"my cards.v2.qve", "my cards.v2.sync-conflict-20261211-115603-BQGXALA.qve", true},
        {"cards", "cards.sync-conflict-20261211-115603-BQGXALA", true},
        {"cards", "cards (conflicted copy 2026-12-11 115603)", true},
        // Not copies of this document.
        {"cards.qve", "cards.qve", false},
        {"cards.qve", "cards2.qve", false},
        {"cards.qve", "cards.qve.bak", false},
        {"cards.qve", ".cards.qve.lock", false},
        {"cards.qve", "cards.sync-conflict-20261211-115603-BQGXALA.qvf", false},
        {"cards.qve", "cards.sync-conflict-20261211-115603-BQGXALA.qve.tmp", false},
        {"cards.qve", "cards.sync-conflict-2026121-115603-BQGXALA.qve", false},
        {"cards.qve", "cards.sync-conflict-20261211-115603.qve", false},
        {"cards.qve", "other.sync-conflict-20261211-115603-BQGXALA.qve", false},
        {"cards.qve", "cards (copy 2026-12-11 115603).qve", false},
        {"cards.qve", "cards (conflicted copy).qve", false},
        {"cards.qve", "cards (Ann's conflicted copy 2026-12-11).qvf", false},
        {"cards.qve", "xcards (conflicted copy 2026-12-11 115603).qve", false},
        {"cards", "cards.sync-conflict-20261211-115603-BQGXALA.qve", false},
        {"cards.v2.qve", "cards.sync-conflict-20261211-115603-BQGXALA.qve", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isConflictCopyName(c.document, c.candidate), c.copy) << c.document << " / " << c.candidate;
}

TEST(ConflictCopies, FoundBesideTheDocumentOnly) {
    TempDir dir;
    for (const char* name : {"cards.qve", "cards.sync-conflict-20261211-115603-BQGXALA.qve",
                             "cards (conflicted copy 2026-12-11 115603).qve", "cards2.qve", "cards.qve.bak"})
        writeData(dir.file(name), {1});
    std::filesystem::create_directory(dir.file("cards (Ann's conflicted copy 2026-12-11).qve"));  // a folder
    EXPECT_EQ(findConflictCopies(dir.file("cards.qve")),
              (std::vector<std::string>{dir.file("cards (conflicted copy 2026-12-11 115603).qve"),
                                        dir.file("cards.sync-conflict-20261211-115603-BQGXALA.qve")}));
    EXPECT_TRUE(findConflictCopies(dir.file("missing/cards.qve")).empty());
}

// The merge of a copy without a base -----------------------------------------------------------------

const std::string kMark = kOtherCopyMark;

Card card(const std::string& name, std::uint32_t stamp) {
    Card c;
    c.firstField = name;
    c.fourthField = "p";
    c.dateStamp = stamp;
    return c;
}

int at(const CardStore& store, const std::string& name) {
    return findCardByName(*store.GetCategoryList(0), name);
}

void add(CardStore& s, const std::string& name, std::uint32_t stamp) {
    s.GetCategoryList(0)->AddCard(std::make_unique<Card>(card(name, stamp)));
}
void edit(CardStore& s, const std::string& name, const std::string& password) {
    Card* c = s.GetCategoryList(0)->GetCardAt(at(s, name));
    editCardTexts(*c, {c->firstField, c->secondField, c->thirdField, password, c->note});
}
void remove(CardStore& s, const std::string& name) {
    ASSERT_TRUE(deleteCard(s, 0, at(s, name))) << name;
}

std::vector<std::string> shown(const CardList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.GetCardCount(); ++i) {
        const Card* c = list.GetCardAt(i);
        out.push_back(c->fourthField == "p" ? c->firstField : c->firstField + "=" + c->fourthField);
    }
    return out;
}

TEST(ConflictCopies, MergedWithoutABaseNothingIsLostAndADeletionOfAnUnchangedCardStays) {
    using Change = std::function<void(CardStore&)>;
    const Change none = [](CardStore&) {};
    struct Case {
        const char* what;
        Change ours;
        Change theirs;
        std::vector<std::string> category;
        std::vector<std::string> deleted;
        int conflicts;
        int fromTheirs;
    };
    const Case cases[] = {
        {"the same cards", none, none, {"Alpha", "Beta", "Gamma"}, {}, 0, 0},
        {"each side adds a card in the same second",
         [](CardStore& s) { add(s, "Local", 900); },
         [](CardStore& s) { add(s, "Remote", 900); },
         {"Alpha", "Beta", "Gamma", "Local", "Remote"},
         {},
         0,
         1},
        {"renamed on one side: no longer one card",
         [](CardStore& s) { s.GetCategoryList(0)->GetCardAt(1)->firstField = "Bea"; },
         none,
         {"Alpha", "Gamma", "Bea", "Beta"},
         {},
         0,
         1},
        {"the same card added on both sides",
         [](CardStore& s) { add(s, "Both", 902); },
         [](CardStore& s) { add(s, "Both", 902); },
         {"Alpha", "Beta", "Gamma", "Both"},
         {},
         0,
         0},
        {"deleted in the copy, unchanged here",
         none,
         [](CardStore& s) { remove(s, "Beta"); },
         {"Alpha", "Gamma"},
         {"Beta"},
         0,
         1},
        {"deleted here, unchanged in the copy",
         [](CardStore& s) { remove(s, "Beta"); },
         none,
         {"Alpha", "Gamma"},
         {"Beta"},
         0,
         0},
        {"deleted on both sides",
         [](CardStore& s) { remove(s, "Beta"); },
         [](CardStore& s) { remove(s, "Beta"); },
         {"Alpha", "Gamma"},
         {"Beta"},
         0,
         0},
        {"deleted in the copy, changed here",
         [](CardStore& s) { edit(s, "Beta", "new"); },
         [](CardStore& s) { remove(s, "Beta"); },
         {"Alpha", "Beta=new", "Gamma"},
         {"Beta" + kMark},
         1,
         1},
        {"deleted here, changed in the copy",
         [](CardStore& s) { remove(s, "Beta"); },
         [](CardStore& s) { edit(s, "Beta", "new"); },
         {"Alpha", "Gamma", "Beta" + kMark + "=new"},
         {"Beta"},
         1,
         1},
        {"changed differently on both sides",
         [](CardStore& s) { edit(s, "Beta", "o"); },
         [](CardStore& s) { edit(s, "Beta", "t"); },
         {"Alpha", "Beta=o", "Beta" + kMark + "=t", "Gamma"},
         {},
         1,
         1},
        {"the same change on both sides",
         [](CardStore& s) { edit(s, "Beta", "x"); },
         [](CardStore& s) { edit(s, "Beta", "x"); },
         {"Alpha", "Beta=x", "Gamma"},
         {},
         0,
         0},
        {"each side changes another card",
         [](CardStore& s) { edit(s, "Alpha", "a"); },
         [](CardStore& s) { edit(s, "Gamma", "g"); },
         {"Alpha=a", "Alpha" + kMark, "Beta", "Gamma", "Gamma" + kMark + "=g"},
         {},
         2,
         2},
        {"an addition here, a deletion there",
         [](CardStore& s) { add(s, "Local", 900); },
         [](CardStore& s) {
             remove(s, "Alpha");
             add(s, "Remote", 901);
         },
         {"Beta", "Gamma", "Local", "Remote"},
         {"Alpha"},
         0,
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CardStore ours;
        for (const char* name : {"Alpha", "Beta", "Gamma"})
            add(ours, name, 100);
        CardStore theirs;
        copyCards(ours, theirs);
        c.ours(ours);
        c.theirs(theirs);
        CardStore merged;
        const CardMergeResult result = mergeConflictCopy(ours, theirs, merged);
        EXPECT_EQ(shown(*merged.GetCategoryList(0)), c.category);
        EXPECT_EQ(shown(*merged.GetCategoryList(kDeletedCategoryId)), c.deleted);
        EXPECT_EQ(result.conflicts, c.conflicts);
        EXPECT_EQ(result.fromTheirs, c.fromTheirs);
        // Merging the copy again into what it gave brings in nothing more.
        CardStore again;
        if (c.conflicts == 0) {
            EXPECT_EQ(mergeConflictCopy(merged, theirs, again).fromTheirs, 0);
            EXPECT_TRUE(sameCards(again, merged));
        }
    }
}

// The trash ------------------------------------------------------------------------------------------

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { m_old ? (void)::setenv(m_name, m_old->c_str(), 1) : (void)::unsetenv(m_name); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(Trash, AFileGoesToTheHomeTrashWithANoteOfWhereItWas) {
    TempDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
    std::filesystem::create_directory(dir.file("docs"));
    const std::string name = "cards (Ann's conflicted copy 2026-12-11).qve";
    for (int round = 0; round < 2; ++round) {  // the second file of the same name gets a name of its own
        writeData(dir.file("docs/" + name), {static_cast<std::uint8_t>(round)});
        const TrashResult moved = moveToTrash(dir.file("docs/" + name));
        ASSERT_TRUE(moved.ok) << moved.error;
        const std::string inTrash = round == 0 ? name : name + " (2)";
        EXPECT_EQ(moved.trashedPath, dir.file("data/Trash/files/" + inTrash));
        EXPECT_EQ(readData(moved.trashedPath), Data{static_cast<std::uint8_t>(round)});
        const std::string note = slurp(dir.file("data/Trash/info/" + inTrash + ".trashinfo"));
        EXPECT_NE(
            note.find("[Trash Info]\nPath=" + dir.file("docs/cards%20(Ann's%20conflicted%20copy%202026-12-11).qve") +
                      "\nDeletionDate=20"),
            std::string::npos)
            << note;
    }
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"data", "docs"}));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("docs")));

    const TrashResult missing = moveToTrash(dir.file("docs/none.qve"));
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.empty());
}

// quorvane-cli: ls and dump warn of a copy, resolve merges the copies it can read, trashes them and
// says where; one it cannot read stays and makes it fail.
TEST(ConflictCopies, ResolvedFromTheCommandLine) {
    TempDir dir;
    ScopedEnv data("XDG_DATA_HOME", dir.file("data"));
    const std::string doc = dir.file("cards.qvf");
    const std::string copy = dir.file("cards (conflicted copy 2026-12-11 115603).qvf");
    const std::string damaged = dir.file("cards.sync-conflict-20261211-115603-BQGXALA.qvf");
    for (const char* name : {"Alpha", "Beta"})
        ASSERT_EQ(runCli({"add", doc, "--category", "WWW Sites", "--name", name}).status, 0);
    std::filesystem::copy_file(doc, copy);
    ASSERT_EQ(runCli({"add", doc, "--category", "WWW Sites", "--name", "Local"}).status, 0);
    ASSERT_EQ(runCli({"add", copy, "--category", "WWW Sites", "--name", "Remote"}).status, 0);
    ASSERT_EQ(runCli({"rm", copy, "--category", "WWW Sites", "--card", "Beta"}).status, 0);
    writeData(damaged, {'n', 'o'});

    for (const char* command : {"ls", "dump"}) {
        const CliRun run = runCli({command, doc});
        EXPECT_EQ(run.status, 0) << command;
        EXPECT_NE(run.err.find("Warning: " + copy + " is a sync program's conflict copy of " + doc), std::string::npos)
            << command << ": " << run.err;
        EXPECT_NE(run.err.find("quorvane-cli resolve " + doc), std::string::npos) << run.err;
    }

    const CliRun resolved = runCli({"resolve", doc});
    EXPECT_EQ(resolved.status, 1) << resolved.err;  // the damaged copy
    EXPECT_NE(resolved.err.find(damaged + " could not be read as a card document"), std::string::npos) << resolved.err;
    EXPECT_EQ(resolved.out,
              "2 cards from cards (conflicted copy 2026-12-11 115603).qvf merged; the copy was moved "
              "to the trash: " +
                  dir.file("data/Trash/files/cards (conflicted copy 2026-12-11 115603).qvf") + "\n");
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_TRUE(std::filesystem::exists(damaged));
    const CliRun listed = runCli({"ls", doc});
    EXPECT_NE(listed.out.find("WWW Sites (3)\n  Alpha  |    |  \n  Local  |    |  \n  Remote  |    |  \n"),
              std::string::npos)
        << listed.out;
    EXPECT_NE(listed.out.find("Deleted cards: 1\n"), std::string::npos) << listed.out;

    std::filesystem::remove(damaged);
    const CliRun clean = runCli({"resolve", doc});
    EXPECT_EQ(clean.status, 0);
    EXPECT_EQ(clean.out, "No conflict copies of " + doc + ".\n");
    EXPECT_EQ(runCli({"ls", doc}).err, "");
}

}  // namespace
