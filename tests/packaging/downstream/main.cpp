// Opens a colour sensor on CAN through the installed drivers and the platform stand-in, once as a
// C++ program does (korvane::Kromel) and once through the driver class the exports call, and
// says which CAN ID and transport it reports.
#include <cstdio>

#include "KromelJNI.h"
#include "korvane/Kromel.h"

int main() {
  {
    korvane::Kromel sensor(6);
    if (!sensor.IsOpen() || sensor.GetCanId() != 6 ||
        sensor.GetTransport() != korvane::Transport::kCan) {
      std::puts("no sensor through the C++ API");
      return 1;
    }
  }
  KromelJNI* sensor = KromelJNI::c_Kromel_create(7);
  if (sensor == nullptr) {
    std::puts("no sensor");
    return 1;
  }
  int canId = sensor->c_Kromel_getCanID();
  int transport = sensor->c_Kromel_getTransport();
  KromelJNI::c_Kromel_destroy(sensor);
  std::printf("colour sensor on CAN ID %d, transport %d\n", canId, transport);
  return canId == 7 ? 0 : 1;
}
