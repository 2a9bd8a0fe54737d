#include "visa/alias_table.h"

#include "common/c_number.h"
#include "common/ini_file.h"

namespace vx::visa {

std::string AliasTable::Add(const AliasEntry& entry) {
  std::string error;
  const auto alias = ParseResourceName(entry.alias, &error);
  if (!alias) return "alias \"" + entry.alias + "\": " + error;
  if (!ParseResourceName(entry.target, &error)) {
    return "target of alias \"" + entry.alias + "\": " + error;
  }
  entries_.push_back(Entry{entry, ToUpperAscii(alias->Canonical())});
  return {};
}

std::string AliasTable::LoadFile(const std::string& path) {
  const auto doc = IniDocument::Load(path);
  if (!doc) return "alias file " + path + " cannot be read";
  return LoadDocument(*doc, path);
}

std::string AliasTable::LoadDocument(const IniDocument& doc, const std::string& source) {
  std::string problems;
  for (const std::string& key : doc.KeyNames("Aliases")) {
    const std::string problem = Add(AliasEntry{key, doc.Get("Aliases", key, "")});
    if (!problem.empty()) problems += (problems.empty() ? "" : "; ") + problem;
  }
  return problems.empty() ? problems : source + ": " + problems;
}

void AliasTable::Find(const MatchExpression& expression, std::vector<std::string>& found) const {
  for (const Entry& e : entries_) {
    if (expression.Matches(e.entry.alias)) found.push_back(e.entry.alias);
  }
}

std::optional<std::string> AliasTable::Resolve(const ResourceName& name) const {
  const std::string key = ToUpperAscii(name.Canonical());
  for (const Entry& e : entries_) {
    if (e.key == key) return e.entry.target;
  }
  return std::nullopt;
}

}  // namespace vx::visa
