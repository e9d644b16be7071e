#include "kromel/KromelLines.h"

#include <cstdlib>
#include <vector>

#include "common/CNumber.h"

namespace korvane::kromel {

namespace {

std::string trim(const std::string& text) {
  const char* blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

std::string afterColon(const std::string& text) {
  size_t colon = text.find(':');
  return colon == std::string::npos ? "" : trim(text.substr(colon + 1));
}

std::vector<std::string> splitCsv(const std::string& text) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (true) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) {
      fields.push_back(trim(text.substr(start)));
      return fields;
    }
    fields.push_back(trim(text.substr(start, comma - start)));
    start = comma + 1;
  }
}

bool startsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// The sensor writes numbers with a decimal point whatever locale the robot program runs in.
float parseNumber(const std::string& text) {
  return korvane::parseCFloat(text.c_str());
}

}  // namespace

bool LineReader::endLine(Reading* reading) {
  std::string line = trim(line_);
  line_.clear();
  if (line.empty()) return false;
  if (startsWith(line, "DIST:")) {
    size_t gap = line.find("  ");
    if (gap == std::string::npos) return false;
    line = trim(line.substr(gap + 2));
  }
  if (!startsWith(line, "XYZ:")) return false;
  std::vector<std::string> fields = splitCsv(afterColon(line));
  if (fields.size() < 3) return false;
  reading->x = parseNumber(fields[0]);
  reading->y = parseNumber(fields[1]);
  reading->z = parseNumber(fields[2]);
  reading->sequence = ++readings_;
  reading->valid = true;
  return true;
}

}  // namespace korvane::kromel
