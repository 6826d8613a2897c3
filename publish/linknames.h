#pragma once

// The names under which other programs link to the reader's values. The About box shows them
// and the publication serves them, from these same constants.
namespace LinkNames {

inline constexpr char kApplication[] = "zav41k";
inline constexpr char kTopic[] = "data";
inline constexpr char kAbsorbance[] = "absorbance";
inline constexpr char kWavelength[] = "wavelength";
inline constexpr char kErrorcode[] = "errorcode";
inline constexpr char kLabel1[] = "Label1";

} // namespace LinkNames
