# WPILib for a Windows build. WPILib's Windows DLLs are built with MSVC, whose C++ a MinGW build
# cannot call: only the C functions of its HAL are used, from wpiHal.dll. Their declarations are
# WPILib's own headers in KORVANE_WPILIB_ROOT (either layout cmake/WPILib.cmake or, for WPILib
# 2027, cmake/WPILib2027.cmake takes; the headers are the same on every platform); the import
# library of wpiHal.dll is made here from the generation's list, cmake/windows/wpiHal.functions
# (2026) or cmake/windows/wpiHal2027.functions, once a C translation unit naming every function on
# it has compiled against those headers.
if(KORVANE_WPILIB_YEAR STREQUAL "2027")
  # Layout and headers found by cmake/WPILib2027.cmake.
  set(KORVANE_WPILIB_LAYOUT "${KORVANE_WPILIB_LAYOUT} (headers)")
elseif(EXISTS "${KORVANE_WPILIB_ROOT}/include/hal/hal/HALBase.h")
  set(KORVANE_WPILIB_LAYOUT "CMake install prefix (headers)")
  set(_wpilib_includes "${KORVANE_WPILIB_ROOT}/include/hal" "${KORVANE_WPILIB_ROOT}/include/wpiutil"
                       "${KORVANE_WPILIB_ROOT}/include/wpinet")
elseif(EXISTS "${KORVANE_WPILIB_ROOT}/include/hal/HALBase.h")
  set(KORVANE_WPILIB_LAYOUT "Maven zips (headers)")
  set(_wpilib_includes "${KORVANE_WPILIB_ROOT}/include")
else()
  message(FATAL_ERROR "KORVANE_WITH_WPILIB is ON but KORVANE_WPILIB_ROOT ('${KORVANE_WPILIB_ROOT}') "
                      "holds no WPILib HAL headers (include/hal/hal/HALBase.h or "
                      "include/hal/HALBase.h). Set -DKORVANE_WPILIB_ROOT=<folder>.")
endif()
if(NOT KORVANE_DLLTOOL)
  find_program(KORVANE_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
endif()

if(KORVANE_WPILIB_YEAR STREQUAL "2027")
  set(KORVANE_WPIHAL_FUNCTIONS_FILE ${PROJECT_SOURCE_DIR}/cmake/windows/wpiHal2027.functions)
  set(KORVANE_WPIHAL_C_HEADERS wpi/hal/HAL.h wpi/hal/CAN.h wpi/hal/CANAPI.h wpi/hal/DriverStation.h
                               wpi/hal/I2C.h wpi/hal/Ports.h wpi/hal/SimDevice.h
                               wpi/hal/simulation/CanData.h wpi/hal/simulation/I2CData.h
                               wpi/hal/simulation/MockHooks.h)
  set(KORVANE_WPIHAL_CXX_HEADERS wpi/hal/simulation/DriverStationData.h)
else()
  set(KORVANE_WPIHAL_FUNCTIONS_FILE ${PROJECT_SOURCE_DIR}/cmake/windows/wpiHal.functions)
  set(KORVANE_WPIHAL_C_HEADERS hal/HAL.h hal/CAN.h hal/CANAPI.h hal/I2C.h hal/SerialPort.h
                               hal/SimDevice.h hal/simulation/CanData.h hal/simulation/I2CData.h)
  set(KORVANE_WPIHAL_CXX_HEADERS hal/simulation/DriverStationData.h hal/simulation/MockHooks.h)
endif()
set(_functions_file ${KORVANE_WPIHAL_FUNCTIONS_FILE})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_functions_file})
file(STRINGS ${_functions_file} _lines)
set(KORVANE_WPIHAL_FUNCTIONS "")
set(_c_functions "")
set(_cxx_functions "")
set(_section _c_functions)
foreach(line ${_lines})
  string(STRIP "${line}" line)
  if(line STREQUAL "[c++ headers]")
    set(_section _cxx_functions)
  elseif(NOT line STREQUAL "" AND NOT line MATCHES "^#")
    list(APPEND KORVANE_WPIHAL_FUNCTIONS ${line})
    list(APPEND ${_section} ${line})
  endif()
