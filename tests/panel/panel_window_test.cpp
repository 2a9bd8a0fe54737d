// The front panel offscreen against simulated meters, with scripted message boxes.

#include "panel/panel_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "common/captions.h"
#include "common/scripted_prompter.h"
#include "config/command_console_dialog.h"
#include "config/device_settings_dialog.h"
#include "config/reading_mode_dialog.h"
#include "panel/about_dialog.h"
#include "panel/trace_display.h"
#include "panel/widgets/shaped_button.h"
#include "records/chart/record_chart_dialog.h"
#include "records/multiple/multiple_readings_dialog.h"
#include "records/viewer/record_viewer_dialog.h"
#include "scanner/scanner_dialog.h"
#include "simulated_visa.h"

namespace vx::panel {
namespace {

namespace fs = std::filesystem;
using test::SimulatedVisa;

// Points VX_TOOL_SYSDIR at a folder of the test's own for as long as it lives.
class SettingsFolder {
 public:
  explicit SettingsFolder(const std::string& iniText = std::string(), bool write = true) {
    folder_ = fs::temp_directory_path() /
              ("vx_panel_" + std::to_string(getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(folder_);
    if (write) std::ofstream(folder_ / "VX_TOOL.ini", std::ios::binary) << iniText;
    const char* previous = std::getenv("VX_TOOL_SYSDIR");
    previous_ = previous ? previous : "";
    setenv("VX_TOOL_SYSDIR", folder_.c_str(), 1);
  }
  ~SettingsFolder() {
    setenv("VX_TOOL_SYSDIR", previous_.c_str(), 1);
    fs::remove_all(folder_);
  }

 private:
  fs::path folder_;
  std::string previous_;
};

sim::MeterConfig Meter(const std::string& serial, double volts) {
  auto meter = SimulatedVisa::UsbMeter(serial);
  meter.inputs["VOLT"] = volts;
  return meter;
}

QString MenuText(PanelWindow& panel, int menu, int item = -1) {
  QMenu* m = panel.MenuBar()->actions()[menu]->menu();
  return item < 0 ? m->title() : m->actions()[item]->text();
}

// Runs `act` on the modal dialog that `open` brings up, then closes it if `act` did not.
template <typename Dialog, typename Open, typename Act>
void WithModal(Open open, Act act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
    if (dialog->isVisible()) dialog->accept();
  });
  open();
}

class PanelTest : public ::testing::Test {
 protected:
  PanelTest()
      : visa_({Meter("TW00012345", 1.25), SimulatedVisa::GpibMeter(22)}),
        panel_(prompter_, "en_US") {
    CurrentLanguage = std::string(kEnglish);
    panel_.Open();
  }

