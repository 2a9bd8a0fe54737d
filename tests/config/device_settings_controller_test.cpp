#include "config/device_settings_controller.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/c_number.h"
#include "common/scripted_prompter.h"
#include "instrument/device_table.h"
#include "simulated_visa.h"

namespace vx::config {
namespace {

using enum MeasureFunction;
using test::SimulatedVisa;
using Lines = std::vector<std::string>;

constexpr char kHewlettIdentity[] = "HEWLETT-PACKARD,W9-90/1,X1,1.0";

// A simulated meter of each kind behind the device table, as the dialog finds them; the
// query function records every line sent and can replace chosen answers with bad ones.
class ControllerTest : public ::testing::Test {
 protected:
  ControllerTest()
      : visa_({SimulatedVisa::UsbMeter("TW1", "Q7110"), SimulatedVisa::UsbMeter("TW2", "Q7111"),
               SimulatedVisa::GpibMeter(22),
               SimulatedVisa::OtherInstrument("GPIB0::9::INSTR", kHewlettIdentity)}) {
    table_.ScanMeters(instrument::kDeviceSettingsScan);
  }

  int Position(std::string_view identityPart) const {
    for (int k = 0; k < table_.MeterCount(); ++k) {
      if (table_.MeterIdentity(k).find(identityPart) != std::string::npos) return k;
    }
    ADD_FAILURE() << "no meter " << identityPart;
    return -1;
  }

  DeviceSettingsController Controller(std::string_view identityPart) {
    const int position = Position(identityPart);
    return DeviceSettingsController(
        table_.MeterIdentity(position),
        [this, position](std::string_view command) {
          sent_.emplace_back(command);
          std::string answer = table_.SendQuery(position, command);
          const auto replaced = replace_.find(std::string(command));
          return replaced == replace_.end() ? answer : replaced->second;
        },
        prompter_);
  }

  // Sets a meter up behind the controller's back.
  void Tell(std::string_view identityPart, const Lines& commands) {
    for (const std::string& command : commands) table_.SendQuery(Position(identityPart), command);
  }

  Lines TakeSent() { return std::exchange(sent_, {}); }

