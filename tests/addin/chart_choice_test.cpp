// The toolbar's Logging Charts form, chosen with the mouse and the keys.

#include "linkhost/chart_choice_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "user_input.h"

namespace vx::linkhost {
namespace {

template <typename T>
T* Child(QDialog& form, const char* name) {
  T* child = form.findChild<T*>(name);
  EXPECT_NE(child, nullptr) << name;
  return child;
}

TEST(ChartChoiceDialog, AStripChartOfTypedLengthInTheWorksheetIsWhatOkApplies) {
  LinkOptions options;  // no chart, 50 points, on a sheet of its own
  ChartChoiceDialog form(options);
  test::ShowForInput(form);
  auto* points = Child<QSpinBox>(form, "points");
  auto* inSheet = Child<QCheckBox>(form, "inSheet");
  ASSERT_TRUE(points && inSheet);
  // Without a chart there is nothing to place or to size.
  EXPECT_FALSE(points->isEnabled());
  EXPECT_FALSE(inSheet->isEnabled());

  test::Click(Child<QRadioButton>(form, "strip"));
  ASSERT_TRUE(points->isEnabled());
  test::TypeInto(points, "25");
  test::Click(inSheet);
  test::Click(Child<QPushButton>(form, "ok"));
  EXPECT_EQ(form.result(), QDialog::Accepted);
  form.Apply(options);
  EXPECT_EQ(options.chart, LinkOptions::Chart::Strip);
  EXPECT_EQ(options.points, 25);
  EXPECT_TRUE(options.inSheet);
}

TEST(ChartChoiceDialog, AChartOfAllReadingsKeepsTheStripLengthAndNoChartIsNeverInTheSheet) {
  LinkOptions options;
  options.chart = LinkOptions::Chart::Strip;
  options.points = 80;
  options.inSheet = true;
  ChartChoiceDialog form(options);
  test::ShowForInput(form);
  test::Click(Child<QRadioButton>(form, "all"));
  EXPECT_FALSE(Child<QSpinBox>(form, "points")->isEnabled());
  form.Apply(options);
  EXPECT_EQ(options.chart, LinkOptions::Chart::All);
  EXPECT_EQ(options.points, 80);
  EXPECT_TRUE(options.inSheet);

  test::Click(Child<QRadioButton>(form, "none"));
  form.Apply(options);
  EXPECT_EQ(options.chart, LinkOptions::Chart::None);
  EXPECT_FALSE(options.inSheet);
}

}  // namespace
}  // namespace vx::linkhost
