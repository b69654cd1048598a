// Orders names as people read them: a run of digits compares by its value, so
// "ttyUSB2" comes before "ttyUSB10" and "COM3" before "COM21".
#pragma once

#include <string_view>

namespace trackctl {

// A strict weak order. Runs of equal value compare by length ("1" before "01"),
// everything else byte by byte.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace trackctl
