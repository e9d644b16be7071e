#include "lidar/LidarOpenings.h"

#include <memory>
#include <mutex>

#include "LidarJNI.h"

namespace korvane::lidar {

namespace {

// Opens and closes, one at a time. A call holding an opening never takes it, so replacing an
// opening may wait for those calls while holding it.
std::mutex& opening() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

}  // namespace

Openings& openings() {
  static auto* table = new Openings;  // never destroyed: a late call still finds a table
  return *table;
}

int64_t open(int port) {
  std::lock_guard lock(opening());
  auto fresh = std::make_unique<Opening>();
  const int64_t handle = serialHandle();
  Opening* replaced = nullptr;
  openings().add(handle, fresh.get(), &replaced);  // waits for the replaced one's calls
  fresh.release();
  delete replaced;
  LidarJNI::c_Lidar_create(port);
  return handle;
}

void close(int64_t handle) {
  std::lock_guard lock(opening());
  std::unique_ptr<Opening> closing(openings().remove(handle));
  if (!closing) return;
  LidarJNI::c_Lidar_stop();
  LidarJNI::c_Lidar_destroy();
}

}  // namespace korvane::lidar
