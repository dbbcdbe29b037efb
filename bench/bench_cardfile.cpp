// Saving and loading a 1,000,000-card document: plain, encrypted in the old form, and encrypted in the
// strong form. The strong form's key is derived once per password (BM_DeriveTunedKey, with the costs
// a new password gets here), so its load is timed with the key the document holds, as when it is read
// again, and an open costs BM_DeriveTunedKey plus BM_LoadStrong.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "cardstore/CardFile.h"
#include "crypto/PasswordKey.h"

namespace {

constexpr int kCards = 1000000;

enum class Form { Plain, Old, Strong };
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

// One key for every run, derived at the tuned costs.
const std::shared_ptr<const PasswordKey>& benchKey() {
    static const std::shared_ptr<const PasswordKey> key =
        std::make_shared<const PasswordKey>(*PasswordKey::forNewPassword(kPassword));
    return key;
}

void setForm(CardStore& store, Form form) {
    store.encryptOnSave = form == Form::Plain ? 0 : 1;
    store.encryptionForm = form == Form::Old ? EncryptionForm::Old : EncryptionForm::Strong;
    store.encryptionPassword = kPassword;
    if (form == Form::Strong) store.encryptionKey = benchKey();
}

void serializeBench(benchmark::State& state, Form form) {
    CardStore store;
    fill(store);
    setForm(store, form);
    SilentUi ui;
    Bytes out;
    for (auto _ : state) {
        if (!serializeCardDocument(store, out, ui)) state.SkipWithError("refused");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kCards);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(out.size()));
}

void loadBench(benchmark::State& state, Form form) {
    Bytes file;
    {
        CardStore store;
        fill(store);
        setForm(store, form);
        SilentUi ui;
        serializeCardDocument(store, file, ui);
    }
    SilentUi ui;
    for (auto _ : state) {
        CardStore store;
        if (form == Form::Strong) store.encryptionKey = benchKey();
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

void BM_SerializePlain(benchmark::State& state) { serializeBench(state, Form::Plain); }
void BM_SerializeOld(benchmark::State& state) { serializeBench(state, Form::Old); }
void BM_SerializeStrong(benchmark::State& state) { serializeBench(state, Form::Strong); }
void BM_LoadPlain(benchmark::State& state) { loadBench(state, Form::Plain); }
void BM_LoadOld(benchmark::State& state) { loadBench(state, Form::Old); }
void BM_LoadStrong(benchmark::State& state) { loadBench(state, Form::Strong); }

// What opening a strong document adds: one Argon2id derivation at the costs of a new password here.
void BM_DeriveTunedKey(benchmark::State& state) {
    const KdfCost cost = costForNewPassword();
    const Salt salt = randomSalt();
    for (auto _ : state) {
        auto key = PasswordKey::derive(kPassword, salt, cost);
        if (!key) state.SkipWithError("no key");
        benchmark::DoNotOptimize(key);
    }
    state.counters["passes"] = cost.passes;
    state.counters["MiB"] = cost.memoryKiB / 1024.0;
}

BENCHMARK(BM_SerializePlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeOld)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SerializeStrong)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOld)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadStrong)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeriveTunedKey)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
