# Checks of a Windows build's DLLs, run on this machine without Wine: PE32+ x86-64; imports only
# wpiHal.dll, our DLLs beside them and Windows' own, none of MinGW's runtime DLLs; the driver DLL
# exports exactly the natives the committed headers declare (tests/windows/check_dlls.py, which
# also lists each DLL's size and imports). Against WPILib's headers: every function imported from wpiHal.dll is a C function they
# declare; and the zip holds our three DLLs alone.
find_program(KORVANE_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(windows_dlls $<TARGET_FILE:KorvaneDriver>)
if(TARGET korvane_sim_jni)
  list(APPEND windows_dlls $<TARGET_FILE:korvane_sim_jni>)
endif()
if(KORVANE_WITH_WPILIB)
  list(APPEND windows_dlls $<TARGET_FILE:korvane_platform>)
endif()
set(hal_imports ${CMAKE_BINARY_DIR}/package-test/windows/wpiHal-imports.txt)
add_test(NAME windows.dlls
         COMMAND ${KORVANE_DEBIAN_PYTHON} ${PROJECT_SOURCE_DIR}/tests/windows/check_dlls.py
                 --natives ${PROJECT_SOURCE_DIR}/java/native-headers ${hal_imports} ${windows_dlls})
set_tests_properties(windows.dlls PROPERTIES LABELS package FIXTURES_SETUP wpihal_imports)
if(KORVANE_WITH_WPILIB)
  get_target_property(wpilib_includes korvane_wpilib INTERFACE_INCLUDE_DIRECTORIES)
  add_test(NAME windows.hal-imports-declared
           COMMAND ${CMAKE_COMMAND} -DIMPORTS=${hal_imports}
                   -DFUNCTIONS=${KORVANE_WPIHAL_FUNCTIONS_FILE}
                   -DC_COMPILER=${CMAKE_C_COMPILER} -DCXX_COMPILER=${CMAKE_CXX_COMPILER}
                   "-DINCLUDES=${wpilib_includes}" "-DC_HEADERS=${KORVANE_WPIHAL_C_HEADERS}"
                   "-DCXX_HEADERS=${KORVANE_WPIHAL_CXX_HEADERS}"
                   -DOUT=${CMAKE_BINARY_DIR}/package-test/windows
                   -P ${PROJECT_SOURCE_DIR}/tests/windows/check_hal_imports.cmake)
  set_tests_properties(windows.hal-imports-declared PROPERTIES LABELS package
                       FIXTURES_REQUIRED wpihal_imports)
  add_test(NAME windows.zip
           COMMAND ${CMAKE_COMMAND} -DZIP=${KORVANE_NATIVE_ZIP}
                   -P ${PROJECT_SOURCE_DIR}/tests/windows/check_windows_zip.cmake)
  set_tests_properties(windows.zip PROPERTIES LABELS package)
endif()
