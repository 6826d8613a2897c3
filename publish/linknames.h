#pragma once

#include "common/indicatormodel.h"

// The names under which other programs link to the reader's values. The About box shows them
// and the publication serves them, from these same constants.
namespace LinkNames {

inline constexpr char kApplication[] = "zav41k";
inline constexpr char kTopic[] = "data";
inline constexpr char kAbsorbance[] = "absorbance";
inline constexpr char kWavelength[] = "wavelength";
inline constexpr char kErrorcode[] = "errorcode";
inline constexpr char kLabel1[] = "Label1";

// The item under which each indicator is published: the name of its label.
inline const char *itemName(IndicatorModel::Item item)
{
    switch (item) {
    case IndicatorModel::Item::Absorbance: return kAbsorbance;
    case IndicatorModel::Item::Wavelength: return kWavelength;
    case IndicatorModel::Item::Label1: return kLabel1;
    case IndicatorModel::Item::Errorcode: return kErrorcode;
    }
    return "";
}

} // namespace LinkNames
