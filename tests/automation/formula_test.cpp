// Cell references, formulas and their evaluation over a workbook, with the named formulas
// that a logging sheet's growing and strip charts follow.

#include <gtest/gtest.h>

#include "automation/cell_reference.h"
#include "automation/formula.h"
#include "automation/host/workbook_data.h"

namespace vx::automation::host {
namespace {

TEST(CellReference, BothNotationsWithinTheSheet) {
  EXPECT_EQ(ParseA1("C12").block, (CellBlock{12, 3, 12, 3}));
  EXPECT_EQ(ParseA1("$F$6").block, (CellBlock{6, 6, 6, 6}));
  EXPECT_EQ(ParseA1("u1:a1").block, (CellBlock{1, 1, 1, 21}));
  EXPECT_EQ(ParseA1("XFD1048576").block, (CellBlock{kMaxRows, kMaxColumns, kMaxRows, kMaxColumns}));
  EXPECT_EQ(ParseR1C1("R2C2:R21C2").block, (CellBlock{2, 2, 21, 2}));
  EXPECT_EQ(ColumnLetters(21), "U");
  EXPECT_EQ(ColumnLetters(27), "AA");
  EXPECT_EQ(ColumnLetters(16384), "XFD");
  EXPECT_EQ(AbsoluteA1(CellBlock{2, 2, 21, 2}), "$B$2:$B$21");
  EXPECT_EQ(AbsoluteR1C1(CellBlock{6, 6, 6, 6}), "R6C6");
}

TEST(CellReference, OutsideTheSheetOrMalformedIsAnErrorWithItsReason) {
  for (const char* text : {"XFE1", "A1048577", "A0", "R0C1", "R1C16385", "A99999999999999999999"}) {
    const ParsedBlock parsed = text[0] == 'R' ? ParseR1C1(text) : ParseA1(text);
    EXPECT_FALSE(parsed.block) << text;
    EXPECT_NE(parsed.error.find("outside the sheet"), std::string::npos) << text;
  }
  for (const char* text : {"", "1A", "A", "A1:", "A1B2", "$$A1", "A1:B2:C3"}) {
    const ParsedBlock parsed = ParseA1(text);
    EXPECT_FALSE(parsed.block) << text;
    EXPECT_NE(parsed.error.find("not a cell reference"), std::string::npos) << text;
  }
}

TEST(Formula, PrintsBackInBothNotations) {
  const auto parsed = Formula::Parse(
      "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!R2C3,Sheet1!DmmCount-Sheet1!DmmPoints,0,"
      "Sheet1!DmmPoints,1),OFFSET(Sheet1!R2C3,0,0,Sheet1!DmmCount,1))");
  ASSERT_TRUE(parsed.formula) << parsed.error;
  EXPECT_EQ(parsed.formula->ToA1(),
            "=IF(Sheet1!DmmisStripChart,OFFSET(Sheet1!$C$2,Sheet1!DmmCount-Sheet1!DmmPoints,0,"
            "Sheet1!DmmPoints,1),OFFSET(Sheet1!$C$2,0,0,Sheet1!DmmCount,1))");
  const auto quoted = Formula::Parse("='My data'!R1C2:R3C2*(2+-1.5E-7)<>\"a\"\"b\"");
  ASSERT_TRUE(quoted.formula) << quoted.error;
  EXPECT_EQ(quoted.formula->ToA1(), "='My data'!$B$1:$B$3*(2+-1.5e-07)<>\"a\"\"b\"");
  EXPECT_EQ(quoted.formula->ToR1C1(), "='My data'!R1C2:R3C2*(2+-1.5e-07)<>\"a\"\"b\"");
}

TEST(Formula, NumbersInEveryFormAFormulaHolds) {
  const auto parsed = Formula::Parse("=.55E-3*P+1.5e+2-7.");
  ASSERT_TRUE(parsed.formula) << parsed.error;
  EXPECT_EQ(parsed.formula->ToA1(), "=0.00055*P+150-7");
  EXPECT_EQ(Formula::Parse(parsed.formula->ToA1()).formula->ToA1(), parsed.formula->ToA1());
}

TEST(Formula, SheetNamesThatAreNoPlainWordsArePrintedQuoted) {
  for (const char* sheet : {".", "1st", "My data", "A1", "R2C3", "it's"}) {
    const std::string text = "=" + QuoteSheetName(sheet) + "!R1C1";
    const auto parsed = Formula::Parse(text);
    ASSERT_TRUE(parsed.formula) << text << ": " << parsed.error;
    EXPECT_EQ(parsed.formula->Root().sheet, sheet);
  }
  EXPECT_EQ(QuoteSheetName("Sheet1"), "Sheet1");
  EXPECT_EQ(QuoteSheetName("it's"), "'it''s'");
}

TEST(Formula, WhatItDoesNotUnderstandIsReportedNotGuessed) {
  // A word never starts with a digit or a point, so ".55E-3." is no name but a bad number.
  for (const char* text : {"=OFFSET(", "=1+", "=Sheet1!", "='Sheet1", "=\"open", "=(1", "=1 2",
                           "=#REF!", "=A1:", "=.55E-3.*P", "=1abc", "=2024!A1", "=1E", "=''!A1"}) {
    const auto parsed = Formula::Parse(text);
    EXPECT_FALSE(parsed.formula) << text;
    EXPECT_NE(parsed.error.find("is not understood"), std::string::npos) << text;
  }
  std::string deep = "=";
  for (int i = 0; i < 500; ++i) deep += "(";
  EXPECT_FALSE(Formula::Parse(deep).formula);
}

// A logging sheet as the engine leaves it: `rows` readings from row 2, the count in F6 and
// the strip length in F8, and the names of the given chart kind.
class LoggingNames : public ::testing::Test {
 protected:
  void Fill(int rows, int kind, int points = 50) {
    book_.AddSheet();
    SheetData& sheet = *book_.Sheets()[0];
    sheet.At(1, 2).value = std::string("DCV");
    for (int r = 2; r < rows + 2; ++r) {
      sheet.At(r, 1).value = DateValue{0.5 + r / 86400.0};
      sheet.At(r, 2).value = r * 0.001;
      sheet.At(r, 3).value = -r * 0.001;
    }
    sheet.At(6, 6).value = static_cast<double>(rows);
    sheet.At(8, 6).value = static_cast<double>(points);
    const std::string s = "Sheet1";
    ASSERT_EQ(book_.DefineName(s + "!DmmCount", "=Sheet1!R6C6", -1), "");
    ASSERT_EQ(book_.DefineName(s + "!DmmDataRef", "=Sheet1!R1C1", -1), "");
    if (kind == 1) {
      Define("Dmmy2Axis", "=OFFSET(S!R2C3,0,0,S!DmmCount,1)");
      Define("DmmyAxis", "=OFFSET(S!R2C1,0,1,S!DmmCount,1)");
      Define("DmmxAxis", "=OFFSET(S!R2C2,0,0,S!DmmCount,1)");
    } else {
      ASSERT_EQ(book_.DefineName(s + "!DmmPoints", "=Sheet1!R8C6", -1), "");
      Define("Dmmy2Axis",
             "=IF(S!DmmisStripChart,OFFSET(S!R2C3,S!DmmCount-S!DmmPoints,0,S!DmmPoints,1),"
             "OFFSET(S!R2C3,0,0,S!DmmCount,1))");
      Define("DmmyAxis",
             "=IF(S!DmmisStripChart,OFFSET(S!R2C1,S!DmmCount-S!DmmPoints,1,S!DmmPoints,1),"
             "OFFSET(S!R2C1,0,1,S!DmmCount,1))");
      Define("DmmxAxis",
             "=IF(S!DmmisStripChart,OFFSET(S!R2C1,S!DmmCount-S!DmmPoints,0,S!DmmPoints,1),"
             "OFFSET(S!R2C1,0,0,S!DmmCount,1))");
      Define("DmmisStripChart", "=S!DmmPoints<=S!DmmCount");
    }
  }

