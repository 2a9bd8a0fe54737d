#pragma once
// Descriptors that stand for another resource: "USB0::0x1F3A::0x0C21::TW1::INSTR" may be an
// alias of "TCPIP0::127.0.0.1::5025::SOCKET", so that a meter served by k9sim is found by the
// USB and GPIB searches like a plugged-in one. The table is read from section [Aliases] of a
// settings file, one "alias=target" line each.

#include <optional>
#include <string>
#include <vector>

#include "visa/match_expression.h"
#include "visa/resource_name.h"

namespace vx {
class IniDocument;
}

namespace vx::visa {

struct AliasEntry {
  std::string alias;   // as listed by searches
  std::string target;  // the resource actually opened
};

class AliasTable {
 public:
  // Entries with a malformed alias or target are left out and reported in the result.
  std::string Add(const AliasEntry& entry);
  // Reads [Aliases] of the file; returns what went wrong (empty when all is well).
  std::string LoadFile(const std::string& path);
  // The same for a file already read; `source` names it in the result.
  std::string LoadDocument(const IniDocument& doc, const std::string& source);

  void Find(const MatchExpression& expression, std::vector<std::string>& found) const;
  std::optional<std::string> Resolve(const ResourceName& name) const;
  bool Empty() const { return entries_.empty(); }

 private:
  struct Entry {
    AliasEntry entry;
    std::string key;  // upper-case canonical form of the alias
  };
  std::vector<Entry> entries_;
};

}  // namespace vx::visa
