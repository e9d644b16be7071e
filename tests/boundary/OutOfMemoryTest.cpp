// The JNI boundary when memory runs out. The virtual machine's side (a string's characters or an
// array's elements it cannot provide) is played by a fake JNIEnv; the library's side by this
// program's operator new, which fails on request. Either way no export may throw, end the process
// or leave a Java error pending, and a failed opening leaves nothing behind that keeps the next
// one from working.

#include <gtest/gtest.h>
#include <jni.h>

#include <array>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "LinvoBus.h"
#include "com_korvane_frc_jni_LinvoJNI.h"
#include "com_korvane_frc_jni_MockDSJNI.h"
#include "jni/Boundary.h"
#include "korvane/sim/System.h"

namespace {
// While set, every allocation of this thread fails; counts the allocations refused.
thread_local bool t_allocationsFail = false;
thread_local int t_refusedAllocations = 0;
}  // namespace

// GCC pairs gtest's inlined `new` of a test with the free() below and warns; both ends are this
// program's own malloc and free.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  if (t_allocationsFail) {
    ++t_refusedAllocations;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  return operator new(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}

namespace {

// Memory runs out on this thread for as long as this lives.
class OutOfMemory {
 public:
  OutOfMemory() { t_allocationsFail = true; }
  ~OutOfMemory() { t_allocationsFail = false; }
  OutOfMemory(const OutOfMemory&) = delete;
  OutOfMemory& operator=(const OutOfMemory&) = delete;
};

// A Java string or float array as the fake VM holds it; one that is not available is one the VM
// has no memory to hand out.
struct FakeString {
  std::string text;
  bool available = true;
};
struct FakeArray {
  std::string name;
  bool available = true;
  std::vector<jfloat> elements = std::vector<jfloat>(4, 0.0f);
};

// The JNI functions the boundary's helpers call. Asking for something unavailable gives null and
// leaves an OutOfMemoryError pending, as a VM out of memory does. Every call is logged, and so is
// each call made while an error is pending that the JNI does not allow then (all but the
// exception calls and the releases).
class FakeVm {
 public:
  FakeVm() {
    table_.reserved0 = this;
    table_.GetStringUTFChars = &getStringUtfChars;
    table_.ReleaseStringUTFChars = &releaseStringUtfChars;
    table_.ExceptionCheck = &exceptionCheck;
    table_.ExceptionClear = &exceptionClear;
    table_.GetPrimitiveArrayCritical = &getPrimitiveArrayCritical;
    table_.ReleasePrimitiveArrayCritical = &releasePrimitiveArrayCritical;
  }
  FakeVm(const FakeVm&) = delete;
  FakeVm& operator=(const FakeVm&) = delete;

  JNIEnv* env() { return &env_; }
  static jstring string(FakeString& s) { return reinterpret_cast<jstring>(&s); }
  static jfloatArray array(FakeArray& a) { return reinterpret_cast<jfloatArray>(&a); }

  bool errorPending() const { return pending_; }
  const std::vector<std::string>& calls() const { return calls_; }
  const std::vector<std::string>& callsWhilePending() const { return callsWhilePending_; }

 private:
  static FakeVm& of(JNIEnv* env) { return *static_cast<FakeVm*>(env->functions->reserved0); }

  void log(const std::string& call, bool allowedWhilePending) {
    calls_.push_back(call);
    if (pending_ && !allowedWhilePending) callsWhilePending_.push_back(call);
  }

  static const char* JNICALL getStringUtfChars(JNIEnv* env, jstring text, jboolean*) {
    FakeVm& vm = of(env);
    auto* s = reinterpret_cast<FakeString*>(text);
    vm.log("GetStringUTFChars", false);
    if (!s->available) {
      vm.pending_ = true;
      return nullptr;
    }
    return s->text.c_str();
  }
  static void JNICALL releaseStringUtfChars(JNIEnv* env, jstring, const char*) {
    of(env).log("ReleaseStringUTFChars", true);
  }
  static jboolean JNICALL exceptionCheck(JNIEnv* env) {
    FakeVm& vm = of(env);
    vm.log("ExceptionCheck", true);
    return vm.pending_ ? JNI_TRUE : JNI_FALSE;
  }
  static void JNICALL exceptionClear(JNIEnv* env) {
    FakeVm& vm = of(env);
    vm.log("ExceptionClear", true);
    vm.pending_ = false;
  }
  static void* JNICALL getPrimitiveArrayCritical(JNIEnv* env, jarray array, jboolean*) {
    FakeVm& vm = of(env);
    auto* a = reinterpret_cast<FakeArray*>(array);
    vm.log("GetPrimitiveArrayCritical " + a->name, false);
    if (!a->available) {
      vm.pending_ = true;
      return nullptr;
    }
    return a->elements.data();
  }
  static void JNICALL releasePrimitiveArrayCritical(JNIEnv* env, jarray array, void*, jint) {
    of(env).log("ReleasePrimitiveArrayCritical " + reinterpret_cast<FakeArray*>(array)->name, true);
  }

