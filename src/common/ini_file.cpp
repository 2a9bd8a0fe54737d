#include "common/ini_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/c_number.h"
#include "common/file_lock.h"

namespace vx {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlank = " \t";

std::string StripQuotes(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    doc.byteOrderMark_ = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  const size_t firstBreak = text.find('\n');
  if (firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r') {
    doc.lineEnd_ = "\r\n";
  }
  doc.finalLineEnd_ = text.empty() || text.back() == '\n';

  std::string currentSection;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    Line line;
    // A carriage return belongs to the line end only before a line feed; each line keeps its
    // own end, so that a file written back keeps the bytes of every line it did not change.
    if (end < text.size()) {
      line.ending = "\n";
      if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
        line.ending = "\r\n";
      }
    }
    pos = end + 1;

    line.text = std::string(raw);
    const std::string_view body = Trim(raw, kBlank);
    if (!body.empty() && body.front() == '[') {
      const size_t close = body.find(']');
      const std::string_view name =
          close == std::string_view::npos ? body.substr(1) : body.substr(1, close - 1);
      currentSection = std::string(Trim(name, kBlank));
      line.section = currentSection;
    } else if (!body.empty() && body.front() != ';') {
      const size_t eq = body.find('=');
      if (eq != std::string_view::npos) {
        line.key = std::string(Trim(body.substr(0, eq), kBlank));
        line.value = std::string(Trim(body.substr(eq + 1), kBlank));
      }
    }
    doc.lines_.push_back(std::move(line));
  }
  return doc;
}

std::optional<IniDocument> IniDocument::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream content;
  content << in.rdbuf();
  return Parse(content.str());
}

size_t IniDocument::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (!lines_[i].text.empty() && !lines_[i].section.empty() &&
        EqualsNoCase(lines_[i].section, section)) {
      return i;
    }
  }
  return std::string::npos;
}

size_t IniDocument::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size()) {
    const std::string_view body = Trim(lines_[i].text, kBlank);
    if (!body.empty() && body.front() == '[') break;
    ++i;
  }
  return i;
}

size_t IniDocument::FindKey(size_t header, std::string_view key) const {
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    if (!lines_[i].key.empty() && EqualsNoCase(lines_[i].key, key)) return i;
  }
  return std::string::npos;
}

std::string IniDocument::Get(std::string_view section, std::string_view key,
                             std::string_view fallback) const {
  const size_t header = FindSection(section);
  if (header == std::string::npos) return std::string(fallback);
  const size_t line = FindKey(header, key);
  if (line == std::string::npos) return std::string(fallback);
  return StripQuotes(lines_[line].value);
}

bool IniDocument::Has(std::string_view section, std::string_view key) const {
  const size_t header = FindSection(section);
  return header != std::string::npos && FindKey(header, key) != std::string::npos;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (!line.section.empty() && Trim(line.text, kBlank).front() == '[') {
      names.push_back(line.section);
    }
  }
  return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  const size_t header = FindSection(section);
  if (header == std::string::npos) return names;
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    if (!lines_[i].key.empty()) names.push_back(lines_[i].key);
  }
  return names;
}

IniDocument::Line IniDocument::MakeKeyLine(std::string_view key, std::string_view value) {
  Line line;
  line.key = std::string(key);
  line.value = std::string(value);
  line.text = line.key + "=" + line.value;
  return line;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  size_t header = FindSection(section);
  if (header == std::string::npos) {
    Line head;
    head.section = std::string(section);
    head.text = "[" + head.section + "]";
    lines_.push_back(std::move(head));
    lines_.push_back(MakeKeyLine(key, value));
    return;
  }
  const size_t existing = FindKey(header, key);
  if (existing != std::string::npos) {
    lines_[existing] = MakeKeyLine(lines_[existing].key, value);
    return;
  }
  // After the section's last non-blank line, so blank separators stay between sections.
  size_t insertAt = SectionEnd(header);
  while (insertAt > header + 1 && Trim(lines_[insertAt - 1].text, kBlank).empty()) --insertAt;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), MakeKeyLine(key, value));
}

void IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  const size_t header = FindSection(section);
  if (header == std::string::npos) return;
  const size_t line = FindKey(header, key);
  if (line != std::string::npos) lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(line));
}

void IniDocument::RemoveSection(std::string_view section) {
  for (size_t header = FindSection(section); header != std::string::npos;
       header = FindSection(section)) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
  }
}

std::string IniDocument::Serialize() const {
  std::string out;
  if (byteOrderMark_) out += kByteOrderMark;
  for (size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    out += line.text;
    if (i + 1 < lines_.size() || finalLineEnd_) out += line.ending.empty() ? lineEnd_ : line.ending;
  }
  return out;
}

namespace {

// The permissions a replaced file had, or what a new file gets under the umask.
mode_t ModeForReplacement(const std::string& path) {
  struct stat existing {};
  if (::stat(path.c_str(), &existing) == 0) return existing.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

bool IniDocument::Save(const std::string& path, std::string* why) const {
  const auto fail = [&](const std::string& reason) {
    if (why) *why = reason;
    return false;
  };
  // A temporary name of this writer's own: two processes saving at once never write into,
  // or rename away, each other's file.
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return fail(std::strerror(errno));
  const bool written =
      WriteAll(fd, Serialize()) && ::fchmod(fd, ModeForReplacement(path)) == 0 && ::fsync(fd) == 0;
  const int writeError = errno;
  if (::close(fd) != 0 || !written) {
    ::unlink(temp.c_str());
    return fail(std::strerror(written ? errno : writeError));
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    const int renameError = errno;
    ::unlink(temp.c_str());
    return fail(std::strerror(renameError));
  }
  return true;
}

bool UpdateIniFile(const std::string& path, const std::function<void(IniDocument&)>& change,
                   std::string* why) {
  const FileLock lock(path);
  std::optional<IniDocument> document = IniDocument::Load(path);
  if (!document) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
      if (why) *why = "the file cannot be read";
      return false;
    }
    document = IniDocument{};
  }
  change(*document);
  return document->Save(path, why);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view fallback, const std::string& path) {
  const auto doc = IniDocument::Load(path);
  return doc ? doc->Get(section, key, fallback) : std::string(fallback);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path, std::string* why) {
  return UpdateIniFile(
      path, [&](IniDocument& document) { document.Set(section, key, value); }, why);
}

std::optional<IniSyntaxError> FindIniSyntaxError(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  int number = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view body = Trim(text.substr(pos, end - pos), " \t\r");
    pos = end + 1;
    ++number;
    if (body.empty() || body.front() == ';' || body.front() == '#') continue;
    if (body.front() == '[') {
      if (body.back() != ']') return IniSyntaxError{number, "a section header without \"]\""};
      if (Trim(body.substr(1, body.size() - 2), kBlank).empty()) {
        return IniSyntaxError{number, "a section header without a name"};
      }
      continue;
    }
    const size_t eq = body.find('=');
    if (eq == std::string_view::npos) return IniSyntaxError{number, "a line without \"=\""};
    if (Trim(body.substr(0, eq), kBlank).empty()) {
      return IniSyntaxError{number, "a value without a key"};
    }
    if (body.find('\0') != std::string_view::npos) {
      return IniSyntaxError{number, "a NUL byte"};
    }
  }
  return std::nullopt;
}

CheckedIni LoadCheckedIni(const std::string& path, std::string_view what) {
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return {IniDocument{}, {}};
  std::optional<IniDocument> document = IniDocument::Load(path);
  const std::string named = "The " + std::string(what) + " " + path;
  if (!document) return {std::nullopt, named + " cannot be read."};
  if (const auto syntax = FindIniSyntaxError(document->Serialize())) {
    return {std::nullopt, named + " is malformed at line " + std::to_string(syntax->line) + ": " +
                              syntax->reason + ". It was left as it is."};
  }
  return {std::move(document), {}};
}

}  // namespace vx
