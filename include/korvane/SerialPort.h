#pragma once

namespace korvane {

/// The robot controller's serial ports, numbered as WPILib's HAL numbers them.
enum class SerialPort {
  kOnboard = 0,  ///< the on-board RS-232 port
  kMXP = 1,      ///< the expansion port
  kUSB1 = 2,     ///< the first USB serial adapter
  kUSB2 = 3,     ///< the second USB serial adapter
};

/// How a sensor that speaks CAN or USB is connected; fixed when it is opened.
enum class Transport {
  kCan = 0,
  kUsb = 1,
};

}  // namespace korvane