  JNINativeInterface_ table_{};
  JNIEnv env_{&table_};
  bool pending_ = false;
  std::vector<std::string> calls_;
  std::vector<std::string> callsWhilePending_;
};

using Calls = std::vector<std::string>;

// The USB sensors' create exports return 0 for a path the VM cannot hand over as UTF-8: the error
// it raised must not be left for Java to find.
TEST(JniOutOfMemoryTest, AStringArgumentWhoseCharactersCannotBeHadIsNullWithNoErrorPending) {
  FakeVm vm;
  FakeString path{"/dev/ttyACM0", false};
  {
    korvane::jni::Utf8Argument chars(vm.env(), FakeVm::string(path));
    EXPECT_EQ(chars.get(), nullptr);
    EXPECT_FALSE(vm.errorPending());
  }
  EXPECT_TRUE(vm.callsWhilePending().empty());
  EXPECT_EQ(vm.calls(), (Calls{"GetStringUTFChars", "ExceptionCheck", "ExceptionClear"}))
      << "characters never had are not released";

  FakeVm other;
  FakeString name{"COM3"};
  {
    korvane::jni::Utf8Argument chars(other.env(), FakeVm::string(name));
    EXPECT_STREQ(chars.get(), "COM3");
  }
  EXPECT_EQ(other.calls(), (Calls{"GetStringUTFChars", "ReleaseStringUTFChars"}));
}

TEST(JniOutOfMemoryTest, CriticalArraysStopAtTheFirstThatCannotBeHadAndReleaseThoseHeld) {
  FakeVm vm;
  FakeArray angle{"angle"};
  FakeArray distance{"distance", false};
  FakeArray intensity{"intensity"};
  {
    korvane::jni::CriticalFloatArrays<3> arrays(
        vm.env(), {FakeVm::array(angle), FakeVm::array(distance), FakeVm::array(intensity)});
    EXPECT_FALSE(arrays.held());
  }
  EXPECT_TRUE(vm.callsWhilePending().empty())
      << "asked for while an error was pending: " << vm.callsWhilePending().front();
  EXPECT_EQ(vm.calls(),
            (Calls{"GetPrimitiveArrayCritical angle", "GetPrimitiveArrayCritical distance",
                   "ReleasePrimitiveArrayCritical angle"}));
  EXPECT_TRUE(vm.errorPending()) << "left for the export to clear once nothing is held";
}

TEST(JniOutOfMemoryTest, CriticalArraysAllHeldAreWrittenInPlaceAndReleasedInReverse) {
  FakeVm vm;
  FakeArray angle{"angle"};
  FakeArray distance{"distance"};
  FakeArray intensity{"intensity"};
  {
    korvane::jni::CriticalFloatArrays<3> arrays(
        vm.env(), {FakeVm::array(angle), FakeVm::array(distance), FakeVm::array(intensity)});
    ASSERT_TRUE(arrays.held());
    arrays[0][0] = 1.5f;
    arrays[1][1] = 2.5f;
    arrays[2][3] = 3.5f;
  }
  EXPECT_EQ(angle.elements[0], 1.5f);
  EXPECT_EQ(distance.elements[1], 2.5f);
  EXPECT_EQ(intensity.elements[3], 3.5f);
  EXPECT_EQ(
      vm.calls(),
      (Calls{"GetPrimitiveArrayCritical angle", "GetPrimitiveArrayCritical distance",
             "GetPrimitiveArrayCritical intensity", "ReleasePrimitiveArrayCritical intensity",
             "ReleasePrimitiveArrayCritical distance", "ReleasePrimitiveArrayCritical angle"}));
}

// An opening that cannot allocate, called as Java calls it: a C++ exception leaving an export
// would end the virtual machine's process.
using LineSensorOutOfMemoryTest = korvane::test::LinvoConverterTest;

TEST_F(LineSensorOutOfMemoryTest, AnOpeningThatCannotAllocateFailsAndTheNextOneOpens) {
  const int refusedBefore = t_refusedAllocations;
  jboolean answered = JNI_TRUE;
  EXPECT_NO_THROW({
    OutOfMemory noMemory;
    answered = Java_com_korvane_frc_jni_LinvoJNI_c_1initializeI2C(nullptr, nullptr, 5.0f);
  });
  EXPECT_EQ(answered, JNI_FALSE);
  EXPECT_GT(t_refusedAllocations, refusedBefore) << "the opening asked for no memory";
  EXPECT_EQ(Java_com_korvane_frc_jni_LinvoJNI_c_1isAnswering(nullptr, nullptr), JNI_FALSE);

  // Nothing of the failed opening holds the sensor or the bus: the next opening finds the
  // converter and reads it.
  converter->setVoltage(1, 1.0);
  testing::internal::CaptureStdout();
  answered = Java_com_korvane_frc_jni_LinvoJNI_c_1initializeI2C(nullptr, nullptr, 5.0f);
  lines = testing::internal::GetCapturedStdout();
  EXPECT_EQ(answered, JNI_TRUE) << lines;
  EXPECT_EQ(Java_com_korvane_frc_jni_LinvoJNI_c_1getRawValue(nullptr, nullptr, 1), 1000);
}

// The mock driver station's create where its instance cannot be made (a simulation) and where it
// refuses to run and says why (a real robot). None is started, so nothing is sent.
TEST(MockDSOutOfMemoryTest, ACreateThatCannotAllocateReturnsWithNothingSending) {
  for (bool realRobot : {false, true}) {
    SCOPED_TRACE(realRobot ? "on a real robot" : "in a simulation");
    korvane::sim::setRealRobot(realRobot);
    const int refusedBefore = t_refusedAllocations;
    EXPECT_NO_THROW({
      OutOfMemory noMemory;
      Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1create(nullptr, nullptr);
    });
    korvane::sim::setRealRobot(false);
    EXPECT_GT(t_refusedAllocations, refusedBefore) << "the create asked for no memory";
    EXPECT_EQ(Java_com_korvane_frc_jni_MockDSJNI_c_1MockDS_1isSending(nullptr, nullptr), JNI_FALSE);
  }
}

}  // namespace
