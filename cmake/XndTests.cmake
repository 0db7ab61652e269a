# One test program per module folder (tests/NAME links the module xndNAME, or
# the whole library when there is no such module); xndnfe_tests builds them all.
# Each program lives and runs in a directory of its own (with its own copy of
# the installation data), so files written beside one program, such as the
# exception log of an empty DiretorioLogErro, are never shared with another.
include(GoogleTest)

add_custom_target(xndnfe_tests)
file(GLOB _test_dirs LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/tests/*)
foreach(_d ${_test_dirs})
  get_filename_component(_n ${_d} NAME)
  file(GLOB_RECURSE _tsrc CONFIGURE_DEPENDS ${_d}/*.cpp)
  if(_n STREQUAL "app" AND NOT TARGET xndnfeform)
    continue()
  endif()
  if(IS_DIRECTORY ${_d} AND NOT _n STREQUAL "support" AND _tsrc)
    set(_t xndnfe_tests_${_n})
    set(_dir ${PROJECT_BINARY_DIR}/tests/${_n})
    add_executable(${_t} ${_tsrc})
    set_target_properties(${_t} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${_dir})
    if(TARGET xnd${_n})
      set(_under_test xnd${_n})
    else()
      set(_under_test xndnfe)
    endif()
    target_link_libraries(${_t} PRIVATE ${_under_test} xndtestsupport GTest::gtest_main GTest::gmock)
    if(TARGET xndnfe-sefaz-sim)
      target_compile_definitions(${_t} PRIVATE XND_SEFAZ_SIM="$<TARGET_FILE:xndnfe-sefaz-sim>")
      add_dependencies(${_t} xndnfe-sefaz-sim)
    endif()
    gtest_discover_tests(${_t} WORKING_DIRECTORY ${_dir} DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 300)
    add_dependencies(xndnfe_tests ${_t})
    xndnfe_copy_data(${_t})
  endif()
endforeach()

if(TARGET xndnfe_tests_app)
  target_link_libraries(xndnfe_tests_app PRIVATE xndnfeform Qt6::Test)
endif()

# Sanitized archives cannot be linked by an ordinary host build.
if(XND_INSTALL AND NOT XND_SANITIZE AND NOT XND_SANITIZE_THREAD)
  include(${CMAKE_CURRENT_LIST_DIR}/XndConsumerTests.cmake)
endif()

# The generation tests sign their notes through the NF-e component.
if(TARGET xndnfe_tests_datasets)
  target_link_libraries(xndnfe_tests_datasets PRIVATE xndnfe)
endif()

# The entry component's tests take their batches through the NF-e component.
if(TARGET xndnfe_tests_nfedatasets)
  target_link_libraries(xndnfe_tests_nfedatasets PRIVATE xndnfe)
endif()
