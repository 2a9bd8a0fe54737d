#include "panel/widgets/shaped_button.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRegion>

namespace vx::panel {
namespace {

TEST(ShapedButton, PaintsAsARectangleUntilItIsGivenAShape) {
  ShapedButton button("DCV");
  button.resize(96, 34);
  button.grab();
  EXPECT_EQ(button.CurrentOutlines()[0].size(), 5u);
  EXPECT_TRUE(button.mask().isEmpty());
}

TEST(ShapedButton, ItsMaskIsTheShapeSoCornersAreNotPartOfIt) {
  ShapedButton button("Up");
  button.resize(21, 21);
  button.SetShape(ButtonShape::Circle);
  const QRegion mask = button.mask();
  EXPECT_TRUE(mask.contains(QPoint(10, 10)));
  EXPECT_FALSE(mask.contains(QPoint(0, 0)));
  EXPECT_FALSE(mask.contains(QPoint(20, 20)));

  ShapedButton capsule("ACV");
  capsule.resize(96, 34);
  capsule.SetShape(ButtonShape::Capsule);
  EXPECT_TRUE(capsule.mask().contains(QPoint(48, 1)));
  EXPECT_FALSE(capsule.mask().contains(QPoint(1, 1)));
}

TEST(ShapedButton, KeepsThreePicturesAndMakesThemAgainWhenTheStyleChanges) {
  ShapedButton button("4W");
  button.resize(96, 34);
  button.SetShape(ButtonShape::Capsule);
  button.grab();
  const QImage normal = button.NormalPicture().toImage();
  EXPECT_NE(normal, button.PressedPicture().toImage());
  EXPECT_NE(normal, button.FocusedPicture().toImage());
  EXPECT_EQ(normal.size(), QSize(96, 34));

  button.setEnabled(false);
  button.grab();
  EXPECT_NE(normal, button.NormalPicture().toImage());
  // The pressed caption sits one pixel lower and to the right; the raised edge turns sunken.
  const QImage pressed = button.PressedPicture().toImage();
  EXPECT_NE(pressed.pixelColor(48, 2), normal.pixelColor(48, 2));
}

}  // namespace
}  // namespace vx::panel
