// ui/DateUtil.h
//
// Whether the locale's short date format shows four-digit years, decided
// once at the unit's start from the format settings in force then.
#pragma once

#include "platform/rtl/ModuleInit.h"

namespace DateUtil {

bool FourDigitYear();

// Start: FourDigitYear := the upper-cased short date format contains "YYYY".
TModuleInit DateUtilModule();

}  // namespace DateUtil
