// The settings reader, the profile-string writer, the user's paste keys and the unscrambler on
// arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/paste_keys.h"
#include "app/settings_file.h"
#include "text/cp932.h"

using namespace formix::app;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  IniFile ini = IniFile::parse(bytes);
  const SettingsRecord record = readSettings(ini);
  (void)record.pageIndex();
  (void)record.waitMs();
  (void)ini.sections();
  for (const ProgramPasteKeys& entry : readPasteKeys(ini)) {
    if (entry.keys.empty() || entry.keys.size() > 4) std::abort();  // up to three modifiers and a key
  }
  (void)parsePasteKeys(bytes);

  // A value set is the value read back, through a save and a fresh parse.
  ini.set("Strings", "M001", "5E66");
  ini.set("Fuzz", "Key", "value");
  const IniFile again = IniFile::parse(ini.serialize());
  if (again.get("Strings", "M001") != "5E66" || again.get("fuzz", "KEY") != "value") std::abort();

  // Unscrambling takes any text; scrambling any text and unscrambling it gives it back.
  std::u16string units(size / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i) units[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  (void)sDecodeText(formix::text::fromCp932(bytes));
  (void)sDecodeText(units);
  if (sDecodeText(sEncodeText(units)) != units) std::abort();
  return 0;
}
