#include "common/CNumber.h"

#include <clocale>
#include <cstdlib>

namespace korvane {

float parseCFloat(const char* text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return strtof_l(text, nullptr, cLocale);
}

}  // namespace korvane