  SimulatedVisa visa_;
  instrument::DeviceTable table_;
  ScriptedPrompter prompter_;
  Lines sent_;
  std::map<std::string, std::string> replace_;
};

ApplyRequest Request(MeasureFunction f, int range, int second = 0) {
  ApplyRequest request;
  request.function = f;
  request.rangeIndex = range;
  request.secondIndex = second;
  return request;
}

ApplyRequest UserRtd(double alpha, double beta, double delta, double rZero) {
  ApplyRequest request = Request(Temperature, 7);
  request.coefficients = {alpha, beta, delta, rZero, std::nullopt, std::nullopt};
  return request;
}

ApplyRequest Sprtd(std::array<double, 6> values) {
  ApplyRequest request = Request(Temperature, 6);
  for (size_t i = 0; i < values.size(); ++i) request.coefficients[i] = values[i];
  return request;
}

TEST_F(ControllerTest, EveryFunctionRangeAndSecondSettingIsConfirmedAndReadBack) {
  for (const char* meter : {"Q7110", "Q7111", "TW00022", "HEWLETT"}) {
    DeviceSettingsController controller = Controller(meter);
    for (const MeasureFunction f : controller.Functions()) {
      const auto ranges = controller.Ranges(f);
      const auto seconds = controller.SecondEntries(f);
      for (size_t r = 0; r < ranges.size(); ++r) {
        SCOPED_TRACE(std::string(meter) + " " + std::string(Info(f).name.english) + " " +
                     std::string(ranges[r].text));
        const int second = seconds.empty() ? 0 : static_cast<int>(r % seconds.size());
        ApplyRequest request = Request(f, static_cast<int>(r), second);
        const auto set = CoefficientSetFor(f, ranges[r].text);
        if (set == CoefficientSet::User) request = UserRtd(0.00392, 0.5, 1.25, 99.5);
        if (set == CoefficientSet::Sprtd) request = Sprtd({25.5, -0.001, 0.0002, 0.25, -0.5, 1});
        request.secondIndex = second;
        unsigned char autoRange = 7;
        ASSERT_EQ(controller.Apply(request, autoRange), ApplyOutcome::Done);
        EXPECT_EQ(autoRange, IsAuto(ranges[r]) ? 1 : 0);

        const ReadBackResult back = controller.ReadBack();
        ASSERT_TRUE(back.complete);
        EXPECT_EQ(back.function, f);
        EXPECT_EQ(back.rangeIndex, static_cast<int>(r));
        if (!seconds.empty() && Info(f).secondLabelled) {
          ASSERT_TRUE(back.secondIndex.has_value());
          // Entries with equal values are told apart by nobody: the value must survive.
          EXPECT_EQ(seconds[static_cast<size_t>(*back.secondIndex)].value,
                    seconds[static_cast<size_t>(second)].value);
        }
        EXPECT_EQ(back.coefficientSet, set);
        for (size_t i = 0; i < CoefficientFields(set).size(); ++i)
          EXPECT_EQ(back.coefficients[i], *request.coefficients[i]);
      }
    }
  }
  EXPECT_TRUE(prompter_.Records().empty());
}

TEST_F(ControllerTest, AcVoltage750IsSentAs1000OnTheExtendedModelsAnd750OnBasic) {
  unsigned char autoRange = 1;
  auto full = Controller("Q7110");
  EXPECT_EQ(full.Apply(Request(AcVoltage, 5, 1), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:VOLT:AC\n", "func?\n", "SENS:VOLT:AC:RANGE:AUTO 0\n",
                               "SENS:VOLT:AC:RANGE 1000.000000000000\n", "SENS:VOLT:AC:RANGE?\n",
                               "SENS:DET:BAND 20\n"}));
  EXPECT_EQ(autoRange, 0);
  // The basic meter reports its 750 V range as 1000, which confirms it.
  auto basic = Controller("TW00022");
  EXPECT_EQ(basic.Apply(Request(AcVoltage, 5, 2), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:VOLT:AC\n", "func?\n", "SENS:VOLT:AC:RANGE:AUTO 0\n",
                               "SENS:VOLT:AC:RANGE 750.000000000000\n", "SENS:VOLT:AC:RANGE?\n",
                               "SENS:DET:BAND 200\n"}));
}

TEST_F(ControllerTest, FrequencyAndPeriodSetTheSignalRangeAndApertureWithoutReadBack) {
  unsigned char autoRange = 0;
  auto full = Controller("Q7110");
  EXPECT_EQ(full.Apply(Request(Frequency, 0, 0), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:FREQ\n", "func?\n", "SENS:FREQ:volt:rang:auto on\n",
                               "SENS:freq:APER 0.01\n", "SENS:freq:APER 0.01\n"}));
  EXPECT_EQ(autoRange, 1);
  EXPECT_EQ(full.Apply(Request(Period, 0, 1), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:PER\n", "func?\n", "SENS:PER:volt:rang:auto on\n",
                               "SENS:freq:APER 0.1\n", "SENS:freq:APER 0.1\n"}));
  // The basic model does not repeat the aperture.
  auto basic = Controller("TW00022");
  EXPECT_EQ(basic.Apply(Request(Period, 3, 2), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(),
            (Lines{"CONF:PER\n", "func?\n", "SENS:PER:volt:rang 10.0\n", "SENS:freq:APER 1\n"}));
  EXPECT_EQ(autoRange, 0);
}

