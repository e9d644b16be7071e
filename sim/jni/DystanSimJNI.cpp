// Java bindings of the simulated distance sensors: com.korvane.frc.sim.DystanSimulator (CAN) and
// com.korvane.frc.sim.DystanUsbEmulator (USB).

#include <jni.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "JavaValues.h"
#include "PtySimBindings.h"
#include "SimRegistry.h"
#include "com_korvane_frc_sim_DystanSimulator.h"
#include "com_korvane_frc_sim_DystanUsbEmulator.h"
#include "sim/dystan/DystanCanSim.h"
#include "sim/dystan/DystanUsbSim.h"

using korvane::sim::DystanCanSim;
using korvane::sim::DystanUsbSim;

namespace {

SimRegistry<DystanCanSim> g_can;
SimRegistry<DystanUsbSim> g_usb;

std::vector<jint> intsOf(JNIEnv* env, jintArray array) {
  std::vector<jint> values;
  if (array == nullptr) return values;
  values.resize(static_cast<size_t>(env->GetArrayLength(array)));
  if (!values.empty()) {
    env->GetIntArrayRegion(array, 0, static_cast<jsize>(values.size()), values.data());
  }
  return values;
}

std::vector<int16_t> distancesOf(JNIEnv* env, jintArray array) {
  std::vector<int16_t> distances;
  for (jint v : intsOf(env, array)) distances.push_back(static_cast<int16_t>(v));
  return distances;
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_DystanSimulator_attach0(JNIEnv*, jclass, jint bus,
                                                                         jint canId,
                                                                         jint scansPerSecond) {
  return g_can.add(DystanCanSim::attach(static_cast<uint8_t>(canId), scansPerSecond, bus));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanSimulator_detach(JNIEnv*, jclass, jlong id) {
  if (auto sim = g_can.remove(id)) sim->detach();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanSimulator_setDistances(JNIEnv* env, jclass,
                                                                             jlong id,
                                                                             jintArray values) {
  if (auto sim = g_can.find(id)) sim->setDistances(distancesOf(env, values));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanSimulator_setScanRate(JNIEnv*, jclass,
                                                                            jlong id, jint rate) {
  if (auto sim = g_can.find(id)) sim->setScanRate(rate);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanSimulator_setDroppedChunks(JNIEnv* env,
                                                                                 jclass, jlong id,
                                                                                 jintArray chunks) {
  std::vector<jint> list = intsOf(env, chunks);
  if (auto sim = g_can.find(id)) sim->setDroppedChunks(std::set<int>(list.begin(), list.end()));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanSimulator_setSilent(JNIEnv*, jclass, jlong id,
                                                                          jboolean silent) {
  if (auto sim = g_can.find(id)) sim->setSilent(silent == JNI_TRUE);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanSimulator_setConfig(
    JNIEnv*, jclass, jlong id, jint version, jboolean distance, jboolean canFd, jboolean canBrs,
    jint canId) {
  if (auto sim = g_can.find(id)) {
    DystanCanSim::Config config;
    config.version = static_cast<uint8_t>(version);
    config.distanceEnabled = distance == JNI_TRUE;
    config.canFdEnabled = canFd == JNI_TRUE;
    config.canBrsEnabled = canBrs == JNI_TRUE;
    config.canId = static_cast<uint8_t>(canId);
    sim->setConfig(config);
  }
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_DystanSimulator_sequence(JNIEnv*, jclass,
                                                                         jlong id) {
  auto sim = g_can.find(id);
  return sim ? sim->sequence() : 0;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_DystanSimulator_scansPublished(JNIEnv*, jclass,
                                                                                jlong id) {
  auto sim = g_can.find(id);
  return sim ? static_cast<jlong>(sim->scansPublished()) : 0;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_DystanSimulator_configRequests(JNIEnv*, jclass,
                                                                               jlong id) {
  auto sim = g_can.find(id);
  return sim ? sim->configRequests() : 0;
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_start0(JNIEnv*, jclass,
                                                                          jint outputRate,
                                                                          jboolean binary) {
  DystanUsbSim::Options options;
  options.outputRate = outputRate;
  options.binary = binary == JNI_TRUE;
  std::shared_ptr<DystanUsbSim> sim = DystanUsbSim::start(options);
  return sim ? g_usb.add(std::move(sim)) : 0;
}

JNIEXPORT jstring JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_path(JNIEnv* env, jclass,
                                                                          jlong id) {
  return pathOf(env, g_usb, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_stop(JNIEnv*, jclass, jlong id) {
  stop(g_usb, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_hangUp(JNIEnv*, jclass,
                                                                         jlong id) {
  hangUp(g_usb, id);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_setDistances(JNIEnv* env, jclass,
                                                                               jlong id,
                                                                               jintArray values) {
  if (auto sim = g_usb.find(id)) sim->setDistances(distancesOf(env, values));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_setStreaming(JNIEnv*, jclass,
                                                                               jlong id,
                                                                               jboolean on) {
  if (auto sim = g_usb.find(id)) sim->setStreaming(on == JNI_TRUE);
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_setGarbage(JNIEnv* env, jclass,
                                                                             jlong id,
                                                                             jbyteArray bytes) {
  if (auto sim = g_usb.find(id)) sim->setGarbage(bytesOf(env, bytes));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_setConfigReply(JNIEnv* env,
                                                                                 jclass, jlong id,
                                                                                 jstring line) {
  auto sim = g_usb.find(id);
  if (!sim) return;
  if (line == nullptr) {
    sim->setConfigReply("");
    return;
  }
  if (auto text = textOf(env, line)) sim->setConfigReply(*text);
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_send(JNIEnv* env, jclass,
                                                                           jlong id,
                                                                           jbyteArray bytes) {
  auto sim = g_usb.find(id);
  if (!sim || bytes == nullptr) return JNI_FALSE;
  return sim->send(bytesOf(env, bytes)) ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_binary(JNIEnv*, jclass,
                                                                             jlong id) {
  auto sim = g_usb.find(id);
  return sim && sim->binary() ? JNI_TRUE : JNI_FALSE;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_outputRate(JNIEnv*, jclass,
                                                                             jlong id) {
  auto sim = g_usb.find(id);
  return sim ? sim->outputRate() : -1;
}

JNIEXPORT jobjectArray JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_commands(JNIEnv* env,
                                                                                   jclass,
                                                                                   jlong id) {
  auto sim = g_usb.find(id);
  return stringArrayOf(env, sim ? sim->commands() : std::vector<std::string>{});
}

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_DystanUsbEmulator_scansSent(JNIEnv*, jclass,
                                                                             jlong id) {
  auto sim = g_usb.find(id);
  return sim ? static_cast<jlong>(sim->scansSent()) : 0;
}

}  // extern "C"