  ScriptedPrompter prompter_;
  SimulatedVisa visa_;
  PanelWindow panel_;
};

TEST_F(PanelTest, OpensOnTheFirstMeterFound) {
  EXPECT_EQ(panel_.windowTitle(), "K9-90/1_AP");
  ASSERT_EQ(panel_.DeviceList()->count(), 2);
  EXPECT_EQ(panel_.DeviceList()->itemText(0), "W9-90/1-USBTMC-TW00012345");
  EXPECT_EQ(panel_.DeviceList()->itemText(1), "W9-90/1-GPIB-22");
  EXPECT_EQ(panel_.Loop().CurrentDevice(), 0);
  EXPECT_EQ(panel_.Row(0).name->text(), "W9-90/1-USBTMC-TW00012345");
  EXPECT_TRUE(panel_.DeviceList()->toolTip().startsWith("TOLVEX,W9-90/1,TW00012345"));
  EXPECT_EQ(panel_.FunctionLine()->text(), "Function : DCV");
  EXPECT_EQ(panel_.SpeedLine()->text(), "ReadSpeed : 25ms");
  // The speed shown is the speed the timer runs at: 25 ms less the 19 ms a tick takes.
  EXPECT_EQ(panel_.Loop().TimerPeriod(), 6);
  EXPECT_EQ(panel_.Loop().Dots(), 100);
  EXPECT_FALSE(panel_.StopAction()->isEnabled());
  EXPECT_FALSE(panel_.RunStopItem()->isEnabled());
  EXPECT_EQ(panel_.StartAction()->toolTip(), "START");
  EXPECT_TRUE(prompter_.Records().empty());
  // Nothing runs while the panel is not reading.
  EXPECT_FALSE(panel_.Timer().isActive());
}

TEST_F(PanelTest, StartReadsTheCurrentMeterAndStopEndsIt) {
  panel_.StartReading();
  EXPECT_TRUE(panel_.Timer().isActive());
  EXPECT_EQ(panel_.Timer().interval(), 6);
  EXPECT_FALSE(panel_.StartAction()->isEnabled());
  EXPECT_TRUE(panel_.StopAction()->isEnabled());
  EXPECT_TRUE(panel_.RunStopItem()->isEnabled());
  EXPECT_FALSE(panel_.RunStartItem()->isEnabled());
  EXPECT_FALSE(panel_.DeviceList()->isEnabled());
  EXPECT_FALSE(panel_.FunctionButton(0)->isEnabled());

  panel_.Tick();
  EXPECT_EQ(panel_.Row(0).reading->text(), "1.250000000000000");
  EXPECT_EQ(panel_.Loop().History().SampleCount(), 1);

  panel_.StopReading();
  EXPECT_FALSE(panel_.Timer().isActive());
  EXPECT_TRUE(panel_.StartAction()->isEnabled());
  EXPECT_FALSE(panel_.RunStopItem()->isEnabled());
  EXPECT_TRUE(panel_.DeviceList()->isEnabled());
  EXPECT_TRUE(panel_.FunctionButton(0)->isEnabled());
}

TEST_F(PanelTest, ChoosingASpeedRestartsTheRunningTimer) {
  panel_.ChooseSpeed(2);
  EXPECT_EQ(panel_.SpeedLine()->text(), "ReadSpeed : 100ms");
  panel_.StartReading();
  EXPECT_EQ(panel_.Timer().interval(), 81);
  panel_.ChooseSpeed(5);
  EXPECT_EQ(panel_.Timer().interval(), 1981);
  panel_.StopReading();
}

TEST_F(PanelTest, FunctionButtonsConfigureTheCurrentMeterAndRebuildTheLines) {
  panel_.PressFunctionButton(1);  // ACV
  EXPECT_EQ(panel_.FunctionLine()->text(), "Function : ACV");
  EXPECT_EQ(panel_.RangeLine()->text(), "Range : AUTO");
  EXPECT_EQ(panel_.Loop().DeviceFunction(0), "CONF:VOLT:AC\n");
  EXPECT_EQ(panel_.AutoRange()[0], 1);
  EXPECT_EQ(panel_.Row(0).reading->text(), "0");
  panel_.PressFunctionButton(8);  // TEMP
  EXPECT_EQ(panel_.FunctionLine()->text(), "Function : TEMP");
  EXPECT_EQ(panel_.RangeLine()->text(), "Type : PT100");
}

TEST_F(PanelTest, DivisionOffsetAndMarkerControls) {
  panel_.StepDivision(false);
  EXPECT_EQ(panel_.DivisionText()->text(), "500m");
  EXPECT_EQ(panel_.Row(0).division->text(), "500m");
  for (int i = 0; i < 40; ++i) panel_.StepDivision(true);
  EXPECT_EQ(panel_.DivisionText()->text(), "20000");

  panel_.OffsetEdit()->setText("1..2");
  panel_.SetOffset();
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "The value of \"Offset\" is error.");
  EXPECT_EQ(prompter_.Messages()[0].title, ".");
  EXPECT_EQ(panel_.OffsetEdit()->text(), "1");
  EXPECT_EQ(panel_.Loop().Offset(0), 1.0);

