// platform/data/ProviderSupport.cpp
#include "platform/data/ProviderSupport.h"

String ProviderFlaggedKeyFields(TDataSet* dataSet) {
  String result;
  for (TField* field : dataSet->Fields()) {
    if (!field->ProviderFlags().Contains(pfInKey)) continue;
    if (!result.empty()) result += ';';
    result += field->FieldName();
  }
  return result;
}
