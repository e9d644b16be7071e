set(folder_test_properties RESOURCE_LOCK udp1110)
# Under Wine the calls before any create are seen only in a process of their own.
set(windows_tests_alone "MockDSTest.CallsBeforeCreateDoNothing")