  panel_.MoveMarker(false);
  EXPECT_EQ(panel_.Loop().MarkerPosition(0), 1);
  EXPECT_EQ(panel_.Loop().Offset(0), 20001.0);
  // The radio buttons choose the row in multi-device mode.
  config::ReadingModeSettings multi;
  multi.multiDevice = 1;
  panel_.ApplyReadingMode(multi);
  panel_.SelectRow(1);
  EXPECT_EQ(panel_.DivisionText()->text(), "1");
  EXPECT_EQ(panel_.OffsetEdit()->text(), "0");
  panel_.SelectRow(0);
  EXPECT_EQ(panel_.OffsetEdit()->text(), "1");
}

TEST_F(PanelTest, InSingleDeviceModeTheTraceControlsActOnTheCurrentMeter) {
  panel_.MakeCurrent(1);
  panel_.StepDivision(false);
  EXPECT_EQ(panel_.Loop().DivisionIndex(1), 14);
  EXPECT_EQ(panel_.Loop().DivisionIndex(0), 13);
  EXPECT_EQ(panel_.Row(0).division->text(), "500m");
  EXPECT_EQ(panel_.DivisionText()->text(), "500m");
  panel_.OffsetEdit()->setText("0.25");
  panel_.SetOffset();
  EXPECT_EQ(panel_.Loop().Offset(1), 0.25);
  EXPECT_EQ(panel_.Loop().Offset(0), 0.0);
  panel_.MoveMarker(true);
  EXPECT_EQ(panel_.Loop().MarkerPosition(1), -1);
  EXPECT_EQ(panel_.Loop().MarkerPosition(0), 0);

  // Each meter keeps its own division and offset, and the controls show the current one's.
  panel_.MakeCurrent(0);
  EXPECT_EQ(panel_.DivisionText()->text(), "1");
  EXPECT_EQ(panel_.Row(0).division->text(), "1");
  EXPECT_EQ(panel_.OffsetEdit()->text(), "0");
  panel_.MakeCurrent(1);
  EXPECT_EQ(panel_.DivisionText()->text(), "500m");
  EXPECT_EQ(panel_.OffsetEdit()->text(), "0.25");

  // Multi-device mode: the radio buttons choose the row.
  config::ReadingModeSettings multi;
  multi.multiDevice = 1;
  panel_.ApplyReadingMode(multi);
  panel_.SelectRow(0);
  panel_.StepDivision(true);
  EXPECT_EQ(panel_.Loop().DivisionIndex(0), 12);
  EXPECT_EQ(panel_.Loop().DivisionIndex(1), 14);
  EXPECT_EQ(panel_.Row(0).division->text(), "2");
  EXPECT_EQ(panel_.Row(1).division->text(), "500m");
}

// Enter belongs to the offset field alone; the platform's Space still presses a button.
TEST_F(PanelTest, EnterPressesNoButtonAndSpacePressesTheFocusedOne) {
  panel_.show();
  const auto meter = visa_.Meter("USB0::0x1F3A::0x0C21::TW00012345::INSTR");
  const unsigned sentBefore = meter->CommandCount();
  std::map<QPushButton*, int> clicks;
  const QList<QPushButton*> buttons = panel_.findChildren<QPushButton*>();
  ASSERT_GE(buttons.size(), 17);  // twelve functions, two markers, division Up and Dn, SET
  for (QPushButton* button : buttons)
    QObject::connect(button, &QPushButton::clicked, [&clicks, button] { ++clicks[button]; });
  const auto press = [](QWidget* target, int key, const QString& text = QString()) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &up);
  };
  for (QPushButton* button : buttons) {
    button->setFocus();
    press(button, Qt::Key_Return);
    press(button, Qt::Key_Enter);
  }
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(meter->CommandCount(), sentBefore);
  EXPECT_EQ(panel_.Loop().MarkerPosition(0), 0);
  EXPECT_EQ(panel_.Loop().DivisionIndex(0), 13);
  EXPECT_TRUE(panel_.isVisible());

  ShapedButton* acv = panel_.FunctionButton(1);
  acv->setFocus();
  press(acv, Qt::Key_Space, " ");
  EXPECT_EQ(clicks[acv], 1);
  EXPECT_EQ(panel_.Loop().DeviceFunction(0), "CONF:VOLT:AC\n");
}

