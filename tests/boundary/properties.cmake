# The live-object registry is part of the JNI boundary: its header needs the JDK's jni.h.
target_include_directories(${name}_tests PRIVATE ${JNI_INCLUDE_DIRS})
# Exports called as the virtual machine calls them (OutOfMemoryTest.cpp), with the conversions
# they share and the C declarations of their natives.
target_sources(${name}_tests PRIVATE ${PROJECT_SOURCE_DIR}/src/jni/Boundary.cpp
               ${PROJECT_SOURCE_DIR}/src/jni/LinvoJNI.cpp ${PROJECT_SOURCE_DIR}/src/jni/MockDSJNI.cpp)
target_link_libraries(${name}_tests PRIVATE korvane_native_headers)
