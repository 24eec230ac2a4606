// The progress of a request under way: body bytes (everything written, the Content-Length) and
// payload bytes (encoded values and file contents), parameter and file counts, and the parameter
// being sent. Every accessor refuses to answer while no request is under way; every counter is
// tested for overflow (error 112) before it grows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Vemra {

class CHttpPostStatT {
 public:
  CHttpPostStatT() = default;
  virtual ~CHttpPostStatT() = default;

  // Starts a request: active, with its totals, everything else 0.
  void Begin(uint32_t actualTotal, uint32_t total, uint32_t totalCount, uint32_t fileCount);
  // No request under way.
  void Clear() { *this = CHttpPostStatT(); }
  bool IsActive() const { return m_active; }

  // Starts the next parameter: counts it (and its file), names it.
  void StartParam(std::u16string name, uint32_t totalBytes, std::optional<std::u16string> file);
  // Counts body bytes written; payload bytes also count into the posted and current figures.
  void AddActualPosted(uint64_t bytes);
  void AddPayloadPosted(uint64_t bytes);

  uint32_t ActualTotalByte() const;
  uint32_t ActualPostedByte() const;
  uint32_t TotalByte() const;
  uint32_t PostedByte() const;
  uint32_t TotalCount() const;
  uint32_t PostedCount() const;
  uint32_t FileCount() const;
  uint32_t PostedFileCount() const;
  // "NULL" when there is none.
  std::u16string CurrParam() const;
  std::u16string CurrFile() const;
  uint32_t CurrParamTotalByte() const;
  uint32_t CurrParamPostedByte() const;
  uint32_t CurrParamRemainByte() const;
  bool CurrParamIsFile() const;
  bool CurrParamIsComplete() const;
  bool IsComplete() const;

 private:
  void Check(const char16_t* accessor) const;

  bool m_active = false;
  uint32_t m_actualTotal = 0;
  uint32_t m_actualPosted = 0;
  uint32_t m_total = 0;
  uint32_t m_posted = 0;
  uint32_t m_totalCount = 0;
  uint32_t m_postedCount = 0;
  uint32_t m_fileCount = 0;
  uint32_t m_postedFileCount = 0;
  std::optional<std::u16string> m_currParam;
  std::optional<std::u16string> m_currFile;
  uint32_t m_currTotal = 0;
  uint32_t m_currPosted = 0;
};

}  // namespace Vemra
