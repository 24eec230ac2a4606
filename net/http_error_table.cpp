#include "net/http_error_table.h"

#include <array>

namespace Vemra {
namespace {

constexpr std::array<std::u16string_view, 15> kGeneral = {
    u"Unexpected error occurred.",
    u"The index is out of range.",
    u"Out of memory.",
    u"The requested URL is not a valid URL.",
    u"The post context is not started yet.",
    u"Couldn't read expected bytes from a file.",
    u"The post context has not been finished yet.",
    u"The port number is not valid.",
    u"std::exception occurred.",
    u"The encoded URL is not valid.",
    u"The UTF8 string contains an invalid character.",
    u"An unexpected arithmetic error has been occurred.",
    u"An arithmetic overflow error has been occurred.",
    u"An interger divide by zero exception has been occurred.",
    u"The file (%s) aleady exists.",
};

constexpr std::array<std::u16string_view, 11> kInternet = {
    u"::HttpQueryInfo failed.",       u"::InternetReadFile failed.",   u"::InternetOpen failed.",
    u"::InternetConnect failed.",     u"::HttpOpenRequest failed.",    u"::HttpAddRequestHeaders failed.",
    u"::HttpSendRequest failed.",     u"::HttpSendRequestEx failed.",  u"::InternetWriteFile failed.",
    u"::HttpEndRequest failed.",      u"::InternetSetOption failed.",
};

constexpr std::array<std::u16string_view, 7> kSystem = {
    u"::WideCharToMultiByte failed.",
    u"::MultiByteToWideChar failed.",
    u"::ReadFile failed.",
    u"OpenFile (::CreateFile) failed (\"%s\").",
    u"::SetFilePointer failed.",
    u"::GetFileSize failed (\"%s\").",
    u"::WriteFile failed (\"%s\").",
};

template <size_t N>
std::u16string_view Entry(const std::array<std::u16string_view, N>& table, uint32_t index) {
  return index < N ? table[index] : std::u16string_view();
}

}  // namespace

std::u16string_view GetErrorMessage(uint32_t errorCode) {
  if (errorCode < 100) return errorCode == 0 ? u"Not specified" : u"";
  if (errorCode < 200) return Entry(kGeneral, errorCode % 100);
  if (errorCode < 400) return u"";
  if (errorCode < 600) return Entry(kInternet, errorCode % 100);
  if (errorCode < 1000) return Entry(kSystem, errorCode % 100);
  return u"user-defined error message";
}

}  // namespace Vemra
