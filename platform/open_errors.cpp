#include "platform/open_errors.h"

#include "platform/text.h"

namespace qav {

std::u16string OpenErrorText(int code) {
  switch (code) {
    case 0: return u"The operating system is out\nof memory or resources.";
    case 2: return u"The specified file was not found.";
    case 3: return u"The specified path was not found.";
    case 5: return u"The operating system denied\naccess to the specified file.";
    case 8: return u"There was not enough memory to complete the operation.";
    case 11: return u"The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return u"A sharing violation occurred. ";
    case 27: return u"The filename association is\nincomplete or invalid.";
    case 28: return u"The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return u"The DDE transaction failed.";
    case 30: return u"The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31: return u"There is no application associated\nwith the given filename extension.";
    case 32: return u"The specified dynamic-link library was not found.";
    default: return Format(u"Unknown Error (%d) occurred.", code);
  }
}

}  // namespace qav
