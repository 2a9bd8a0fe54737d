#pragma once
// Settings files with the semantics of the Windows private-profile functions:
// "[section]" headers and "key=value" lines, section and key names compared without regard
// to ASCII case, white space around names and values ignored, the caller's default returned
// when the file, the section or the key is missing. Writing a key keeps every other line of
// the file (comments, order, unknown sections) as it was.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vx {

class IniDocument {
 public:
  IniDocument() = default;

  // Parses the text of a settings file (a UTF-8 byte-order mark is skipped and kept).
  static IniDocument Parse(std::string_view text);
  // Reads a file; an unreadable or missing file gives std::nullopt.
  static std::optional<IniDocument> Load(const std::string& path);

  // The value of the first matching key in the first matching section, with one pair of
  // enclosing double quotes removed; `fallback` when there is none.
  std::string Get(std::string_view section, std::string_view key, std::string_view fallback) const;
  bool Has(std::string_view section, std::string_view key) const;
  std::vector<std::string> SectionNames() const;
  std::vector<std::string> KeyNames(std::string_view section) const;

  // Replaces the key's value in place, or adds the key at the end of its section, or adds
  // the section at the end of the document.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  void RemoveKey(std::string_view section, std::string_view key);
  // Removes every section of that name with all its lines.
  void RemoveSection(std::string_view section);

  std::string Serialize() const;
  // Writes through a temporary file of its own and a rename, so a failed write never leaves
  // a truncated settings file behind. False on failure, with the reason in `why`.
  bool Save(const std::string& path, std::string* why = nullptr) const;

 private:
  struct Line {
    std::string text;     // the line as read, without its line end
    std::string section;  // set on section headers
    std::string key;      // set on key lines
    std::string value;    // value of key lines, white space trimmed
    std::string ending;   // "\n" or "\r\n" as read; empty for lines made here and a last line
  };

  static Line MakeKeyLine(std::string_view key, std::string_view value);
  // Index of the header line of a section, or npos.
  size_t FindSection(std::string_view section) const;
  // One past the last line belonging to the section that starts at `header`.
  size_t SectionEnd(size_t header) const;
  size_t FindKey(size_t header, std::string_view key) const;

  std::vector<Line> lines_;
  bool byteOrderMark_ = false;
  std::string lineEnd_ = "\n";
  bool finalLineEnd_ = true;
};

// The first line of a settings file that is neither blank, a comment (";" or "#"), a
// "[section]" header nor a "key=value" line with a key; for files that a program rewrites
// and so must not take a damaged one for an empty one.
struct IniSyntaxError {
  int line = 0;  // from 1
  std::string reason;
};
std::optional<IniSyntaxError> FindIniSyntaxError(std::string_view text);

// A settings file that a program rewrites: a missing file is an empty document; one that
// cannot be read or is not well formed gives `problem`, naming the file (as `what`, "host
// state file") and the line, and no document.
struct CheckedIni {
  std::optional<IniDocument> document;
  std::string problem;
};
CheckedIni LoadCheckedIni(const std::string& path, std::string_view what);

// Reads the file at `path`, lets `change` edit it and saves it, holding the file's lock
// (FileLock) throughout, so that two programs changing one file at once both keep their
// changes. A missing file starts empty; one that exists but cannot be read is left alone.
// False on failure, with the reason in `why`.
bool UpdateIniFile(const std::string& path, const std::function<void(IniDocument&)>& change,
                   std::string* why = nullptr);

// The private-profile calls, one file access each; a write is an UpdateIniFile.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view fallback, const std::string& path);
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path,
                               std::string* why = nullptr);

}  // namespace vx
