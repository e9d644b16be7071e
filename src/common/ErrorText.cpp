#include "common/ErrorText.h"

namespace korvane {

const char* errorText(int code) {
  switch (code) {
    case 0:
      return "";
    case 1000:
      return "Torqa could not be initialized";
    case 1001:
      return "Motor frequency out of range [0;20000]";
    case 1002:
      return "Device ID out of range [1;63]";
    case 1010:
      return "Device ID could not be obtained";
    case 1011:
      return "Motor frequency could not be obtained";
    case 1012:
      return "Firmware version could not be obtained";
    case 1013:
      return "Hardware version could not be obtained";
    case 1014:
      return "Motor current could not be obtained";
    case 1015:
      return "Controller temp could not be obtained";
    case 1016:
      return "Limit Switch could not be obtained";
    case 1017:
      return "RPM for motor 0 could not be obtained";
    case 1018:
      return "RPM for motor 1 could not be obtained";
    case 1019:
      return "RPM for motor 2 could not be obtained";
    case 1020:
      return "RPM for motor 3 could not be obtained";
    case 1021:
      return "Serial number word 1 could not be obtained";
    case 1022:
      return "Serial number word 2 could not be obtained";
    case 1023:
      return "Serial number word 3 could not be obtained";
    case 1100:
      return "Encoder distance for encoder 0 could not be obtained";
    case 1101:
      return "Encoder distance for encoder 1 could not be obtained";
    case 1102:
      return "Encoder distance for encoder 2 could not be obtained";
    case 1103:
      return "Encoder distance for encoder 3 could not be obtained";
    case 1104:
      return "Raw distance for encoder 0 could not be obtained";
    case 1105:
      return "Raw distance for encoder 1 could not be obtained";
    case 1106:
      return "Raw distance for encoder 2 could not be obtained";
    case 1107:
      return "Raw distance for encoder 3 could not be obtained";
    case 1108:
      return "Speed for encoder 0 could not be obtained";
    case 1109:
      return "Speed for encoder 1 could not be obtained";
    case 1110:
      return "Speed for encoder 2 could not be obtained";
    case 1111:
      return "Speed for encoder 3 could not be obtained";
    case 2001:
      return "I2C device not connected";
    case 2002:
      return "I2C device is connected";
    case 2010:
      return "Read count bytes out of range [1;)";
    case 2011:
      return "Read buffer is null";
    default:
      return "Unknown error found";
  }
}

}  // namespace korvane
