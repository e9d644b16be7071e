// Windows' C runtime offers no C-locale strtof; from_chars never looks at a locale. Like strtof in
// the C locale it skips leading white space, takes a sign, and reads decimal and hexadecimal
// numbers, infinities and NaNs.

#include "common/CNumber.h"

#include <charconv>
#include <cstring>

namespace korvane {

float parseCFloat(const char* text) {
  const char* start = text;
  while (*start == ' ' || (*start >= '\t' && *start <= '\r')) ++start;
  bool negative = false;
  if (*start == '+' || *start == '-') negative = *start++ == '-';
  const char* end = start + std::strlen(start);
  float value = 0;
  if (start[0] == '0' && (start[1] == 'x' || start[1] == 'X')) {
    if (std::from_chars(start + 2, end, value, std::chars_format::hex).ec != std::errc()) {
      value = 0;  // "0x" alone: strtof reads the 0
    }
  } else if (*start != '+' && *start != '-') {
    std::from_chars(start, end, value);
  }
  return negative ? -value : value;
}

}  // namespace korvane
