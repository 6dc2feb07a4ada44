# The late-bound helpers against the generic host double.
kq_add_gtest(addin_dispatch_helper_tests SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/DispatchHelpersTest.cpp
             LIBS brenmarkcore kqdoubles)
