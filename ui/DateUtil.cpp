// ui/DateUtil.cpp
#include "ui/DateUtil.h"

#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/StringUtils.h"

namespace DateUtil {

namespace {
bool four_digit_year = false;
}

bool FourDigitYear() {
  return four_digit_year;
}

TModuleInit DateUtilModule() {
  return TModuleInit{"DateUtil",
                     [] {
                       const String format = UpperCase(FormatSettings().ShortDateFormat);
                       four_digit_year = format.find("YYYY") != String::npos;
                     },
                     nullptr};
}

}  // namespace DateUtil
