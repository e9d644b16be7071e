# The windowsx86-64 zip holds exactly our three DLLs in windows/x86-64/shared, and no HAL: WPILib's
# wpiHal.dll is the simulation's own.
# Usage: cmake -DZIP=<zip> -P check_windows_zip.cmake
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf "${ZIP}" OUTPUT_VARIABLE listing
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cannot list ${ZIP}")
endif()
string(REGEX MATCHALL "[^\n]+" entries "${listing}")
set(files "")
foreach(entry ${entries})
  if(NOT entry MATCHES "/$")
    list(APPEND files ${entry})
  endif()
endforeach()
list(SORT files)
set(expected windows/x86-64/shared/KorvaneDriver.dll windows/x86-64/shared/KorvanePlatform.dll
             windows/x86-64/shared/KorvaneSim.dll)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "${ZIP} holds ${files}; expected ${expected}")
endif()
message(STATUS "${ZIP}: ${files}")
