#include <clocale>
#include <cstdlib>

#include "common/CNumber.h"

namespace korvane {

float parseCFloat(const char* text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtof_l(text, nullptr, cLocale);
}

}  // namespace korvane
