#include "net/http_post_stat.h"

#include "net/http_client_exception.h"

namespace Vemra {

void CHttpPostStatT::Check(const char16_t* accessor) const {
  if (!m_active) {
    ThrowHttpArgument(std::u16string(u"CHttpPostStatT::") + accessor + u": The post context is not active.");
  }
}

void CHttpPostStatT::Begin(uint32_t actualTotal, uint32_t total, uint32_t totalCount, uint32_t fileCount) {
  Clear();
  m_active = true;
  m_actualTotal = actualTotal;
  m_total = total;
  m_totalCount = totalCount;
  m_fileCount = fileCount;
}

void CHttpPostStatT::StartParam(std::u16string name, uint32_t totalBytes, std::optional<std::u16string> file) {
  Check(u"StartParam");
  m_postedCount = CheckedAdd(m_postedCount, 1);
  if (file) m_postedFileCount = CheckedAdd(m_postedFileCount, 1);
  m_currParam = std::move(name);
  m_currFile = std::move(file);
  m_currTotal = totalBytes;
  m_currPosted = 0;
}

void CHttpPostStatT::AddActualPosted(uint64_t bytes) {
  Check(u"AddActualPosted");
  m_actualPosted = CheckedAdd(m_actualPosted, bytes);
}

void CHttpPostStatT::AddPayloadPosted(uint64_t bytes) {
  Check(u"AddPayloadPosted");
  const uint32_t actual = CheckedAdd(m_actualPosted, bytes);
  const uint32_t posted = CheckedAdd(m_posted, bytes);
  const uint32_t current = CheckedAdd(m_currPosted, bytes);
  m_actualPosted = actual;
  m_posted = posted;
  m_currPosted = current;
}

uint32_t CHttpPostStatT::ActualTotalByte() const { return Check(u"ActualTotalByte"), m_actualTotal; }
uint32_t CHttpPostStatT::ActualPostedByte() const { return Check(u"ActualPostedByte"), m_actualPosted; }
uint32_t CHttpPostStatT::TotalByte() const { return Check(u"TotalByte"), m_total; }
uint32_t CHttpPostStatT::PostedByte() const { return Check(u"PostedByte"), m_posted; }
uint32_t CHttpPostStatT::TotalCount() const { return Check(u"TotalCount"), m_totalCount; }
uint32_t CHttpPostStatT::PostedCount() const { return Check(u"PostedCount"), m_postedCount; }
uint32_t CHttpPostStatT::FileCount() const { return Check(u"FileCount"), m_fileCount; }
uint32_t CHttpPostStatT::PostedFileCount() const { return Check(u"PostedFileCount"), m_postedFileCount; }
std::u16string CHttpPostStatT::CurrParam() const {
  Check(u"CurrParam");
  return m_currParam ? *m_currParam : u"NULL";
}
std::u16string CHttpPostStatT::CurrFile() const {
  Check(u"CurrFile");
  return m_currFile ? *m_currFile : u"NULL";
}
uint32_t CHttpPostStatT::CurrParamTotalByte() const { return Check(u"CurrParamTotalByte"), m_currTotal; }
uint32_t CHttpPostStatT::CurrParamPostedByte() const { return Check(u"CurrParamPostedByte"), m_currPosted; }
uint32_t CHttpPostStatT::CurrParamRemainByte() const {
  Check(u"CurrParamRemainByte");
  return m_currTotal - m_currPosted;
}
bool CHttpPostStatT::CurrParamIsFile() const { return Check(u"CurrParamIsFile"), m_currFile.has_value(); }
bool CHttpPostStatT::CurrParamIsComplete() const {
  Check(u"CurrParamIsComplete");
  return m_currPosted == m_currTotal;
}
bool CHttpPostStatT::IsComplete() const {
  Check(u"ActualTotalByte");
  return m_actualPosted == m_actualTotal;
}

}  // namespace Vemra
