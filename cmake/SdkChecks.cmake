# The module's sources against both SDKs a user builds with: the simulator's own (Windows) and its
# Linux port's. For each, every source of the three modules compiled against the SDK's headers
# (tools/sdk-check.sh), and the build against an installation of it (tools/sdk-build-check.sh,
# cross-configured with MinGW; tools/sdk-build-check-port.sh, built and installed); and the check's
# own behaviour. Each is skipped when its SDK's headers are not there.
foreach(var TALVEK_SDK_INCLUDE TALVEK_PORT_SDK_INCLUDE)
  if(NOT EXISTS ${${var}}/OrbiterAPI.h)
    message(STATUS "SDK headers not found in ${${var}}: the sdk_ tests of that SDK will be "
      "skipped; set ${var} to a folder holding OrbiterAPI.h and VesselAPI.h to run them")
  endif()
endforeach()
add_test(NAME sdk_syntax_check
  COMMAND ${PROJECT_SOURCE_DIR}/tools/sdk-check.sh --kind windows
    --sdk ${TALVEK_SDK_INCLUDE} --root ${PROJECT_SOURCE_DIR} --work ${CMAKE_BINARY_DIR}/sdk-check)
add_test(NAME sdk_syntax_check_port
  COMMAND ${PROJECT_SOURCE_DIR}/tools/sdk-check.sh --kind linux-port
    --sdk ${TALVEK_PORT_SDK_INCLUDE} --root ${PROJECT_SOURCE_DIR} --work ${CMAKE_BINARY_DIR}/sdk-check-port)
add_test(NAME sdk_syntax_check_selftest
  COMMAND ${PROJECT_SOURCE_DIR}/tools/sdk-check-selftest.sh
    --sdk ${TALVEK_SDK_INCLUDE} --port-sdk ${TALVEK_PORT_SDK_INCLUDE} --work ${CMAKE_BINARY_DIR}/sdk-check-selftest)
add_test(NAME sdk_build_check
  COMMAND ${PROJECT_SOURCE_DIR}/tools/sdk-build-check.sh
    --sdk ${TALVEK_SDK_INCLUDE} --work ${CMAKE_BINARY_DIR}/sdk-build-check)
add_test(NAME sdk_build_check_port
  COMMAND ${PROJECT_SOURCE_DIR}/tools/sdk-build-check-port.sh
    --sdk ${TALVEK_PORT_SDK_INCLUDE} --windows-sdk ${TALVEK_SDK_INCLUDE} --work ${CMAKE_BINARY_DIR}/sdk-build-check-port)
set_tests_properties(sdk_syntax_check sdk_syntax_check_port sdk_syntax_check_selftest sdk_build_check
  sdk_build_check_port PROPERTIES SKIP_RETURN_CODE 77)
