// Reading a full settings file (all 447 keys) at start-up.
#include <benchmark/benchmark.h>

#include "app/settings_file.h"
#include "text/utf.h"

namespace {

using namespace formix::app;

std::string fullSettingsFile() {
  SettingsRecord record;
  for (int k = 0; k < key::Count; ++k) record.set(k, u"0");
  for (int i = 0; i < kProfileKeys; ++i) record.set(key::profile(i), u"山田太郎やまだ");
  for (int k = 0; k < kPhraseSlots; ++k) {
    record.set(key::phraseTitle(k), u"挨拶 " + formix::text::widen(std::to_string(k)));
    record.set(key::phraseContent(k), u"いつもお世話になっております。%R株式会社サンプル 営業部の山田です。");
  }
  IniFile ini = IniFile::parse("");
  const auto writes = closeSequenceWrites(record, nullptr);
  for (const auto& w : *writes) ini.set(w.section, w.key, w.value);
  return ini.serialize();
}

void BM_ReadFullSettings(benchmark::State& state) {
  const std::string bytes = fullSettingsFile();
  for (auto _ : state) {
    SettingsRecord record = readSettings(IniFile::parse(bytes));
    benchmark::DoNotOptimize(record);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadFullSettings)->Unit(benchmark::kMicrosecond);

}  // namespace