TEST_F(ControllerTest, DcRatioUsesTheDcVoltageSettingsOnBasicAndItsOwnElsewhere) {
  unsigned char autoRange = 1;
  auto basic = Controller("TW00022");
  EXPECT_EQ(basic.Apply(Request(DcRatio, 3, 3), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:VOLT:RAT\n", "func?\n", "SENS:VOLT:DC:RANGE:AUTO 0\n",
                               "SENS:VOLT:DC:RANGE 10.000000000000\n", "SENS:VOLT:DC:RANGE?\n",
                               "SENS:VOLT:DC:NPLC 1\n"}));
  auto full = Controller("Q7110");
  EXPECT_EQ(full.Apply(Request(DcRatio, 0, 7), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:VOLT:RAT\n", "func?\n", "SENS:VOLT:DC:RAT:RANGE:AUTO 1\n",
                               "SENS:VOLT:DC:RAT:RANGE:AUTO?\n", "SENS:VOLT:DC:RAT:NPLC 2\n"}));
  EXPECT_EQ(full.Apply(Request(DcRatio, 1, 0), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:VOLT:RAT\n", "func?\n", "SENS:VOLT:DC:RAT:RANGE:AUTO 0\n",
                               "SENS:VOLT:DC:RAT:RANGE 0.100000000000\n",
                               "SENS:VOLT:DC:RAT:RANGE?\n", "SENS:VOLT:DC:RAT:NPLC 0.001\n"}));
  // On the model without thermocouple DC Ratio follows TEMP in the list.
  auto noTc = Controller("Q7111");
  ASSERT_EQ(noTc.Functions()[11], DcRatio);
  EXPECT_EQ(noTc.Apply(Request(noTc.Functions()[11], 0, 0), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent().front(), "CONF:VOLT:RAT\n");
}

