# Under Wine: the state at load time is seen only by a test in a process of its own; Windows keeps
# no per-thread count of wakeups a test can read (support/windows/ThreadWakeups.cpp).
set(windows_tests_alone "LinvoDriverTest.BeforeInitialisationVoltagesAreZero")
set(windows_test_filter "LinvoSamplerTest.WithoutReadingsTheSamplerSleepsWithoutWakingAndCloseJoinsIt")
