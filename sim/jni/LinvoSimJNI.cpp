// Java bindings of the simulated line sensor: com.korvane.frc.sim.LinvoSimulator.

#include <jni.h>

#include <memory>

#include "SimRegistry.h"
#include "com_korvane_frc_sim_LinvoSimulator.h"
#include "sim/linvo/LinvoSim.h"

using korvane::sim::LinvoSim;

namespace {

SimRegistry<LinvoSim> g_sims;

std::shared_ptr<LinvoSim> find(jlong id) {
  return g_sims.find(id);
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_LinvoSimulator_attach0(JNIEnv*, jclass, jint port,
                                                                        jint address) {
  return g_sims.add(LinvoSim::attach(port, address));
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LinvoSimulator_detach(JNIEnv*, jclass, jlong id) {
  if (auto sim = g_sims.remove(id)) sim->detach();
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LinvoSimulator_setVoltage(JNIEnv*, jclass, jlong id,
                                                                          jint channel,
                                                                          jdouble volts) {
  if (auto sim = find(id)) sim->setVoltage(channel, volts);
}

JNIEXPORT jdouble JNICALL Java_com_korvane_frc_sim_LinvoSimulator_voltage(JNIEnv*, jclass, jlong id,
                                                                          jint channel) {
  auto sim = find(id);
  return sim ? sim->voltage(channel) : 0.0;
}

JNIEXPORT jint JNICALL Java_com_korvane_frc_sim_LinvoSimulator_configRegister(JNIEnv*, jclass,
                                                                              jlong id) {
  auto sim = find(id);
  return sim ? sim->configRegister() : -1;
}

}  // extern "C"
