// Java bindings of the simulated line sensor: com.korvane.frc.sim.LinvoSimulator.

#include <jni.h>

#include <map>
#include <memory>
#include <mutex>

#include "linvo/LinvoSim.h"

using korvane::sim::LinvoSim;

namespace {

std::mutex g_mutex;
std::map<jlong, std::shared_ptr<LinvoSim>> g_sims;
jlong g_next = 1;

std::shared_ptr<LinvoSim> find(jlong id) {
  std::lock_guard lock(g_mutex);
  auto it = g_sims.find(id);
  return it == g_sims.end() ? nullptr : it->second;
}

}  // namespace

extern "C" {

JNIEXPORT jlong JNICALL Java_com_korvane_frc_sim_LinvoSimulator_attach0(JNIEnv*, jclass, jint port,
                                                                        jint address) {
  auto sim = LinvoSim::attach(port, address);
  std::lock_guard lock(g_mutex);
  g_sims[g_next] = sim;
  return g_next++;
}

JNIEXPORT void JNICALL Java_com_korvane_frc_sim_LinvoSimulator_detach(JNIEnv*, jclass, jlong id) {
  std::shared_ptr<LinvoSim> sim;
  {
    std::lock_guard lock(g_mutex);
    auto it = g_sims.find(id);
    if (it == g_sims.end()) return;
    sim = std::move(it->second);
    g_sims.erase(it);
  }
  sim->detach();
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
