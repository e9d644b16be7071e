# The live-object registry is part of the JNI boundary: its header needs the JDK's jni.h.
target_include_directories(${name}_tests PRIVATE ${JNI_INCLUDE_DIRS})
