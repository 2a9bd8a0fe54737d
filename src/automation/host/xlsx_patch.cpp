// The second pass over a written .xlsx file, for what libxlsxwriter cannot write: series on
// a secondary value axis (they move from the chart's line group into a second line group
// with its own, hidden category axis and a value axis on the right), and defined names with
// long formulas.
#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "automation/host/xlsx_writer.h"

namespace vx::automation::host {
namespace {

constexpr const char* kSecondaryCategoryAxis = "50090003";
constexpr const char* kSecondaryValueAxis = "50090004";

struct Entry {
  std::string name;
  std::string data;
};

bool ReadAll(const std::string& path, std::vector<Entry>& entries) {
  unzFile zip = unzOpen64(path.c_str());
  if (zip == nullptr) return false;
  bool ok = unzGoToFirstFile(zip) == UNZ_OK;
  while (ok) {
    char name[512];
    unz_file_info64 info{};
    ok = unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) == UNZ_OK &&
         unzOpenCurrentFile(zip) == UNZ_OK;
    if (!ok) break;
    Entry entry{name, std::string(info.uncompressed_size, '\0')};
    const int read =
        entry.data.empty()
            ? 0
            : unzReadCurrentFile(zip, entry.data.data(), static_cast<unsigned>(entry.data.size()));
    ok = read == static_cast<int>(entry.data.size()) && unzCloseCurrentFile(zip) == UNZ_OK;
    entries.push_back(std::move(entry));
    if (ok && unzGoToNextFile(zip) != UNZ_OK) break;
  }
  unzClose(zip);
  return ok;
}

bool WriteAll(const std::string& path, const std::vector<Entry>& entries) {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (zip == nullptr) return false;
  bool ok = true;
  for (const Entry& entry : entries) {
    zip_fileinfo info{};
    ok = zipOpenNewFileInZip64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                               Z_DEFLATED, Z_DEFAULT_COMPRESSION, 1) == ZIP_OK &&
         zipWriteInFileInZip(zip, entry.data.data(), static_cast<unsigned>(entry.data.size())) ==
             ZIP_OK &&
         zipCloseFileInZip(zip) == ZIP_OK;
    if (!ok) break;
  }
  return zipClose(zip, nullptr) == ZIP_OK && ok;
}

// The positions of the <c:ser> elements of the first line group.
std::vector<std::pair<size_t, size_t>> SeriesSpans(const std::string& xml, size_t from, size_t to) {
  std::vector<std::pair<size_t, size_t>> spans;
  for (size_t at = xml.find("<c:ser>", from); at != std::string::npos && at < to;
       at = xml.find("<c:ser>", at)) {
    const size_t end = xml.find("</c:ser>", at);
    if (end == std::string::npos) break;
    spans.emplace_back(at, end + 8);
    at = end + 8;
  }
  return spans;
}

bool MoveToSecondary(std::string& xml, const std::vector<int>& series) {
  const size_t group = xml.find("<c:lineChart>");
  const size_t groupEnd = xml.find("</c:lineChart>", group);
  const size_t plotEnd = xml.find("</c:plotArea>");
  if (group == std::string::npos || groupEnd == std::string::npos || plotEnd == std::string::npos) {
    return false;
  }
  const auto spans = SeriesSpans(xml, group, groupEnd);
  std::string moved;
  std::string kept = xml.substr(0, group);
  size_t cursor = group;
  for (size_t i = 0; i < spans.size(); ++i) {
    const bool secondary =
        std::find(series.begin(), series.end(), static_cast<int>(i)) != series.end();
    kept += xml.substr(cursor, spans[i].first - cursor);
    (secondary ? moved : kept) += xml.substr(spans[i].first, spans[i].second - spans[i].first);
    cursor = spans[i].second;
  }
  if (moved.empty()) return true;
  kept += xml.substr(cursor, groupEnd + 14 - cursor);
  kept += std::string("<c:lineChart><c:grouping val=\"standard\"/>") + moved +
          "<c:marker val=\"1\"/><c:axId val=\"" + kSecondaryCategoryAxis + "\"/><c:axId val=\"" +
          kSecondaryValueAxis + "\"/></c:lineChart>";
  kept += xml.substr(groupEnd + 14, plotEnd - (groupEnd + 14));
  kept += std::string("<c:catAx><c:axId val=\"") + kSecondaryCategoryAxis +
          "\"/><c:scaling><c:orientation val=\"minMax\"/></c:scaling><c:delete val=\"1\"/>"
          "<c:axPos val=\"b\"/><c:tickLblPos val=\"nextTo\"/><c:crossAx val=\"" +
          kSecondaryValueAxis +
          "\"/><c:crosses val=\"autoZero\"/><c:auto val=\"1\"/><c:lblAlgn val=\"ctr\"/>"
          "<c:lblOffset val=\"100\"/></c:catAx>"
          "<c:valAx><c:axId val=\"" +
          kSecondaryValueAxis +
          "\"/><c:scaling><c:orientation val=\"minMax\"/></c:scaling><c:axPos val=\"r\"/>"
          "<c:numFmt formatCode=\"General\" sourceLinked=\"1\"/><c:tickLblPos val=\"nextTo\"/>"
          "<c:crossAx val=\"" +
          kSecondaryCategoryAxis +
          "\"/><c:crosses val=\"max\"/><c:crossBetween val=\"between\"/></c:valAx>";
  kept += xml.substr(plotEnd);
  xml = std::move(kept);
  return true;
}

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

bool AddNames(std::string& xml, const std::vector<XlsxPatch::Name>& names) {
  std::string elements;
  for (const XlsxPatch::Name& name : names) {
    elements += "<definedName name=\"" + XmlEscaped(name.name) + "\"";
    if (name.localSheet >= 0)
      elements += " localSheetId=\"" + std::to_string(name.localSheet) + "\"";
    elements += ">" + XmlEscaped(name.formula) + "</definedName>";
  }
  if (const size_t end = xml.find("</definedNames>"); end != std::string::npos) {
    xml.insert(end, elements);
    return true;
  }
  const size_t sheets = xml.find("</sheets>");
  if (sheets == std::string::npos) return false;
  xml.insert(sheets + 9, "<definedNames>" + elements + "</definedNames>");
  return true;
}

}  // namespace

std::string ApplyXlsxPatch(const std::string& path, const XlsxPatch& patch) {
  std::vector<Entry> entries;
  if (!ReadAll(path, entries)) return "the written file cannot be read back";
  std::map<std::string, const std::vector<int>*> wanted;
  for (const auto& [number, series] : patch.secondaryAxes) {
    wanted["xl/charts/chart" + std::to_string(number) + ".xml"] = &series;
  }
  for (Entry& entry : entries) {
    const auto found = wanted.find(entry.name);
    if (found != wanted.end() && !MoveToSecondary(entry.data, *found->second)) {
      return "the chart " + entry.name + " has an unexpected form";
    }
    if (entry.name == "xl/workbook.xml" && !patch.names.empty() &&
        !AddNames(entry.data, patch.names)) {
      return "the workbook part has an unexpected form";
    }
  }
  const std::string rewritten = path + ".axes";
  if (!WriteAll(rewritten, entries)) {
    std::remove(rewritten.c_str());
    return "the file cannot be rewritten with its secondary axes";
  }
  std::error_code error;
  std::filesystem::rename(rewritten, path, error);
  return error ? error.message() : std::string();
}

}  // namespace vx::automation::host
