#include "config/device_settings_dialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "common/scripted_prompter.h"
#include "find_child.h"
#include "simulated_visa.h"
#include "user_input.h"

namespace vx::config {
namespace {

using test::SimulatedVisa;

using test::Child;

std::string Current(const QComboBox* box) {
  return box->currentText().toStdString();
}

// The user's ways of choosing: a mouse click on a list entry, an entry chosen from a combo
// box's list with the mouse, a field typed into, a button clicked.
void Choose(QComboBox* box, const char* text) {
  test::ChooseWithMouse(box, text);
}

void ChooseFunction(QListWidget* list, const char* name) {
  test::ClickEntry(list, name);
}

void Type(QLineEdit* field, const char* text) {
  test::TypeInto(field, text);
}

void Press(QPushButton* button) {
  test::Click(button);
}

class DeviceSettingsDialogTest : public ::testing::Test {
 protected:
  DeviceSettingsDialogTest()
      : visa_({SimulatedVisa::UsbMeter("TW1", "Q7110"), SimulatedVisa::GpibMeter(22)}) {}

  SimulatedVisa visa_;
  ScriptedPrompter prompter_;
  std::array<unsigned char, 4> autoRange_{1, 1, 1, 1};
  SensorCoefficients coefficients_;
};

TEST_F(DeviceSettingsDialogTest, OpensOnTheFirstMeterWithItsSettingsReadBack) {
  DeviceSettingsDialog dialog(nullptr, prompter_, autoRange_, coefficients_);
  test::ShowForInput(dialog);
  EXPECT_EQ(dialog.windowTitle(), "Setting Device");
  EXPECT_EQ(dialog.VariantCode(), "7110");
  EXPECT_EQ(dialog.CurrentMeter(), 0);
  auto* meters = Child<QComboBox>(dialog, "meterList");
  EXPECT_EQ(meters->count(), 2);
  EXPECT_EQ(Current(meters), "W9-90/1-USBTMC-TW1");
  auto* functions = Child<QListWidget>(dialog, "functionList");
  EXPECT_EQ(functions->count(), 14);
  // A meter just switched on measures DC volts on auto range at 10 power-line cycles.
  ASSERT_NE(functions->currentItem(), nullptr);
  EXPECT_EQ(functions->currentItem()->text(), "DC Voltage");
  EXPECT_EQ(Current(Child<QComboBox>(dialog, "rangeBox")), "AUTO");
  EXPECT_EQ(Current(Child<QComboBox>(dialog, "secondBox")), "10 PLC");
  EXPECT_EQ(Child<QLabel>(dialog, "secondLabel")->text(), "Resolution");
  EXPECT_TRUE(prompter_.Records().empty());

  Choose(meters, meters->itemText(1).toUtf8().constData());
  EXPECT_EQ(dialog.VariantCode(), "7100");
  EXPECT_EQ(functions->count(), 13);
  EXPECT_EQ(Current(Child<QComboBox>(dialog, "secondBox")), "Slow 6 Digits");
}

TEST_F(DeviceSettingsDialogTest, SubmitsAnSprtdAndReadsItBack) {
  DeviceSettingsDialog dialog(nullptr, prompter_, autoRange_, coefficients_);
  test::ShowForInput(dialog);
  auto* functions = Child<QListWidget>(dialog, "functionList");
  auto* range = Child<QComboBox>(dialog, "rangeBox");
  auto* second = Child<QComboBox>(dialog, "secondBox");
  ChooseFunction(functions, "TEMP");
  EXPECT_EQ(Child<QLabel>(dialog, "rangeLabel")->text(), "Sensor");
  EXPECT_EQ(Child<QLabel>(dialog, "secondLabel")->text(), "Unit");
  EXPECT_FALSE(Child<QLineEdit>(dialog, "coefficientField1")->isVisibleTo(&dialog));
  Choose(range, "SPRTD");
  Choose(second, "K");
  const char* labels[] = {"R-zero", "A4", "B4", "A7", "B7", "C7"};
  const char* values[] = {"99.5", "-0.003", "0.0004", "0.5", "-0.75", "1"};
  for (int i = 0; i < 6; ++i) {
    const std::string n = std::to_string(i + 1);
    auto* field = Child<QLineEdit>(dialog, ("coefficientField" + n).c_str());
    EXPECT_TRUE(field->isVisibleTo(&dialog));
    EXPECT_EQ(Child<QLabel>(dialog, ("coefficientLabel" + n).c_str())->text(), labels[i]);
    Type(field, values[i]);
  }
  Press(Child<QPushButton>(dialog, "submitButton"));
  EXPECT_TRUE(prompter_.Records().empty());
  EXPECT_EQ(autoRange_[0], 0);
  EXPECT_EQ(autoRange_[1], 1);

  // Read back into a dialog showing something else.
  ChooseFunction(functions, "DC Voltage");
  Choose(range, "10 Vdc");
  Press(Child<QPushButton>(dialog, "readBackButton"));
  EXPECT_EQ(functions->currentItem()->text(), "TEMP");
  EXPECT_EQ(Current(range), "SPRTD");
  EXPECT_EQ(Current(second), "K");
  EXPECT_EQ(Child<QLineEdit>(dialog, "coefficientField2")->text(), "-0.003");
  EXPECT_TRUE(Child<QLineEdit>(dialog, "coefficientField6")->isVisibleTo(&dialog));
  EXPECT_EQ(coefficients_.values,
            (std::array<std::optional<double>, 6>{99.5, -0.003, 0.0004, 0.5, -0.75, 1}));

  // "USER" shows four fields with their own labels; other types none.
  Choose(range, "USER");
  EXPECT_EQ(Child<QLabel>(dialog, "coefficientLabel1")->text(), "Alpha");
  EXPECT_TRUE(Child<QLineEdit>(dialog, "coefficientField4")->isVisibleTo(&dialog));
  EXPECT_FALSE(Child<QLineEdit>(dialog, "coefficientField5")->isVisibleTo(&dialog));
  Choose(range, "PT100");
  EXPECT_FALSE(Child<QLineEdit>(dialog, "coefficientField1")->isVisibleTo(&dialog));
}

TEST_F(DeviceSettingsDialogTest, CoefficientsOutlastTheDialogAndBadFieldsAreNamed) {
  {
    DeviceSettingsDialog dialog(nullptr, prompter_, autoRange_, coefficients_);
    test::ShowForInput(dialog);
    ChooseFunction(Child<QListWidget>(dialog, "functionList"), "TEMP");
    Choose(Child<QComboBox>(dialog, "rangeBox"), "USER");
    // What the user typed counts, as typed.
    Type(Child<QLineEdit>(dialog, "coefficientField1"), "0.004");
    Type(Child<QLineEdit>(dialog, "coefficientField2"), "0.1");
    Type(Child<QLineEdit>(dialog, "coefficientField3"), "1.5");
    auto* rZero = Child<QLineEdit>(dialog, "coefficientField4");
    Type(rZero, "9.999");
    Press(Child<QPushButton>(dialog, "submitButton"));
    ASSERT_EQ(prompter_.Messages().size(), 1u);
    EXPECT_EQ(prompter_.Messages()[0].text,
              "R-ZERO range is 10 - 1000\xef\xbc\x8cplease re-enter.");
    Type(rZero, "ten");
    Press(Child<QPushButton>(dialog, "submitButton"));
    ASSERT_EQ(prompter_.Messages().size(), 2u);
    EXPECT_EQ(prompter_.Messages()[1].text, "Please input a valid value.");
    // Leave the meter on a function whose read-back does not touch the coefficients.
    ChooseFunction(Child<QListWidget>(dialog, "functionList"), "DC Voltage");
    Press(Child<QPushButton>(dialog, "submitButton"));
    Press(Child<QPushButton>(dialog, "exitButton"));
  }
  EXPECT_EQ(coefficients_.values,
            (std::array<std::optional<double>, 6>{0.004, 0.1, 1.5, 9.999, 0.0, 0.0}));
  DeviceSettingsDialog again(nullptr, prompter_, autoRange_, coefficients_);
  EXPECT_EQ(Child<QLineEdit>(again, "coefficientField4")->text(), "9.999");
  EXPECT_EQ(Child<QLineEdit>(again, "coefficientField5")->text(), "0");
}

TEST_F(DeviceSettingsDialogTest, BasicMeterTakes750VacAndContinuityHasNoChoices) {
  DeviceSettingsDialog dialog(nullptr, prompter_, autoRange_, coefficients_);
  test::ShowForInput(dialog);
  test::ChooseWithKeys(Child<QComboBox>(dialog, "meterList"), "W9-90/1-GPIB-22");
  auto* functions = Child<QListWidget>(dialog, "functionList");
  ChooseFunction(functions, "AC Voltage");
  Choose(Child<QComboBox>(dialog, "rangeBox"), "750 Vac");
  test::ChooseWithKeys(Child<QComboBox>(dialog, "secondBox"), "Fast");
  Press(Child<QPushButton>(dialog, "submitButton"));
  EXPECT_TRUE(prompter_.Records().empty());
  EXPECT_EQ(autoRange_, (std::array<unsigned char, 4>{1, 0, 1, 1}));
  ChooseFunction(functions, "Diode");
  Press(Child<QPushButton>(dialog, "readBackButton"));
  EXPECT_EQ(Current(Child<QComboBox>(dialog, "rangeBox")), "750 Vac");
  EXPECT_EQ(Current(Child<QComboBox>(dialog, "secondBox")), "Fast");

  ChooseFunction(functions, "Continuity");
  EXPECT_FALSE(Child<QComboBox>(dialog, "rangeBox")->isEnabled());
  EXPECT_FALSE(Child<QComboBox>(dialog, "secondBox")->isEnabled());
  EXPECT_EQ(Child<QLabel>(dialog, "rangeLabel")->text(), "");
  EXPECT_EQ(Child<QLabel>(dialog, "secondLabel")->text(), "");
  Press(Child<QPushButton>(dialog, "submitButton"));
  EXPECT_EQ(autoRange_[1], 1);
  ChooseFunction(functions, "Frequency");
  EXPECT_TRUE(Child<QComboBox>(dialog, "rangeBox")->isEnabled());
  EXPECT_EQ(Child<QLabel>(dialog, "secondLabel")->text(), "Aperture");
}

// Whichever way a function is chosen (a mouse click, the arrow keys), both boxes hold its
// lists at once, and Submit sends that function with entries from those lists.
TEST_F(DeviceSettingsDialogTest, EveryWayOfChoosingAFunctionRefillsBothBoxes) {
  DeviceSettingsDialog dialog(nullptr, prompter_, autoRange_, coefficients_);
  test::ShowForInput(dialog);
  auto* functions = Child<QListWidget>(dialog, "functionList");
  auto* range = Child<QComboBox>(dialog, "rangeBox");
  auto* second = Child<QComboBox>(dialog, "secondBox");
  const auto entries = [](QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    return texts;
  };

  test::ClickEntry(functions, "TEMP");
  EXPECT_EQ(Child<QLabel>(dialog, "rangeLabel")->text(), "Sensor");
  EXPECT_TRUE(entries(range).contains("SPRTD")) << entries(range).join(",").toStdString();
  EXPECT_EQ(entries(second), (QStringList{"C", "F", "K"}));

  test::ChooseWithKeys(functions, "DC Current");
  EXPECT_EQ(Child<QLabel>(dialog, "rangeLabel")->text(), "Range");
  EXPECT_FALSE(entries(range).contains("SPRTD"));
  EXPECT_EQ(Child<QLabel>(dialog, "secondLabel")->text(), "Resolution");

  test::ClickEntry(functions, "TEMP");
  Choose(range, "PT100");
  Choose(second, "F");
  Press(Child<QPushButton>(dialog, "submitButton"));
  EXPECT_TRUE(prompter_.Records().empty());
  test::ClickEntry(functions, "DC Voltage");
  Press(Child<QPushButton>(dialog, "readBackButton"));
  EXPECT_EQ(functions->currentItem()->text(), "TEMP");
  EXPECT_EQ(Current(range), "PT100");
  EXPECT_EQ(Current(second), "F");
}

TEST(DeviceSettingsDialog, WithoutAMeterOnlyExitIsUsable) {
  SimulatedVisa visa({SimulatedVisa::OtherInstrument("GPIB0::3::INSTR", "ACME,SCOPE,1,1")});
  ScriptedPrompter prompter;
  std::array<unsigned char, 4> autoRange{1, 1, 1, 1};
  SensorCoefficients coefficients;
  DeviceSettingsDialog dialog(nullptr, prompter, autoRange, coefficients);
  EXPECT_EQ(dialog.VariantCode(), "0");
  auto* meters = Child<QComboBox>(dialog, "meterList");
  EXPECT_EQ(meters->count(), 1);
  EXPECT_EQ(Current(meters), "No Device Connected");
  for (const char* name : {"meterList", "settingGroup", "functionList", "rangeBox", "secondBox",
                           "submitButton", "readBackButton", "rangeLabel", "secondLabel"}) {
    EXPECT_FALSE(Child<QWidget>(dialog, name)->isEnabled()) << name;
  }
  EXPECT_TRUE(Child<QPushButton>(dialog, "exitButton")->isEnabled());
  // Even when asked directly, nothing is sent.
  const unsigned before = visa.Meter("GPIB0::3::INSTR")->CommandCount();
  ChooseFunction(Child<QListWidget>(dialog, "functionList"), "DC Voltage");
  Child<QPushButton>(dialog, "submitButton")->click();
  Child<QPushButton>(dialog, "readBackButton")->click();
  EXPECT_EQ(visa.Meter("GPIB0::3::INSTR")->CommandCount(), before);
  EXPECT_EQ(autoRange, (std::array<unsigned char, 4>{1, 1, 1, 1}));
  EXPECT_TRUE(prompter.Records().empty());
  EXPECT_TRUE(dialog.grab().save(VX_CONFIG_PICTURE_DIR "/device_settings_no_meter.png"));
}

TEST_F(DeviceSettingsDialogTest, Picture) {
  DeviceSettingsDialog dialog(nullptr, prompter_, autoRange_, coefficients_);
  ChooseFunction(Child<QListWidget>(dialog, "functionList"), "TEMP");
  Choose(Child<QComboBox>(dialog, "rangeBox"), "SPRTD");
  dialog.adjustSize();
  EXPECT_TRUE(dialog.grab().save(VX_CONFIG_PICTURE_DIR "/device_settings_dialog.png"));
}

}  // namespace
}  // namespace vx::config
