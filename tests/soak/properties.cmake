# The soak runs alone with `ctest -L soak`. Its cycle counts scale with KORVANE_SOAK_CYCLES (see
# ProcessFootprint.h); the defaults keep the whole soak to a minute or two.
set(folder_test_properties LABELS soak)
