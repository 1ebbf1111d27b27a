// platform/rtl/FormatSettings.cpp
#include "platform/rtl/FormatSettings.h"

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}
