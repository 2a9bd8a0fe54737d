// Feeds arbitrary text to the INI reader as the settings file, a simulation file and an alias
// file. Nothing may crash, and a document written out must read back with the same sections,
// keys and values.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/ini_file.h"
#include "sim/meter_config.h"
#include "visa/alias_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const vx::IniDocument doc = vx::IniDocument::Parse(text);

  const vx::IniDocument again = vx::IniDocument::Parse(doc.Serialize());
  if (again.SectionNames() != doc.SectionNames()) std::abort();
  for (const std::string& section : doc.SectionNames()) {
    if (again.KeyNames(section) != doc.KeyNames(section)) std::abort();
    for (const std::string& key : doc.KeyNames(section)) {
      if (again.Get(section, key, "\x01") != doc.Get(section, key, "\x01")) std::abort();
    }
  }

  // The settings file's lookups, a key set and removed again.
  vx::IniDocument edited = doc;
  doc.Get("English(U.S)", "1000", "No Device Connected");
  edited.Set("Information", "Fuzz", "value");
  if (edited.Get("Information", "Fuzz", "") != "value") std::abort();
  edited.RemoveKey("Information", "Fuzz");

  vx::sim::ParseSimulationText(text, "fuzz.ini");
  vx::visa::AliasTable aliases;
  aliases.LoadDocument(doc, "fuzz.ini");
  return 0;
}