TEST_F(ControllerTest, ResolutionTablesOfTheBasicMeters) {
  unsigned char autoRange = 0;
  auto basic = Controller("TW00022");
  EXPECT_EQ(basic.Apply(Request(Resistance4W, 0, 1), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent().back(), "SENS:FRES:NPLC 0.1\n");
  auto hewlett = Controller("HEWLETT");
  EXPECT_EQ(hewlett.Apply(Request(Resistance4W, 0, 1), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent().back(), "SENS:FRES:NPLC 1\n");
}

TEST_F(ControllerTest, ContinuityAndDiodeOnlyConfigure) {
  unsigned char autoRange = 0;
  auto full = Controller("Q7110");
  EXPECT_EQ(full.Apply(Request(Continuity, 0), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:CONT\n", "func?\n"}));
  EXPECT_EQ(autoRange, 1);
  EXPECT_EQ(full.Apply(Request(Diode, 0), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:DIODE\n", "func?\n"}));
}

TEST_F(ControllerTest, CapacitanceIsConfirmedByItsFunctionAnswer) {
  unsigned char autoRange = 1;
  auto full = Controller("Q7110");
  EXPECT_EQ(full.Apply(Request(Capacitance, 1, 0), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:CAP\n", "func?\n", "SENS:CAP:RANGE:AUTO 0\n",
                               "SENS:CAP:RANGE 0.000000001000\n", "SENS:CAP:RANGE?\n"}));
  EXPECT_EQ(autoRange, 0);
  const ReadBackResult back = full.ReadBack();
  EXPECT_EQ(TakeSent(), (Lines{"func?\n", "CAP:range:auto?\n", "CAP:range?\n"}));
  EXPECT_EQ(back.function, Capacitance);
  EXPECT_EQ(back.rangeIndex, 1);
  // A meter that answers anything else has not taken the function.
  replace_["func?\n"] = "VOLT";
  EXPECT_EQ(full.Apply(Request(Capacitance, 0, 0), autoRange), ApplyOutcome::Refused);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Shift FUNCTION error.Try again.");
  EXPECT_EQ(autoRange, 0);
}

TEST_F(ControllerTest, TemperatureWritesTypeCoefficientsAndUnit) {
  unsigned char autoRange = 1;
  auto full = Controller("Q7110");
  ApplyRequest user = UserRtd(0.00385, 0.10863, 1.4999, 100);
  user.secondIndex = 2;
  EXPECT_EQ(full.Apply(user, autoRange), ApplyOutcome::Done);
  EXPECT_EQ(
      TakeSent(),
      (Lines{"CONF:TEMP\n", "func?\n", "SENS:TEMP:RTD:TYPE USER\n", "SENS:TEMP:RTD:TYPE?\n",
             "SENS:TEMP:RTD:ALPH 0.003850000000000\n", "SENS:TEMP:RTD:BETA 0.108630000000000\n",
             "SENS:TEMP:RTD:DELT 1.499900000000000\n", "SENS:TEMP:RTD:RZER 100.000000000000000\n",
             "SENS:UNIT K\n", "SENS:UNIT?\n", "SENS:UNIT K\n"}));
  EXPECT_EQ(autoRange, 0);

  auto basic = Controller("TW00022");
  EXPECT_EQ(basic.Apply(Sprtd({25.5, 0.5, -0.5, 0.25, -0.25, 0}), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(
      TakeSent(),
      (Lines{"CONF:TEMP\n", "func?\n", "SENS:TEMP:RTD:TYPE SPRTD\n", "SENS:TEMP:RTD:TYPE?\n",
             "SENS:TEMP:SPRTD:RZER 25.500000000000000\n", "SENS:TEMP:SPRTD:A4 0.500000000000000\n",
             "SENS:TEMP:SPRTD:B4 -0.500000000000000\n", "SENS:TEMP:SPRTD:Ax 0.250000000000000\n",
             "SENS:TEMP:SPRTD:Bx -0.250000000000000\n", "SENS:TEMP:SPRTD:Cx 0.000000000000000\n",
             "SENS:UNIT C\n", "SENS:UNIT?\n"}));

  EXPECT_EQ(basic.Apply(Request(Thermocouple, 2, 1), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:TCOUPLE\n", "func?\n", "SENS:TCO:TYPE K\n", "SENS:TCO:TYPE?\n",
                               "SENS:UNIT F\n", "SENS:UNIT?\n"}));
  EXPECT_TRUE(prompter_.Records().empty());
}

TEST_F(ControllerTest, EachFailedCheckStopsTheApplyWithItsMessage) {
  struct Case {
    const char* meter;
    ApplyRequest request;
    std::string command;  // whose answer is replaced
    std::string answer;
    std::string message;
    std::string lastSent;
    int autoRange;  // the flag afterwards; it starts at 7
  };
  const std::vector<Case> cases = {
      {"Q7110", Request(DcVoltage, 2, 0), "func?\n", "VOLT:AC", "Shift FUNCTION error.Try again.",
       "func?\n", 7},
      {"Q7110", Request(DcVoltage, 0, 0), "SENS:VOLT:DC:RANG:AUTO?\n", "0",
       "Shift AUTO RANGE error. Try again.", "SENS:VOLT:DC:RANG:AUTO?\n", 1},
      {"Q7110", Request(DcVoltage, 3, 0), "SENS:VOLT:DC:RANGE?\n", "+1.00000000E+02",
       "Shift RANGE error. Try again.", "SENS:VOLT:DC:RANGE?\n", 0},
      {"Q7110", Request(AcVoltage, 5, 0), "SENS:VOLT:AC:RANGE?\n", "+7.50000000E+02",
       "Shift RANGE error. Try again.", "SENS:VOLT:AC:RANGE?\n", 0},
      {"Q7110", Request(DcVoltage, 3, 0), "SENS:VOLT:DC:RANGE?\n", "",
       "Shift RANGE error. Try again.", "SENS:VOLT:DC:RANGE?\n", 0},
      {"Q7110", UserRtd(0.004, 0.1, 1, 100), "SENS:TEMP:RTD:TYPE?\n", "PT100",
       "Converting data error\xef\xbc\x8cplease retry", "SENS:TEMP:RTD:TYPE?\n", 0},
      {"TW00022", Request(Thermocouple, 2, 0), "SENS:TCO:TYPE?\n", "KX",
       "Shift TCopule TYPE error. Try again.", "SENS:TCO:TYPE?\n", 0},
      {"Q7110", Request(Thermocouple, 0, 2), "SENS:UNIT?\n", "C", "Shift UNIT error. Try again.",
       "SENS:UNIT?\n", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command + " answered " + c.answer);
    replace_ = {{c.command, c.answer}};
    prompter_.Clear();
    TakeSent();
    // Cancel or OK: the apply ends either way.
    prompter_.QueueAnswer(MessageAnswer::Cancel);
    unsigned char autoRange = 7;
    EXPECT_EQ(Controller(c.meter).Apply(c.request, autoRange), ApplyOutcome::Refused);
    ASSERT_EQ(prompter_.Messages().size(), 1u);
    EXPECT_EQ(prompter_.Messages()[0].text, c.message);
    EXPECT_EQ(prompter_.Messages()[0].title, "");
    EXPECT_EQ(prompter_.Messages()[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(TakeSent().back(), c.lastSent);
    // The flag changes only once the meter has confirmed the function.
    EXPECT_EQ(autoRange, c.autoRange);
  }
}

TEST_F(ControllerTest, ThermocoupleTypeAnswersAreOnlyContainedOnTheFullModel) {
  replace_ = {{"SENS:TCO:TYPE?\n", "\"J\""}};
  unsigned char autoRange = 0;
  EXPECT_EQ(Controller("Q7110").Apply(Request(Thermocouple, 1, 0), autoRange), ApplyOutcome::Done);
  EXPECT_TRUE(prompter_.Records().empty());
}

TEST_F(ControllerTest, NoFunctionAnswerEndsTheApplySilently) {
  replace_ = {{"func?\n", ""}};
  unsigned char autoRange = 7;
  EXPECT_EQ(Controller("Q7110").Apply(Request(DcVoltage, 0), autoRange), ApplyOutcome::NoAnswer);
  EXPECT_EQ(TakeSent(), (Lines{"CONF:VOLT:DC\n", "func?\n"}));
  EXPECT_EQ(autoRange, 7);
  EXPECT_TRUE(prompter_.Records().empty());
}

TEST_F(ControllerTest, CoefficientBoundsAreCheckedBeforeAnyIsSent) {
  auto full = Controller("Q7110");
  unsigned char autoRange = 1;
  // The edges pass.
  EXPECT_EQ(full.Apply(UserRtd(0.01, 0, 5, 10), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(full.Apply(UserRtd(0, 1, 0, 1000), autoRange), ApplyOutcome::Done);
  EXPECT_EQ(full.Apply(Sprtd({10, -1, 1, -1, 1, -1}), autoRange), ApplyOutcome::Done);
  EXPECT_TRUE(prompter_.Records().empty());

  struct Case {
    ApplyRequest request;
    std::string key;
    std::string message;
  };
  const std::vector<Case> cases = {
      {UserRtd(0.0100001, 0.1, 1, 100), "1004",
       "ALPHA range is 0 - 0.01\xef\xbc\x8cplease re-enter."},
      {UserRtd(0.004, 1.5, 1, 100), "1005", "BETA range is 0 - 1\xef\xbc\x8cplease re-enter."},
      {UserRtd(0.004, 0.1, -0.1, 100), "1006", "DELTA range is 0 - 5\xef\xbc\x8cplease re-enter."},
      {UserRtd(0.004, 0.1, 1, 9.999), "1007",
       "R-ZERO range is 10 - 1000\xef\xbc\x8cplease re-enter."},
      {Sprtd({1000.5, 0, 0, 0, 0, 0}), "1007",
       "R-ZERO range is 10 - 1000\xef\xbc\x8cplease re-enter."},
      {Sprtd({100, 0, 0, 0, 0, 1.0001}), "1012",
       "C7 range is (-1) - 1\xef\xbc\x8cplease re-enter."},
      {Sprtd({100, 0, 0, -2, 0, 0}), "1010", "A7 range is (-1) - 1\xef\xbc\x8cplease re-enter."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    prompter_.Clear();
    TakeSent();
    EXPECT_EQ(full.Apply(c.request, autoRange), ApplyOutcome::Refused);
    ASSERT_EQ(prompter_.Messages().size(), 1u);
    EXPECT_EQ(prompter_.Messages()[0].text, c.message);
    EXPECT_EQ(prompter_.Messages()[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(prompter_.Messages()[0].title, "");
    // The type was set; no coefficient and no unit followed.
    const Lines sent = TakeSent();
    EXPECT_EQ(sent.back(), "SENS:TEMP:RTD:TYPE?\n");
    EXPECT_EQ(sent.size(), 4u);
  }
}

TEST_F(ControllerTest, AFieldWithoutANumberIsRefusedLikeAnOutOfBoundsValue) {
  ApplyRequest request = UserRtd(0.004, 0.1, 1, 100);
  request.coefficients[2] = std::nullopt;
  unsigned char autoRange = 1;
  EXPECT_EQ(Controller("Q7110").Apply(request, autoRange), ApplyOutcome::Refused);
  ASSERT_EQ(prompter_.Messages().size(), 1u);
  EXPECT_EQ(prompter_.Messages()[0].text, "Please input a valid value.");
  EXPECT_EQ(TakeSent().back(), "SENS:TEMP:RTD:TYPE?\n");
  // The two fields that "USER" does not use are not looked at.
  EXPECT_EQ(Controller("Q7110").Apply(UserRtd(0.004, 0.1, 1, 100), autoRange), ApplyOutcome::Done);
}

TEST_F(ControllerTest, RequestsTheMeterCannotTakeSendNothing) {
  unsigned char autoRange = 7;
  EXPECT_EQ(Controller("Q7111").Apply(Request(Thermocouple, 0), autoRange),
            ApplyOutcome::NotApplicable);
  EXPECT_EQ(Controller("TW00022").Apply(Request(Capacitance, 0), autoRange),
            ApplyOutcome::NotApplicable);
  EXPECT_EQ(Controller("Q7111").Apply(Request(DcCurrent, 5), autoRange),
            ApplyOutcome::NotApplicable);
  EXPECT_EQ(Controller("Q7110").Apply(Request(DcVoltage, 0, 10), autoRange),
            ApplyOutcome::NotApplicable);
  EXPECT_EQ(Controller("Q7110").Apply(Request(DcVoltage, -1), autoRange),
            ApplyOutcome::NotApplicable);
  EXPECT_TRUE(sent_.empty());
  EXPECT_EQ(autoRange, 7);
}

TEST_F(ControllerTest, ReadBackOfAnSprtdFillsAllSixCoefficients) {
  Tell("Q7110",
       {"CONF:TEMP\n", "SENS:TEMP:RTD:TYPE SPRTD\n", "SENS:TEMP:SPRTD:RZER 99.5\n",
        "SENS:TEMP:SPRTD:A4 -0.003\n", "SENS:TEMP:SPRTD:B4 0.0004\n", "SENS:TEMP:SPRTD:Ax 0.5\n",
        "SENS:TEMP:SPRTD:Bx -0.75\n", "SENS:TEMP:SPRTD:Cx 1\n", "SENS:UNIT F\n"});
  const ReadBackResult back = Controller("Q7110").ReadBack();
  EXPECT_EQ(TakeSent(),
            (Lines{"func?\n", "SENS:UNIT?\n", "SENS:TEMP:RTD:TYPE?\n", "SENS:TEMP:SPRTD:RZER?\n",
                   "SENS:TEMP:SPRTD:A4?\n", "SENS:TEMP:SPRTD:B4?\n", "SENS:TEMP:SPRTD:AX?\n",
                   "SENS:TEMP:SPRTD:BX?\n", "SENS:TEMP:SPRTD:CX?\n"}));
  EXPECT_TRUE(back.complete);
  EXPECT_EQ(back.function, Temperature);
  EXPECT_EQ(back.secondIndex, 1);
  EXPECT_EQ(back.rangeIndex, 6);
  EXPECT_EQ(back.coefficientSet, CoefficientSet::Sprtd);
  EXPECT_EQ(back.coefficients,
            (std::array<std::optional<double>, 6>{99.5, -0.003, 0.0004, 0.5, -0.75, 1}));

  Tell("Q7110", {"SENS:TEMP:RTD:TYPE PT100\n"});
  const ReadBackResult standard = Controller("Q7110").ReadBack();
  EXPECT_EQ(standard.coefficientSet, CoefficientSet::None);
  EXPECT_EQ(standard.rangeIndex, 0);
  EXPECT_EQ(TakeSent().back(), "SENS:TEMP:RTD:TYPE?\n");
}

// A coefficient field shows what the meter answered, or nothing: never a value read out of
// text that is no decimal number.
TEST_F(ControllerTest, CoefficientAnswersThatAreNoDecimalNumberLeaveTheirFieldsEmpty) {
  Tell("Q7110", {"CONF:TEMP\n", "SENS:TEMP:RTD:TYPE SPRTD\n", "SENS:UNIT C\n"});
  replace_ = {{"SENS:TEMP:SPRTD:RZER?\n", "inf"}, {"SENS:TEMP:SPRTD:A4?\n", "-nan"},
              {"SENS:TEMP:SPRTD:B4?\n", "0x10"},  {"SENS:TEMP:SPRTD:AX?\n", "0x1p200"},
              {"SENS:TEMP:SPRTD:BX?\n", ""},      {"SENS:TEMP:SPRTD:CX?\n", "\"+2.5E-01\"\n"}};
  const ReadBackResult back = Controller("Q7110").ReadBack();
  EXPECT_TRUE(back.complete);
  EXPECT_EQ(back.coefficientSet, CoefficientSet::Sprtd);
  EXPECT_EQ(back.coefficients,
            (std::array<std::optional<double>, 6>{std::nullopt, std::nullopt, std::nullopt,
                                                  std::nullopt, std::nullopt, 0.25}));
}

// Range and integration-time answers are decimals too; "0x64" is no 100-ohm range.
TEST_F(ControllerTest, RangeAnswersThatAreNoDecimalNumberEndTheReadBack) {
  Tell("Q7110", {"CONF:RES\n", "SENS:RES:RANGE 100\n"});
  replace_ = {{"RES:range?\n", "0x64"}};
  ReadBackResult back = Controller("Q7110").ReadBack();
  EXPECT_EQ(back.function, Resistance2W);
  EXPECT_FALSE(back.rangeIndex.has_value());
  EXPECT_FALSE(back.complete);
}

TEST_F(ControllerTest, ReadBackEndsAtTheFirstAnswerThatNamesNothing) {
  // A function the model does not offer, or none at all.
  replace_ = {{"func?\n", "CAP"}};
  EXPECT_FALSE(Controller("TW00022").ReadBack().function.has_value());
  replace_ = {{"func?\n", "\"SWEEP\""}};
  EXPECT_FALSE(Controller("Q7110").ReadBack().function.has_value());
  EXPECT_EQ(TakeSent(), (Lines{"func?\n", "func?\n"}));
  replace_.clear();

  // An integration time that the basic table lacks.
  Tell("TW00022", {"CONF:VOLT:DC\n", "SENS:VOLT:DC:NPLC 100\n"});
  ReadBackResult back = Controller("TW00022").ReadBack();
  EXPECT_EQ(back.function, DcVoltage);
  EXPECT_FALSE(back.secondIndex.has_value());
  EXPECT_FALSE(back.rangeIndex.has_value());
  EXPECT_FALSE(back.complete);
  EXPECT_EQ(TakeSent(), (Lines{"func?\n", "SENS:VOLT:DC:NPLC?\n"}));

  // A range that is not in the list.
  replace_ = {{"VOLT:DC:range?\n", "+2.00000000E+00"}};
  Tell("TW00022", {"SENS:VOLT:DC:NPLC 10\n", "SENS:VOLT:DC:RANGE 1\n"});
  back = Controller("TW00022").ReadBack();
  EXPECT_EQ(back.secondIndex, 5);
  EXPECT_FALSE(back.rangeIndex.has_value());
  EXPECT_FALSE(back.complete);
}

TEST_F(ControllerTest, SignalRangeIsAutomaticOnlyForAnAnswerOfExactlyOne) {
  Tell("Q7110", {"CONF:FREQ\n", "SENS:FREQ:volt:rang 100\n"});
  replace_ = {{"SENS:FREQ:volt:rang:auto?\n", "10"}};
  const ReadBackResult back = Controller("Q7110").ReadBack();
  EXPECT_EQ(TakeSent(), (Lines{"func?\n", "SENS:FREQ:APER?\n", "SENS:FREQ:volt:rang:auto?\n",
                               "SENS:FREQ:volt:rang?\n"}));
  EXPECT_EQ(back.rangeIndex, 4);
}

}  // namespace
}  // namespace vx::config
