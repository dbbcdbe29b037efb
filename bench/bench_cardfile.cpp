// Saving and loading a 100,000-card document, plain and encrypted.
#include <benchmark/benchmark.h>

#include <string>

#include "cardstore/CardFile.h"

namespace {

constexpr int kCards = 100000;
const std::string kPassword = "benchmark password";

class SilentUi : public Prompter {
public:
    void showMessage(const std::string&) override {}
    std::optional<std::string> askPassword(const std::string&) override { return kPassword; }
    bool confirmReplace(const std::string&) override { return true; }
};

// Cards of everyday size spread over every list, deleted ones included.
void fill(CardStore& store) {
    for (int i = 0; i < kCards; ++i) {
        auto card = std::make_unique<Card>();
        const int list = i % 16 == 15 ? kDeletedCategoryId : i % 16;
        card->categoryId = static_cast<std::uint8_t>(list == kDeletedCategoryId ? i % 15 : list);
        card->stateFlags = list == kDeletedCategoryId ? kStateDeleted : 0;
        card->firstField = "Card number " + std::to_string(i);
        card->secondField = "https://www.example.com/login/" + std::to_string(i);
        card->thirdField = "user" + std::to_string(i * 7) + "@example.com";
        card->fourthField = "p@ss-" + std::to_string(i * 31337LL);
        card->note = i % 4 == 0 ? std::string(120, 'n') : std::string();
        card->dateStamp = 3793342830u + static_cast<std::uint32_t>(i);
        store.GetCategoryList(list)->AddCard(std::move(card));
    }
}

void serializeBench(benchmark::State& state, bool encrypt) {
    CardStore store;
    fill(store);
    store.encryptOnSave = encrypt ? 1 : 0;
    store.encryptionPassword = kPassword;
    SilentUi ui;
    Bytes out;
    for (auto _ : state) {
        if (!serializeCardDocument(store, out, ui)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kCards);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(out.size()));
}

void loadBench(benchmark::State& state, bool encrypt) {
    Bytes file;
    {
        CardStore store;
        fill(store);
        store.encryptOnSave = encrypt ? 1 : 0;
        store.encryptionPassword = kPassword;
        SilentUi ui;
        serializeCardDocument(store, file, ui);
    }
    SilentUi ui;
    for (auto _ : state) {
        CardStore store;
        LoadResult result = readCardDocument(file.data(), file.size(), "bench.qve", store, ui, 0);
        if (result.outcome != LoadOutcome::Loaded || store.GetStoredSize() == 0) state.SkipWithError("not loaded");
        benchmark::DoNotOptimize(store);
        state.PauseTiming();  // destroying 100,000 cards is not part of loading
        store.clear();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kCards);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}

void BM_SerializePlain(benchmark::State& state) { serializeBench(state, false); }
void BM_SerializeEncrypted(benchmark::State& state) { serializeBench(state, true); }
void BM_LoadPlain(benchmark::State& state) { loadBench(state, false); }
void BM_LoadEncrypted(benchmark::State& state) { loadBench(state, true); }

BENCHMARK(BM_SerializePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeEncrypted)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadEncrypted)->Unit(benchmark::kMillisecond);

}  // namespace