TEST_F(PanelTest, RefreshLeavesMultiDeviceModeToBeChosenAgainInTheDialog) {
  config::ReadingModeSettings multi;
  multi.multiDevice = 1;
  panel_.ApplyReadingMode(multi);
  ASSERT_TRUE(panel_.Loop().MultiDevice());
  panel_.Refresh();
  EXPECT_FALSE(panel_.Loop().MultiDevice());
  EXPECT_EQ(panel_.ReadingMode().multiDevice, 0);
  // The dialog opens on single-device mode, and leaving it with Escape keeps that mode.
  WithModal<config::ReadingModeDialog>(
      [&] { panel_.OpenReadingManager(); },
      [](config::ReadingModeDialog& dialog) {
        auto* single = dialog.findChild<QRadioButton*>("singleRadio");
        ASSERT_NE(single, nullptr);
        EXPECT_TRUE(single->isChecked());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        EXPECT_FALSE(dialog.isVisible());
      });
  EXPECT_FALSE(panel_.Loop().MultiDevice());
  EXPECT_TRUE(panel_.Row(1).name->isHidden());
  EXPECT_EQ(panel_.Loop().ReadCount(), 1);
}

// Counts the pixels of the display picture that have exactly `colour`.
int PixelsOf(PanelWindow& panel, const QColor& colour) {
  const QImage screen = panel.Display()->Picture().toImage();
  int count = 0;
  for (int y = 0; y < screen.height(); ++y) {
    for (int x = 0; x < screen.width(); ++x) count += screen.pixelColor(x, y) == colour;
  }
  return count;
}

TEST(PanelPicture, TwoMetersReadTogetherDrawTwoLiveTraces) {
  auto first = SimulatedVisa::UsbMeter("TW00012345");
  first.inputs["VOLT"] = 1.25;
  first.noise = 2e-6;
  auto second = SimulatedVisa::GpibMeter(22);
  second.inputs["VOLT"] = 0.75;
  second.noise = 2e-6;
  SimulatedVisa visa({first, second});
  ScriptedPrompter prompter;
  PanelWindow panel(prompter, "en_US", visa.Clock());
  panel.Open();
  config::ReadingModeSettings multi;
  multi.multiDevice = 1;
  panel.ApplyReadingMode(multi);
  // Row 1 at 1 mV per division around 1.25 V, row 2 at 2 mV per division around 0.75 V,
  // so that the meters' slow wander shows.
  for (const auto& [row, steps, offset] : {std::tuple{0, 9, "1.25"}, std::tuple{1, 8, "0.75"}}) {
    panel.SelectRow(row);
    for (int i = 0; i < steps; ++i) panel.StepDivision(false);
    panel.OffsetEdit()->setText(offset);
    panel.SetOffset();
  }
  panel.StartReading();
  for (int i = 0; i < 100; ++i) {
    visa.Clock().Advance(std::chrono::milliseconds(100));
    panel.Tick();
  }
  EXPECT_GT(PixelsOf(panel, QColor(0, 0, 255)), 100);
  EXPECT_GT(PixelsOf(panel, QColor(0, 255, 0)), 100);

  panel.show();
  const fs::path out = fs::path(VX_BIN_DIR).parent_path() / "screenshots";
  fs::create_directories(out);
  EXPECT_TRUE(panel.grab().save(QString::fromStdString((out / "front_panel.png").string())));
  panel.StopReading();
  EXPECT_TRUE(prompter.Records().empty());
}

