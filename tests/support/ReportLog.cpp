#include "ReportLog.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace korvane::test {

namespace {

size_t matching(const std::vector<sim::ErrorReport>& reports, int code,
                const std::string& location) {
  return static_cast<size_t>(std::count_if(reports.begin(), reports.end(), [&](const auto& r) {
    return r.errorCode == code && (location.empty() || r.location == location);
  }));
}

}  // namespace

size_t ReportLog::count(int code, const std::string& location) const {
  return matching(sim::errorReports(), code, location);
}

bool ReportLog::waitFor(int code, const std::string& location, size_t atLeast,
                        std::chrono::milliseconds timeout) const {
  return sim::waitForErrorReports(
      [&](const std::vector<sim::ErrorReport>& reports) {
        return matching(reports, code, location) >= atLeast;
      },
      timeout);
}

std::string ReportLog::text() const {
  std::string all;
  for (const auto& r : sim::errorReports()) {
    all += (r.isError ? "error " : "warning ") + std::to_string(r.errorCode) + " at " + r.location +
           ": " + r.details + "\n";
  }
  return all;
}

std::string withoutReports(const std::string& captured) {
  std::string kept;
  size_t start = 0;
  while (start < captured.size()) {
    size_t end = captured.find('\n', start);
    end = end == std::string::npos ? captured.size() : end + 1;
    const std::string_view line(captured.data() + start, end - start);
    if (line.rfind("Error at ", 0) != 0 && line.rfind("Warning at ", 0) != 0) kept += line;
    start = end;
  }
  return kept;
}

}  // namespace korvane::test
