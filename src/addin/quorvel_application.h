#pragma once
// Class Application of the logging engine: the properties and members of _Application over
// the thread's LoggingState, the engine's device table, its settings file and the meter
// discovery.

#include <memory>
#include <vector>

#include "addin/engine_device_table.h"
#include "addin/logging_state.h"
#include "addin/quorvel.h"
#include "automation/unknown.h"
#include "common/clock.h"
#include "common/prompt.h"

namespace vx::addin {

class Application final : public automation::Unknown, public _Application {
 public:
  // `prompter` shows the engine's messages; `clock` gives the time of readings and of the
  // begin and stop times.
  Application(std::unique_ptr<Prompter> prompter, const Clock& clock);
  ~Application() override;

  void* QueryInterface(std::string_view interfaceId) override;

  ViSession get_wkSesn() override { return wkSesn_; }
  void put_wkSesn(ViSession value) override { wkSesn_ = value; }
  std::int16_t get_m_DevCount() override { return m_DevCount_; }
  void put_m_DevCount(std::int16_t value) override { m_DevCount_ = value; }
  ViFindList get_fList() override { return fList_; }
  void put_fList(ViFindList value) override { fList_ = value; }
  ViSession get_dfltRM() override { return dfltRM_; }
  void put_dfltRM(ViSession value) override { dfltRM_ = value; }
  std::string get_m_IDNbuff() override { return m_IDNbuff_; }
  void put_m_IDNbuff(std::string value) override { m_IDNbuff_ = std::move(value); }
  std::string get_m_IDNAddr() override { return m_IDNAddr_; }
  void put_m_IDNAddr(std::string value) override { m_IDNAddr_ = std::move(value); }
  ViSession get_m_IDNSesn() override { return m_IDNSesn_; }
  void put_m_IDNSesn(ViSession value) override { m_IDNSesn_ = value; }
  ViSession get_sesn() override { return sesn_; }
  void put_sesn(ViSession value) override { sesn_ = value; }
  std::int32_t get_retcount() override { return retcount_; }
  void put_retcount(std::int32_t value) override { retcount_ = value; }
  double get_USBRM() override { return USBRM_; }
  void put_USBRM(double value) override { USBRM_ = value; }
  double get_GPIBRM() override { return GPIBRM_; }
  void put_GPIBRM(double value) override { GPIBRM_ = value; }
  double get_TCPIPRM() override { return TCPIPRM_; }
  void put_TCPIPRM(double value) override { TCPIPRM_ = value; }

  Status SetApp(automation::ApplicationPtr& excelApp) override;
  Result<Variant> StartTimer(std::int32_t& m_Interval) override;
  Result<Variant> PauseTimer() override;
  Result<Variant> Stop_Pause() override;
  Result<Variant> StopTimer() override;
  Result<Variant> ShowHelp(const std::string& sPath) override;
  Result<Variant> SetWorkbooksName(const std::string& sName) override;
  Result<Variant> SetSheet(automation::WorksheetPtr& ExcelSheet) override;
  Result<std::int32_t> GetLanguageCount() override;
  Result<std::string> GetLanguage(std::int32_t m_Index) override;
  Result<Variant> SetLanguage(std::int32_t m_Index) override;
  Result<std::string> GetIdText(const std::string& id) override;
  Result<Variant> SetNumberOfReading(std::int32_t m_count) override;
  Result<std::int16_t> GetExlVersion() override;
  Result<Variant> AddChart(std::int16_t& val1, bool& val2) override;
  Result<Variant> SetAtTime(const std::string& var) override;
  Result<Variant> SetBegin(std::int32_t iVal) override;
  Result<Variant> SetTerimnatingUpon(std::int32_t iVal) override;
  Result<Variant> SetStopTime(const std::string& StopHour, const std::string& StopMin,
                              const std::string& StopSec) override;
  Result<Variant> SaveSetting() override;
  Result<std::string> LoadSetting(std::string& val1, std::string& val2) override;
  Result<Variant> SaveSetting1(std::string& val1, std::string& val2) override;
  Result<std::string> GetINI() override;
  Result<Variant> FindDevice() override;
  Result<Variant> FindRsrc(const std::string& add0, const std::string& add1) override;
  Result<Variant> GetDevSesn(std::int32_t nList, std::int32_t dfltRM,
                             const std::string& rsrcName) override;
  Status GetIDN(std::int16_t i) override;
  Status RMClose() override;

 private:
  // Makes this instance's prompter and clock the run's.
  LoggingState& Bound();
  bool Accepts(const std::string& identity) const;
  void IdentifyOne(ViSession manager, const std::string& descriptor, Status& tableFull);
  Result<std::vector<std::string>> Languages();

  LoggingState& state_;
  std::unique_ptr<Prompter> prompter_;
  const Clock& clock_;
  EngineDeviceTable table_;
  // Every resource manager this instance opened: RMClose closes them all, so no session of
  // an earlier search outlives the instance.
  std::vector<ViSession> managers_;

  ViSession wkSesn_ = VI_NULL;
  std::int16_t m_DevCount_ = 0;
  ViFindList fList_ = VI_NULL;
  ViSession dfltRM_ = VI_NULL;
  std::string m_IDNbuff_;
  std::string m_IDNAddr_;
  ViSession m_IDNSesn_ = VI_NULL;
  ViSession sesn_ = VI_NULL;
  std::int32_t retcount_ = 0;
  double USBRM_ = 0;
  double GPIBRM_ = 0;
  double TCPIPRM_ = 0;
};

// The prompter the engine uses where it is created through the registry: message boxes in
// a program with a display, the terminal otherwise.
std::unique_ptr<Prompter> DefaultEnginePrompter();

}  // namespace vx::addin