TEST_F(PanelTest, SettingDeviceSharesTheAutoRangeFlagsAndTheToolbarReselects) {
  panel_.PressFunctionButton(0);
  ASSERT_EQ(panel_.AutoRange()[0], 1);
  panel_.DeviceList()->setCurrentIndex(1);
  WithModal<config::DeviceSettingsDialog>([&] { panel_.OpenDeviceSettings(true); },
                                          [](config::DeviceSettingsDialog& dialog) {
                                            EXPECT_EQ(dialog.CurrentMeter(), 0);
                                            EXPECT_EQ(dialog.VariantCode(), "7110");
                                          });
  // The toolbar's way in makes the selected meter current again afterwards.
  EXPECT_EQ(panel_.Loop().CurrentDevice(), 1);
  EXPECT_EQ(panel_.Row(0).name->text(), "W9-90/1-GPIB-22");
  WithModal<config::CommandConsoleDialog>([&] { panel_.OpenCommandConsole(); },
                                          [](config::CommandConsoleDialog&) {});
  EXPECT_TRUE(prompter_.Messages().empty());
  // While reading, neither window can be opened.
  panel_.StartReading();
  EXPECT_FALSE(panel_.DeviceSettingsAction()->isEnabled());
  panel_.StopReading();
  EXPECT_TRUE(panel_.DeviceSettingsAction()->isEnabled());
}

TEST_F(PanelTest, ReadingManagerTakesTheModeChosenInItsDialog) {
  WithModal<config::ReadingModeDialog>([&] { panel_.ReadingManagerItem()->trigger(); },
                                       [](config::ReadingModeDialog& dialog) {
                                         auto* multi =
                                             dialog.findChild<QRadioButton*>("multiRadio");
                                         ASSERT_NE(multi, nullptr);
                                         multi->click();
                                         dialog.findChild<QPushButton*>("okButton")->click();
                                       });
  EXPECT_TRUE(panel_.Loop().MultiDevice());
  EXPECT_EQ(panel_.Loop().ReadCount(), 2);
  EXPECT_FALSE(panel_.Row(1).name->isHidden());
}

TEST_F(PanelTest, RecordMenuItemsOpenTheirWindowsAndAreGreyedWhileReading) {
  QMenu* record = panel_.MenuBar()->actions()[1]->menu();
  QMenu* operation = panel_.MenuBar()->actions()[2]->menu();
  WithModal<records::RecordViewerDialog>([&] { record->actions()[0]->trigger(); },
                                         [](records::RecordViewerDialog&) {});
  WithModal<records::RecordChartDialog>([&] { record->actions()[1]->trigger(); },
                                        [](records::RecordChartDialog&) {});
  WithModal<records::MultipleReadingsDialog>([&] { operation->actions()[0]->trigger(); },
                                             [](records::MultipleReadingsDialog&) {});
  panel_.StartReading();
  EXPECT_FALSE(record->actions()[0]->isEnabled());
  EXPECT_FALSE(operation->actions()[0]->isEnabled());
  panel_.StopReading();
  EXPECT_TRUE(record->actions()[1]->isEnabled());
}

TEST_F(PanelTest, SettingScanOpensTheScannerOnItsOwnSessionsAndIsGreyedWhileReading) {
  QAction* settingScan = panel_.MenuBar()->actions()[0]->menu()->actions()[2];
  ASSERT_TRUE(settingScan->isEnabled());
  WithModal<scanner::ScannerDialog>([&] { settingScan->trigger(); },
                                    [](scanner::ScannerDialog& dialog) {
                                      EXPECT_EQ(dialog.windowTitle(), "Setting Scan");
                                      EXPECT_EQ(dialog.Setup().Channels(), 20);
                                    });
  EXPECT_TRUE(prompter_.Messages().empty());
  panel_.StartReading();
  EXPECT_FALSE(settingScan->isEnabled());
  panel_.StopReading();
  EXPECT_TRUE(settingScan->isEnabled());
}

