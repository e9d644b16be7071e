// Java bindings of the simulated driver-station link: com.korvane.frc.sim.SimDriverStation.

#include <jni.h>

#include <string>
#include <vector>

#include "com_korvane_frc_sim_SimDriverStation.h"
#include "korvane/sim/DriverStation.h"
#include "korvane/sim/ErrorReports.h"

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

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimDriverStation_recordReports0(JNIEnv*, jclass) {
  recordErrorReports();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_SimDriverStation_stopRecordingReports0(JNIEnv*,
                                                                                       jclass) {
  stopRecordingErrorReports();
}

JNIEXPORT jobjectArray JNICALL Java_com_korvane_frc_sim_SimDriverStation_reportsRaw(JNIEnv* env,
                                                                                    jclass) {
  std::vector<std::string> fields;
  for (const ErrorReport& r : errorReports()) {
    fields.push_back(r.isError ? "E" : "W");
    fields.push_back(std::to_string(r.errorCode));
    fields.push_back(r.location);
    fields.push_back(r.details);
  }
  jclass string = env->FindClass("java/lang/String");
  if (string == nullptr) return nullptr;
  jobjectArray array = env->NewObjectArray(static_cast<jsize>(fields.size()), string, nullptr);
  if (array == nullptr) return nullptr;
  for (size_t i = 0; i < fields.size(); ++i) {
    jstring text = env->NewStringUTF(fields[i].c_str());
    if (text == nullptr) return nullptr;
    env->SetObjectArrayElement(array, static_cast<jsize>(i), text);
    env->DeleteLocalRef(text);
  }
  return array;
}

}  // extern "C"
