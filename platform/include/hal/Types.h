#pragma once

#include <stdint.h>

typedef int32_t HAL_Bool;
typedef int32_t HAL_Handle;
typedef HAL_Handle HAL_CANHandle;
typedef HAL_Handle HAL_SerialPortHandle;
typedef HAL_Handle HAL_SimDeviceHandle;
typedef HAL_Handle HAL_SimValueHandle;

#define HAL_kInvalidHandle 0

#ifdef __cplusplus
#define HAL_ENUM(name) enum name : int32_t
#elif defined(__clang__)
#define HAL_ENUM(name)    \
  enum name : int32_t;    \
  typedef enum name name; \
  enum name : int32_t
#else
#define HAL_ENUM(name)  \
  typedef int32_t name; \
  enum name
#endif
