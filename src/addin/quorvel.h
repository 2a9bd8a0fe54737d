#pragma once
// The automation interface of the worksheet-logging engine: class Application of library
// Quorvel (version 1.0), created as "Quorvel.Application". A host (the add-in workbook; on
// this platform vxlink) hands it the spreadsheet program and a worksheet, lets it find and
// identify the meters, sets up a logging run and starts it.
//
// The members are those of the dispatch interface _Application, in its order: first the
// properties (get_ and put_ accessors), then the methods. In-out arguments are references.
// Methods that return a variant return an empty one; a failure comes back as an automation
// error, except where the engine shows a message itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "automation/automation_error.h"
#include "automation/spreadsheet.h"
#include "visa/visa.h"

namespace vx::addin {

using automation::Result;
using automation::Status;
using Variant = automation::Value;

// Fixed identifiers of the type library and its two types.
inline constexpr const char* kLibraryGuid = "{6A3D0F1E-5B7C-4E21-9C1D-3F2A8B7E9D01}";
inline constexpr const char* kApplicationClassGuid = "{6A3D0F1E-5B7C-4E21-9C1D-3F2A8B7E9D02}";
inline constexpr const char* kApplicationInterfaceGuid = "{6A3D0F1E-5B7C-4E21-9C1D-3F2A8B7E9D03}";
inline constexpr const char* kProgId = "Quorvel.Application";

class _Application {
 public:
  static constexpr std::string_view kInterfaceId = "Quorvel._Application";
  virtual ~_Application() = default;

  // Properties.
  virtual ViSession get_wkSesn() = 0;
  virtual void put_wkSesn(ViSession value) = 0;
  virtual std::int16_t get_m_DevCount() = 0;
  virtual void put_m_DevCount(std::int16_t value) = 0;
  virtual ViFindList get_fList() = 0;
  virtual void put_fList(ViFindList value) = 0;
  virtual ViSession get_dfltRM() = 0;
  virtual void put_dfltRM(ViSession value) = 0;
  virtual std::string get_m_IDNbuff() = 0;
  virtual void put_m_IDNbuff(std::string value) = 0;
  virtual std::string get_m_IDNAddr() = 0;
  virtual void put_m_IDNAddr(std::string value) = 0;
  virtual ViSession get_m_IDNSesn() = 0;
  virtual void put_m_IDNSesn(ViSession value) = 0;
  virtual ViSession get_sesn() = 0;
  virtual void put_sesn(ViSession value) = 0;
  virtual std::int32_t get_retcount() = 0;
  virtual void put_retcount(std::int32_t value) = 0;
  virtual double get_USBRM() = 0;
  virtual void put_USBRM(double value) = 0;
  virtual double get_GPIBRM() = 0;
  virtual void put_GPIBRM(double value) = 0;
  virtual double get_TCPIPRM() = 0;
  virtual void put_TCPIPRM(double value) = 0;

  // Methods.
  virtual Status SetApp(automation::ApplicationPtr& excelApp) = 0;
  virtual Result<Variant> StartTimer(std::int32_t& m_Interval) = 0;
  virtual Result<Variant> PauseTimer() = 0;
  virtual Result<Variant> Stop_Pause() = 0;
  virtual Result<Variant> StopTimer() = 0;
  virtual Result<Variant> ShowHelp(const std::string& sPath) = 0;
  virtual Result<Variant> SetWorkbooksName(const std::string& sName) = 0;
  virtual Result<Variant> SetSheet(automation::WorksheetPtr& ExcelSheet) = 0;
  virtual Result<std::int32_t> GetLanguageCount() = 0;
  virtual Result<std::string> GetLanguage(std::int32_t m_Index) = 0;
  virtual Result<Variant> SetLanguage(std::int32_t m_Index) = 0;
  virtual Result<std::string> GetIdText(const std::string& id) = 0;
  virtual Result<Variant> SetNumberOfReading(std::int32_t m_count) = 0;
  virtual Result<std::int16_t> GetExlVersion() = 0;
  virtual Result<Variant> AddChart(std::int16_t& val1, bool& val2) = 0;
  virtual Result<Variant> SetAtTime(const std::string& var) = 0;
  virtual Result<Variant> SetBegin(std::int32_t iVal) = 0;
  virtual Result<Variant> SetTerimnatingUpon(std::int32_t iVal) = 0;
  virtual Result<Variant> SetStopTime(const std::string& StopHour, const std::string& StopMin,
                                      const std::string& StopSec) = 0;
  virtual Result<Variant> SaveSetting() = 0;
  virtual Result<std::string> LoadSetting(std::string& val1, std::string& val2) = 0;
  virtual Result<Variant> SaveSetting1(std::string& val1, std::string& val2) = 0;
  virtual Result<std::string> GetINI() = 0;
  virtual Result<Variant> FindDevice() = 0;
  virtual Result<Variant> FindRsrc(const std::string& add0, const std::string& add1) = 0;
  virtual Result<Variant> GetDevSesn(std::int32_t nList, std::int32_t dfltRM,
                                     const std::string& rsrcName) = 0;
  virtual Status GetIDN(std::int16_t i) = 0;
  virtual Status RMClose() = 0;
};

}  // namespace vx::addin
