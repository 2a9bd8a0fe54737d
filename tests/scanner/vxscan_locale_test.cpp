// A scan exported under a decimal-comma locale, as a German or French user runs it: the
// workbook must hold numbers, times and widths that another spreadsheet client reads as such.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "comma_locale.h"
#include "libreoffice_reader.h"
#include "process.h"
#include "temp_folder.h"
#include "xlsx_reader.h"

namespace vx {
namespace {

const std::string kVxscan = std::string(VX_BIN_DIR) + "/vxscan";

std::string ZipMember(const std::string& book, const std::string& member) {
  return test::RunProcess({"/usr/bin/python3", "-c",
                           "import sys, zipfile; "
                           "sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2])"
                           ".decode())",
                           book, member})
      .out;
}

// A number as the C locale reads it, whatever locale this test runs under.
double Number(const std::string& text) {
  bool ok = false;
  const double value = QByteArray::fromStdString(text).toDouble(&ok);
  EXPECT_TRUE(ok) << text;
  return value;
}

// "14:3:27", "14:03:27" or "02:03:27 PM" (LibreOffice shows a time of day in the form of
// its locale) as seconds since midnight; -1 for a text that is no time.
int SecondsOfDay(const std::string& text) {
  std::smatch parts;
  if (!std::regex_match(text, parts, std::regex("(\\d+):(\\d+):(\\d+)( ([AP])M)?"))) return -1;
  int hours = std::stoi(parts[1]) % (parts[5].matched ? 12 : 24);
  if (parts[5] == "P") hours += 12;
  return (hours * 60 + std::stoi(parts[2])) * 60 + std::stoi(parts[3]);
}

TEST(VxscanUnderADecimalCommaLocale, WritesNumbersTimesAndWidthsThatOtherProgramsRead) {
  const test::CommaLocaleFiles locale;
  ASSERT_TRUE(locale.Built()) << "localedef could not build de_DE.UTF-8";
  test::TempFolder folder;
  const std::string book = folder / "scan.xlsx";
  std::map<std::string, std::string> environment = locale.Environment();
  environment.insert({{"VX_VISA_SIM", std::string(VX_SOURCE_DIR) + "/share/sim/default.ini"},
                      {"VX_VISA_NATIVE", "0"},
                      {"VX_VISA_LIBRARY", ""}});
  const test::ProcessResult run = test::RunProcess({kVxscan, "--channels", "1=DCV,2=DCI:100:0.001",
                                                    "--timer", "0", "--count", "4", "--out", book},
                                                   environment);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  // What the grid printed, in the C locale whatever the user's: "14:3:27\t0.50216358\t...".
  std::istringstream printed(run.out);
  std::vector<std::vector<std::string>> grid;
  for (std::string line; std::getline(printed, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    grid.push_back(fields);
  }
  ASSERT_EQ(grid.size(), 3u) << run.out;
  EXPECT_TRUE(std::regex_match(grid[1][1], std::regex("0\\.50[0-9]{6}"))) << grid[1][1];

  // No number in the file is written with a comma.
  const std::string sheetXml = ZipMember(book, "xl/worksheets/sheet1.xml");
  ASSERT_FALSE(sheetXml.empty());
  EXPECT_FALSE(std::regex_search(sheetXml, std::regex("<v>[0-9-]+,[0-9]"))) << sheetXml;
  EXPECT_FALSE(std::regex_search(sheetXml, std::regex("width=\"[0-9]+,"))) << sheetXml;

  // openpyxl: numbers, a time of day, fitted widths.
  const QJsonObject saved = test::ReadXlsx(book);
  const QJsonObject cells = saved["sheets"]["Sheet1"]["cells"].toObject();
  EXPECT_EQ(cells["B2"]["type"].toString(), "n");
  EXPECT_DOUBLE_EQ(cells["B2"]["value"].toDouble(), Number(grid[1][1]));
  EXPECT_DOUBLE_EQ(cells["C3"]["value"].toDouble(), Number(grid[2][2]));
  EXPECT_EQ(cells["A2"]["type"].toString(), "d");
  std::smatch parts;
  ASSERT_TRUE(std::regex_match(grid[1][0], parts, std::regex("(\\d+):(\\d+):(\\d+)")));
  const auto two = [](const std::string& digits) {
    return digits.size() < 2 ? "0" + digits : digits;
  };
  const std::string time = two(parts[1]) + ":" + two(parts[2]) + ":" + two(parts[3]);
  EXPECT_NE(cells["A2"]["value"].toString().toStdString().find(time), std::string::npos)
      << cells["A2"]["value"].toString().toStdString();
  const QJsonObject widths = saved["sheets"]["Sheet1"]["widths"].toObject();
  EXPECT_GT(widths["B"].toDouble(), 5.0);

  // LibreOffice: the same numbers and times, none read as 0.
  std::string why;
  const auto shown = test::ReadWithLibreOffice(book, folder.Path(), &why);
  ASSERT_EQ(shown.size(), 3u) << why;
  EXPECT_EQ(shown[0][1], "CH1(DCV)");
  EXPECT_EQ(SecondsOfDay(shown[1][0]), SecondsOfDay(grid[1][0])) << shown[1][0];
  for (size_t row = 1; row < 3; ++row) {
    for (size_t column = 1; column < 3; ++column) {
      EXPECT_NEAR(Number(shown[row][column]), Number(grid[row][column]), 1e-8)
          << "row " << row << " column " << column;
    }
  }
}

}  // namespace
}  // namespace vx
