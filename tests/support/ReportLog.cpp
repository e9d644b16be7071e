#include "ReportLog.h"

#include <algorithm>
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

}  // namespace korvane::test