TEST(PanelStart, WithoutTheSettingsFileItSaysSoOnceAndSpeaksEnglish) {
  SettingsFolder folder("", false);
  SimulatedVisa visa({});
  ScriptedPrompter prompter;
  PanelWindow panel(prompter, "zh_TW");
  panel.Open();
  ASSERT_EQ(prompter.Messages().size(), 1u);
  EXPECT_EQ(prompter.Messages()[0].title, "Error");
  EXPECT_EQ(prompter.Messages()[0].icon, MessageIcon::Stop);
  EXPECT_NE(prompter.Messages()[0].text.find("VX_TOOL.ini"), std::string::npos);
  EXPECT_EQ(MenuText(panel, 0, 1), "Reading manager");
  EXPECT_EQ(MenuText(panel, 0, 2), "Setting Scan");
  EXPECT_EQ(MenuText(panel, 2, 1), "Run Start");
  EXPECT_EQ(MenuText(panel, 2, 2), "Run Stop");
  // No meter: the list says so and is disabled; Start says so too.
  EXPECT_EQ(panel.DeviceList()->itemText(0), "No Device Connected");
  EXPECT_FALSE(panel.DeviceList()->isEnabled());
  panel.StartReading();
  EXPECT_EQ(prompter.Messages().back().text, "Select Device");
  panel.PressFunctionButton(0);
  EXPECT_EQ(prompter.Messages().back().text, "Select Device First");
}

TEST(PanelStart, APartialLanguageSectionFallsBackToEnglishKeyByKey) {
  SettingsFolder folder("[Chinese(Simplify)]\r\n00=设置\r\n05=刷新\r\n52=偏移\r\n");
  SimulatedVisa visa({});
  ScriptedPrompter prompter;
  PanelWindow panel(prompter, "zh_CN");
  panel.Open();
  EXPECT_TRUE(prompter.Records().empty());
  EXPECT_EQ(MenuText(panel, 0), QString::fromUtf8("设置"));
  EXPECT_EQ(MenuText(panel, 0, 4), QString::fromUtf8("刷新"));
  EXPECT_EQ(MenuText(panel, 0, 0), "Setting Device");
  EXPECT_EQ(MenuText(panel, 1), "Record");
}

TEST(PanelAbout, ChangesTheLanguageAndRescansWhenNoMeterIsListed) {
  SimulatedVisa visa({SimulatedVisa::OtherInstrument("GPIB0::3::INSTR", "ACME,SCOPE,1,1")});
  ScriptedPrompter prompter;
  PanelWindow panel(prompter, "en_US");
  panel.Open();
  const unsigned commandsAfterOpen = visa.Meter("GPIB0::3::INSTR")->CommandCount();

  WithModal<AboutDialog>(
      [&] { panel.ShowAbout(true); },
      [](AboutDialog& about) {
        EXPECT_EQ(about.LanguageList()->currentRow(), 0);
        const fs::path out = fs::path(VX_BIN_DIR).parent_path() / "screenshots";
        fs::create_directories(out);
        about.grab().save(QString::fromStdString((out / "about_box.png").string()));
        about.LanguageList()->setCurrentRow(2);
      });
  EXPECT_EQ(CurrentLanguage, kChineseSimplified);
  EXPECT_EQ(MenuText(panel, 0, 0), QString::fromUtf8("设置仪器"));
  EXPECT_EQ(MenuText(panel, 4), QString::fromUtf8("帮助"));
  panel.show();
  panel.grab().save(QString::fromStdString(
      (fs::path(VX_BIN_DIR).parent_path() / "screenshots" / "front_panel_chinese.png").string()));
  // No meter was listed: closing the box scanned again ("L0" and "*IDN?").
  EXPECT_EQ(visa.Meter("GPIB0::3::INSTR")->CommandCount(), commandsAfterOpen + 2);

  // Showing the box again starts from the system's language.
  WithModal<AboutDialog>([&] { panel.ShowAbout(true); },
                         [](AboutDialog& about) {
                           EXPECT_EQ(about.LanguageList()->currentRow(), 0);
                           EXPECT_EQ(about.Tabs()->tabText(0), "About");
                         });
  EXPECT_EQ(MenuText(panel, 0, 0), "Setting Device");
  CurrentLanguage = std::string(kEnglish);
}

