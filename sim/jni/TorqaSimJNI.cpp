// Java bindings of the simulated motor controller: com.korvane.frc.sim.TorqaSimulator.

#include <jni.h>

#include <algorithm>
#include <array>
#include <memory>

#include "SimRegistry.h"
#include "com_korvane_frc_sim_TorqaSimulator.h"
#include "sim/torqa/TorqaSim.h"

using korvane::sim::TorqaSim;

namespace {

SimRegistry<TorqaSim> g_sims;

std::shared_ptr<TorqaSim> find(jlong id) {
  return g_sims.find(id);
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_TorqaSimulator_attach0(JNIEnv*, jclass, jint bus,
                                                                        jint deviceNumber) {
  return g_sims.add(TorqaSim::attach(deviceNumber, bus));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_detach(JNIEnv*, jclass, jlong id) {
  if (auto sim = g_sims.remove(id)) sim->detach();
}

// 0 none, 1 disabled, 2 enabled.
JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_TorqaSimulator_heartbeat(JNIEnv*, jclass,
                                                                         jlong id) {
  auto sim = find(id);
  return sim ? static_cast<jint>(sim->heartbeat()) : 0;
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_TorqaSimulator_outputsEnabled(JNIEnv*, jclass,
                                                                                  jlong id) {
  auto sim = find(id);
  return sim && sim->outputsEnabled() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_sim_TorqaSimulator_heartbeatRate(JNIEnv*, jclass,
                                                                                jlong id) {
  auto sim = find(id);
  return sim ? sim->heartbeatRate() : 0.0;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_TorqaSimulator_heartbeatCount(JNIEnv*, jclass,
                                                                               jlong id) {
  auto sim = find(id);
  return sim ? static_cast<jlong>(sim->heartbeatCount()) : 0;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_TorqaSimulator_motorFrequency(JNIEnv*, jclass,
                                                                              jlong id,
                                                                              jint motor) {
  auto sim = find(id);
  return sim ? sim->motorFrequency(motor) : -1;
}

// Seventeen values: mode, speed, target RPM, target distance, target angle, position hold,
// current limit, current limit on, PID type, sensitivity, resolution, frequency, autotunes, RPM,
// commanded RPM, encoder count, Orvix position.
JNIEXPORT jdoubleArray JNICALL Java_com_korvane_frc_sim_TorqaSimulator_motorState(JNIEnv* env,
                                                                                  jclass, jlong id,
                                                                                  jint motor) {
  auto sim = find(id);
  TorqaSim::MotorState m = sim ? sim->motor(motor) : TorqaSim::MotorState{};
  jdouble values[] = {static_cast<double>(m.mode),
                      m.speed,
                      m.targetRpm,
                      static_cast<double>(m.targetDistance),
                      m.targetAngle,
                      m.positionHold ? 1.0 : 0.0,
                      m.currentLimit,
                      m.currentLimitOn ? 1.0 : 0.0,
                      static_cast<double>(m.pidType),
                      static_cast<double>(m.sensitivity),
                      static_cast<double>(m.resolution),
                      static_cast<double>(m.frequency),
                      static_cast<double>(m.autotunes),
                      m.rpm,
                      m.commandedRpm,
                      m.encoderCount,
                      m.orvixPosition};
  jsize count = sizeof values / sizeof values[0];
  jdoubleArray array = env->NewDoubleArray(count);
  if (array != nullptr) env->SetDoubleArrayRegion(array, 0, count, values);
  return array;
}

// 0 stop mode, 1 CAN sensor delay, 2 info requests, 3 serial-number requests.
JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_TorqaSimulator_counter(JNIEnv*, jclass, jlong id,
                                                                       jint which) {
  auto sim = find(id);
  if (!sim) return -1;
  switch (which) {
    case 0:
      return sim->stopMode();
    case 1:
      return sim->canSensorDelay();
    case 2:
      return sim->infoRequestCount();
    case 3:
      return sim->serialRequestCount();
    default:
      return -1;
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_setInfoRecord(JNIEnv* env, jclass,
                                                                             jlong id,
                                                                             jbyteArray record) {
  auto sim = find(id);
  if (!sim || record == nullptr) return;
  std::array<uint8_t, 8> bytes{};
  jsize size = std::min<jsize>(env->GetArrayLength(record), 8);
  env->GetByteArrayRegion(record, 0, size, reinterpret_cast<jbyte*>(bytes.data()));
  sim->setInfoRecord(bytes);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_setInfoReply(JNIEnv*, jclass,
                                                                            jlong id, jint reply) {
  auto sim = find(id);
  if (sim && reply >= 0 && reply <= 2) sim->setInfoReply(static_cast<TorqaSim::InfoReply>(reply));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_setSerialNumber(JNIEnv*, jclass,
                                                                               jlong id, jint w1,
                                                                               jint w2, jint w3) {
  auto sim = find(id);
  if (sim) {
    sim->setSerialNumber(static_cast<uint32_t>(w1), static_cast<uint32_t>(w2),
                         static_cast<uint32_t>(w3));
  }
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_setSerialAnswers(JNIEnv*, jclass,
                                                                                jlong id,
                                                                                jboolean answers) {
  auto sim = find(id);
  if (sim) sim->setSerialAnswers(answers == JNI_TRUE);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_setLimitSwitch(JNIEnv*, jclass,
                                                                              jlong id, jint motor,
                                                                              jint which,
                                                                              jboolean closed) {
  auto sim = find(id);
  if (sim) sim->setLimitSwitch(motor, which, closed == JNI_TRUE ? 1 : 0);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_setOrvixPosition(JNIEnv*, jclass,
                                                                                jlong id,
                                                                                jint motor,
                                                                                jdouble degrees) {
  auto sim = find(id);
  if (sim) sim->setOrvixPosition(motor, degrees);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_TorqaSimulator_setTemperature(JNIEnv*, jclass,
                                                                              jlong id,
                                                                              jdouble celsius) {
  auto sim = find(id);
  if (sim) sim->setTemperature(celsius);
}

}  // extern "C"