  void Define(const std::string& name, std::string formula) {
    for (size_t at = formula.find("S!"); at != std::string::npos; at = formula.find("S!", at)) {
      formula.replace(at, 1, "Sheet1");
      at += 7;
    }
    ASSERT_EQ(book_.DefineName("Sheet1!" + name, formula, -1), "");
  }

  // The block a name covers, "" with the reason in `error` when it covers none.
  std::string Covered(const std::string& name, std::string* error = nullptr) {
    const DefinedNameData* data = book_.FindName(0, name);
    EXPECT_NE(data, nullptr) << name;
    if (data == nullptr) return {};
    int sheet = -1;
    CellBlock block;
    std::string why;
    if (!book_.ResolveName(*data, sheet, block, why)) {
      if (error) *error = why;
      return {};
    }
    EXPECT_EQ(sheet, 0);
    return AbsoluteA1(block);
  }

  bool StripChartOn() {
    const DefinedNameData* data = book_.FindName(0, "DmmisStripChart");
    EXPECT_NE(data, nullptr);
    const FormulaValue value = Evaluate(*data->formula, 0, book_);
    EXPECT_EQ(value.kind, FormulaValue::Kind::Boolean);
    return value.boolean;
  }

  WorkbookData book_{"Book1"};
};

TEST_F(LoggingNames, GrowingChartCoversEveryFilledRow) {
  Fill(20, 1);
  EXPECT_EQ(Covered("DmmyAxis"), "$B$2:$B$21");
  EXPECT_EQ(Covered("Dmmy2Axis"), "$C$2:$C$21");
  // The x axis name of the growing chart covers column B, as the engine defines it.
  EXPECT_EQ(Covered("DmmxAxis"), "$B$2:$B$21");
  EXPECT_EQ(Covered("DmmCount"), "$F$6");
}

TEST_F(LoggingNames, GrowingChartOverEightyRows) {
  Fill(80, 1);
  EXPECT_EQ(Covered("DmmyAxis"), "$B$2:$B$81");
}

TEST_F(LoggingNames, NoReadingsCoverNoCells) {
  Fill(0, 1);
  std::string error;
  EXPECT_EQ(Covered("DmmyAxis", &error), "");
  EXPECT_NE(error.find("covers no cells"), std::string::npos) << error;
}

TEST_F(LoggingNames, StripChartShowsEverythingUntilItHoldsItsPoints) {
  Fill(20, 2);
  EXPECT_FALSE(StripChartOn());
  EXPECT_EQ(Covered("DmmyAxis"), "$B$2:$B$21");
  EXPECT_EQ(Covered("DmmxAxis"), "$A$2:$A$21");
  EXPECT_EQ(Covered("Dmmy2Axis"), "$C$2:$C$21");
}

TEST_F(LoggingNames, StripChartScrollsOverTheLastPoints) {
  Fill(80, 2);
  EXPECT_TRUE(StripChartOn());
  EXPECT_EQ(Covered("DmmyAxis"), "$B$32:$B$81");
  EXPECT_EQ(Covered("DmmxAxis"), "$A$32:$A$81");
  EXPECT_EQ(Covered("Dmmy2Axis"), "$C$32:$C$81");
}

TEST_F(LoggingNames, StripChartWithExactlyItsPoints) {
  Fill(50, 2);
  EXPECT_TRUE(StripChartOn());
  EXPECT_EQ(Covered("DmmyAxis"), "$B$2:$B$51");
}

TEST_F(LoggingNames, StripChartBeforeTheFirstReading) {
  Fill(0, 2);
  EXPECT_FALSE(StripChartOn());
  EXPECT_EQ(Covered("DmmyAxis"), "");
}

TEST_F(LoggingNames, UnknownFunctionsNamesAndLoopsAreReportedWhenUsed) {
  Fill(5, 1);
  ASSERT_EQ(book_.DefineName("Sheet1!Total", "=SUM(Sheet1!R2C2:R6C2)", -1), "");
  ASSERT_EQ(book_.DefineName("Sheet1!Missing", "=OFFSET(Sheet1!R2C2,0,0,Sheet1!Nowhere,1)", -1),
            "");
  ASSERT_EQ(book_.DefineName("Sheet1!Loop", "=OFFSET(Sheet1!R2C2,0,0,Sheet1!Loop,1)", -1), "");
  ASSERT_EQ(book_.DefineName("Sheet1!Broken", "=OFFSET(", -1), "");
  ASSERT_EQ(book_.DefineName("Sheet1!Edge", "=OFFSET(Sheet1!R2C2,-5,0,1,1)", -1), "");
  std::string error;
  EXPECT_EQ(Covered("Total", &error), "");
  EXPECT_NE(error.find("function SUM is not known"), std::string::npos) << error;
  EXPECT_EQ(Covered("Missing", &error), "");
  EXPECT_NE(error.find("Nowhere is not defined"), std::string::npos) << error;
  EXPECT_EQ(Covered("Loop", &error), "");
  EXPECT_NE(error.find("refers to itself"), std::string::npos) << error;
  EXPECT_EQ(Covered("Broken", &error), "");
  EXPECT_NE(error.find("not understood"), std::string::npos) << error;
  EXPECT_EQ(Covered("Edge", &error), "");
  EXPECT_NE(error.find("edge of the sheet"), std::string::npos) << error;
  // The text of a name that is not understood is kept as it was given.
  EXPECT_EQ(book_.FindName(0, "Broken")->refersToR1C1, "=OFFSET(");
}

TEST(DefinedNames, InvalidNamesAndUnknownSheetsAreRefused) {
  WorkbookData book("Book1");
  book.AddSheet();
  EXPECT_NE(book.DefineName("Sheet9!Count", "=1", -1).find("no sheet called"), std::string::npos);
  for (const char* name : {"A1", "R2C3", "1abc", "has space", "", "TRUE"}) {
    EXPECT_NE(book.DefineName(name, "=1", -1).find("not a valid name"), std::string::npos) << name;
  }
  EXPECT_EQ(book.DefineName("Sheet1!_ok.name", "=1", -1), "");
}

}  // namespace
}  // namespace vx::automation::host
