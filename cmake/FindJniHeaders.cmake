# The JDK's jni.h and jni_md.h, found from JAVA_HOME or else from the javac on the PATH. Only the
# headers are needed: the library is loaded by a JVM, never linked against one.
if(DEFINED ENV{JAVA_HOME})
  set(_jdk "$ENV{JAVA_HOME}")
else()
  find_program(_javac javac REQUIRED)
  file(REAL_PATH "${_javac}" _javac_real)
  get_filename_component(_jdk "${_javac_real}" DIRECTORY)
  get_filename_component(_jdk "${_jdk}" DIRECTORY)
endif()
find_path(JNI_INCLUDE_DIR jni.h HINTS "${_jdk}/include" REQUIRED)
# The JDK's jni.h holds nothing machine-dependent; jni_md.h does. A Windows build takes ours
# (cmake/windows/jni), since no Windows JDK is at hand.
if(WIN32)
  set(JNI_MD_INCLUDE_DIR "${PROJECT_SOURCE_DIR}/cmake/windows/jni")
else()
  find_path(JNI_MD_INCLUDE_DIR jni_md.h HINTS "${JNI_INCLUDE_DIR}/linux" REQUIRED)
endif()
set(JNI_INCLUDE_DIRS "${JNI_INCLUDE_DIR}" "${JNI_MD_INCLUDE_DIR}")
set(KORVANE_JDK_HOME "${_jdk}")
