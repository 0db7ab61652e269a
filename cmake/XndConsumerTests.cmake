# A host project's three ways in: the library installed to a temporary prefix
# and found by find_package or pkg-config, and the source tree added with
# add_subdirectory. Each builds examples/host and runs it.
set(_consumer_dir ${PROJECT_BINARY_DIR}/consumer)
add_test(NAME consumer.install
         COMMAND ${CMAKE_COMMAND} --install ${PROJECT_BINARY_DIR} --prefix ${_consumer_dir}/prefix)
set_tests_properties(consumer.install PROPERTIES FIXTURES_SETUP xndnfe_installed)
if(TARGET xndnfe-sefaz-sim)
  foreach(_mode find_package pkg-config subdirectory)
    add_test(NAME consumer.${_mode}
             COMMAND ${PROJECT_SOURCE_DIR}/tests/consumer/run-host-example ${_mode}
                     ${PROJECT_SOURCE_DIR} ${_consumer_dir}/prefix $<TARGET_FILE:xndnfe-sefaz-sim>
                     ${_consumer_dir}/${_mode})
    set_tests_properties(consumer.${_mode} PROPERTIES TIMEOUT 1800 SKIP_RETURN_CODE 77)
    if(NOT _mode STREQUAL "subdirectory")
      set_tests_properties(consumer.${_mode} PROPERTIES FIXTURES_REQUIRED xndnfe_installed)
    endif()
  endforeach()
endif()
