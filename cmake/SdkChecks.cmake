# Every source of the module and of the message module against the simulator's own SDK headers
# (tools/sdk-check.sh), the check's own behaviour, and the build against a simulator
# installation, cross-configured with MinGW (tools/sdk-build-check.sh). Skipped when the headers
# are not there.
if(NOT EXISTS ${TALVEK_SDK_INCLUDE}/OrbiterAPI.h)
  message(STATUS "SDK headers not found in ${TALVEK_SDK_INCLUDE}: the sdk_ tests will be "
    "skipped; set TALVEK_SDK_INCLUDE to a folder holding OrbiterAPI.h and VesselAPI.h to run them")
endif()
add_test(NAME sdk_syntax_check
  COMMAND ${PROJECT_SOURCE_DIR}/tools/sdk-check.sh
    --sdk ${TALVEK_SDK_INCLUDE} --root ${PROJECT_SOURCE_DIR} --work ${CMAKE_BINARY_DIR}/sdk-check)
add_test(NAME sdk_syntax_check_selftest
  COMMAND ${PROJECT_SOURCE_DIR}/tools/sdk-check-selftest.sh
    --sdk ${TALVEK_SDK_INCLUDE} --work ${CMAKE_BINARY_DIR}/sdk-check-selftest)
add_test(NAME sdk_build_check
  COMMAND ${PROJECT_SOURCE_DIR}/tools/sdk-build-check.sh
    --sdk ${TALVEK_SDK_INCLUDE} --work ${CMAKE_BINARY_DIR}/sdk-build-check)
set_tests_properties(sdk_syntax_check sdk_syntax_check_selftest sdk_build_check
  PROPERTIES SKIP_RETURN_CODE 77)