endforeach()

# WPILib's HAL headers, then every function named: in C only what WPILib declares as a C function
# can be named; in C++ a redeclaration with C linkage fails for a function of C++ linkage (and for
# an overloaded name).
set(_check_dir ${CMAKE_BINARY_DIR}/wpiHal-import)
set(_c_source "/* The HAL functions the Windows DLLs import from wpiHal.dll, as WPILib declares them. */\n")
foreach(header ${KORVANE_WPIHAL_C_HEADERS})
  string(APPEND _c_source "#include <${header}>\n")
endforeach()
string(APPEND _c_source "\nconst void* const korvane_wpihal_functions[] = {\n")
foreach(function ${_c_functions})
  string(APPEND _c_source "    (const void*)&${function},\n")
endforeach()
string(APPEND _c_source "};\n")
set(_cxx_source "// The HAL functions declared in headers only C++ reads, each redeclared with C linkage.\n")
foreach(header ${KORVANE_WPIHAL_C_HEADERS} ${KORVANE_WPIHAL_CXX_HEADERS})
  string(APPEND _cxx_source "#include <${header}>\n")
endforeach()
string(APPEND _cxx_source "\n")
foreach(function ${_cxx_functions})
  string(APPEND _cxx_source "extern \"C\" decltype(${function}) ${function};\n")
endforeach()
file(CONFIGURE OUTPUT ${_check_dir}/wpiHal_functions.c CONTENT "${_c_source}" @ONLY)
file(CONFIGURE OUTPUT ${_check_dir}/wpiHal_functions.cpp CONTENT "${_cxx_source}" @ONLY)
set(_includes "")
foreach(dir ${_wpilib_includes})
  list(APPEND _includes -I${dir})
endforeach()
foreach(check "${CMAKE_C_COMPILER};-std=c11;${_check_dir}/wpiHal_functions.c"
              "${CMAKE_CXX_COMPILER};-std=c++20;${_check_dir}/wpiHal_functions.cpp")
  execute_process(COMMAND ${check} -fsyntax-only -Werror=implicit-function-declaration ${_includes}
                  RESULT_VARIABLE _checked ERROR_VARIABLE _check_errors)
  if(NOT _checked EQUAL 0)
    message(FATAL_ERROR "${_functions_file} names what WPILib's HAL headers in "
                        "${KORVANE_WPILIB_ROOT} declare as no C function:\n${_check_errors}")
  endif()
endforeach()

set(_def ${_check_dir}/wpiHal.def)
list(JOIN KORVANE_WPIHAL_FUNCTIONS "\n" _exports)
file(CONFIGURE OUTPUT ${_def} CONTENT "LIBRARY wpiHal.dll\nEXPORTS\n${_exports}\n" @ONLY)
set(KORVANE_WPIHAL_IMPORT_LIBRARY ${_check_dir}/libwpiHal.dll.a)
execute_process(COMMAND ${KORVANE_DLLTOOL} -d ${_def} -D wpiHal.dll -l ${KORVANE_WPIHAL_IMPORT_LIBRARY}
                RESULT_VARIABLE _made)
if(NOT _made EQUAL 0)
  message(FATAL_ERROR "${KORVANE_DLLTOOL} could not make the import library of wpiHal.dll")
endif()

add_library(korvane_wpilib INTERFACE)
target_include_directories(korvane_wpilib INTERFACE ${_wpilib_includes})
target_link_libraries(korvane_wpilib INTERFACE ${KORVANE_WPIHAL_IMPORT_LIBRARY} Threads::Threads)
target_compile_features(korvane_wpilib INTERFACE cxx_std_20)
set(KORVANE_WPILIB_LIBRARIES ${KORVANE_WPIHAL_IMPORT_LIBRARY})
list(LENGTH KORVANE_WPIHAL_FUNCTIONS _count)
message(STATUS "WPILib (${KORVANE_WPILIB_LAYOUT}) from ${KORVANE_WPILIB_ROOT}: import library of "
               "wpiHal.dll with ${_count} C functions")
