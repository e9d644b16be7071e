// Java bindings of the simulated driver-station link: com.korvane.frc.sim.SimDriverStation.

#include <jni.h>

#include "com_korvane_frc_sim_SimDriverStation.h"
#include "korvane/sim/DriverStation.h"

using namespace korvane::sim;

extern "C" {

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_SimDriverStation_startListener0(JNIEnv*,
                                                                                    jclass) {
  return startDriverStationListener() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimDriverStation_stopListener0(JNIEnv*, jclass) {
  stopDriverStationListener();
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_SimDriverStation_listening0(JNIEnv*, jclass) {
  return driverStationListenerRunning() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_SimDriverStation_packetsReceived0(JNIEnv*,
                                                                                   jclass) {
  return static_cast<jlong>(driverStationPacketsReceived());
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_SimDriverStation_lastControl0(JNIEnv*, jclass) {
  return lastDriverStationControl();
}

}  // extern "C"
