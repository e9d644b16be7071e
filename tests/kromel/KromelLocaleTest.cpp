// The colour sensor's numbers in a process whose locale writes a decimal comma (a locale built
// with Linux's localedef for the test).

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <cstdlib>
#include <string>

#include "kromel/KromelLines.h"

namespace {

class KromelLocaleTest : public ::testing::Test {
 protected:
  korvane::Kromel::ColorData feed(const std::string& bytes) {
    reader_.feed(reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<int>(bytes.size()),
                 [this](const korvane::Kromel::ColorData& reading) { newest_ = reading; });
    return newest_;
  }

 private:
  korvane::kromel::LineReader reader_;
  korvane::Kromel::ColorData newest_;
};

// The robot program's JVM may run in a locale whose decimal mark is a comma; the sensor's numbers
// keep their point.
TEST_F(KromelLocaleTest, NumbersDoNotDependOnTheProcessLocale) {
  char dir[] = "/tmp/korvane-locale-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  std::string build =
      std::string("localedef -i de_DE -f UTF-8 ") + dir + "/de_DE.UTF-8 >/dev/null 2>&1";
  bool built = std::system(build.c_str()) == 0;
  std::string oldPath = getenv("LOCPATH") ? getenv("LOCPATH") : "";
  setenv("LOCPATH", dir, 1);
  const char* german = built ? setlocale(LC_NUMERIC, "de_DE.UTF-8") : nullptr;
  if (german == nullptr) {
    std::system((std::string("rm -rf ") + dir).c_str());
    GTEST_SKIP() << "no locale with a decimal comma could be made (localedef)";
  }
  float localeSays = std::strtof("0.5", nullptr);
  korvane::Kromel::ColorData r = feed("XYZ: 0.5, 0.25, 1.75\n");
  setlocale(LC_NUMERIC, "C");
  if (oldPath.empty())
    unsetenv("LOCPATH");
  else
    setenv("LOCPATH", oldPath.c_str(), 1);
  std::system((std::string("rm -rf ") + dir).c_str());

  EXPECT_EQ(localeSays, 0.0f) << "the locale really reads a point as the end of the number";
  EXPECT_FLOAT_EQ(r.x, 0.5f);
  EXPECT_FLOAT_EQ(r.y, 0.25f);
  EXPECT_FLOAT_EQ(r.z, 1.75f);
}

}  // namespace