TEST(PanelReading, AnEmptyAnswerStopsWithCheckDeviceConnection) {
  auto meter = SimulatedVisa::GpibMeter(22);
  meter.fault.kind = sim::FaultKind::NoAnswer;
  meter.fault.onlyFor = "READ?";
  SimulatedVisa visa({meter});
  ScriptedPrompter prompter;
  PanelWindow panel(prompter, "en_US");
  panel.Open();
  panel.StartReading();
  panel.Tick();
  EXPECT_FALSE(panel.Timer().isActive());
  EXPECT_TRUE(panel.StartAction()->isEnabled());
  ASSERT_EQ(prompter.Messages().size(), 1u);
  EXPECT_EQ(prompter.Messages()[0].text, "Check Device Connection");
  EXPECT_EQ(prompter.Messages()[0].title, "ERROR");
  EXPECT_EQ(prompter.Messages()[0].icon, MessageIcon::Stop);
}

// A meter that stops answering after two readings, before the display has filled.
TEST(PanelReading, AMeterThatFailsEarlyKeepsTheTraceOfWhatItAnswered) {
  auto meter = SimulatedVisa::GpibMeter(22);
  meter.inputs["VOLT"] = 0.5;
  unsigned readsFailFrom = 0;
  {
    // The same panel with a sound meter: the commands it sends up to its third reading.
    SimulatedVisa visa({meter});
    ScriptedPrompter prompter;
    PanelWindow panel(prompter, "en_US", visa.Clock());
    panel.Open();
    panel.StartReading();
    panel.Tick();
    panel.Tick();
    readsFailFrom = visa.Meter("GPIB0::22::INSTR")->CommandCount();
    panel.StopReading();
  }
  meter.fault.kind = sim::FaultKind::NoAnswer;
  meter.fault.onlyFor = "READ?";
  meter.fault.afterCommands = readsFailFrom;
  SimulatedVisa visa({meter});
  ScriptedPrompter prompter;
  PanelWindow panel(prompter, "en_US", visa.Clock());
  panel.Open();
  panel.ChooseDots(0);
  panel.StartReading();
  for (int i = 0; i < 3 && panel.Timer().isActive(); ++i) panel.Tick();
  EXPECT_FALSE(panel.Timer().isActive());
  ASSERT_EQ(prompter.Messages().size(), 1u);
  EXPECT_EQ(prompter.Messages()[0].text, "Check Device Connection");
  EXPECT_EQ(panel.Loop().History().SampleCount(), 2);
  // The two readings stay drawn after the stop.
  EXPECT_GT(PixelsOf(panel, QColor(0, 0, 255)), 5);
}

TEST(PanelReading, GarbageAndHugeAnswersNeverBreakTheDisplay) {
  auto garbage = SimulatedVisa::GpibMeter(22);
  garbage.fault.kind = sim::FaultKind::Garbage;
  garbage.fault.onlyFor = "READ?";
  auto overlong = SimulatedVisa::GpibMeter(23);
  overlong.fault.kind = sim::FaultKind::Overlong;
  overlong.fault.onlyFor = "READ?";
  SimulatedVisa visa({garbage, overlong});
  ScriptedPrompter prompter;
  PanelWindow panel(prompter, "en_US");
  panel.Open();
  panel.ChooseDots(0);
  for (int device : {0, 1}) {
    panel.MakeCurrent(device);
    panel.StartReading();
    for (int i = 0; i < 60 && panel.Timer().isActive(); ++i) panel.Tick();
    panel.StopReading();
  }
  // Whatever came, the labels hold text and the display kept its size.
  EXPECT_FALSE(panel.Row(0).reading->text().isEmpty());
  EXPECT_EQ(panel.Display()->Picture().size(), panel.Display()->size());
}

}  // namespace
}  // namespace vx::panel
