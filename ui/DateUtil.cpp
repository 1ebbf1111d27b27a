// ui/DateUtil.cpp
#include "ui/DateUtil.h"

#include "platform/rtl/FormatSettings.h"

namespace DateUtil {

namespace {
bool four_digit_year = false;
}

bool FourDigitYear() { return four_digit_year; }

TModuleInit DateUtilModule() {
  return TModuleInit{"DateUtil",
                     [] {
                       String format = FormatSettings().ShortDateFormat;
                       for (char& c : format)
                         if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
                       four_digit_year = format.find("YYYY") != String::npos;
                     },
                     nullptr};
}

}  // namespace DateUtil
