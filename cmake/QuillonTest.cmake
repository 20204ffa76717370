# quillon_add_test(<name> SOURCES <files...> [LIBS <targets...>] [DATA <folder under tests/data>]
#                  [WRAPPER <script>])
#
# Builds one GoogleTest program and registers it with CTest. Every test runs with the C
# locale, with its data folder in QUILLON_TEST_DATA, and with XDG_DATA_HOME and
# XDG_CONFIG_HOME pointing into the build tree so that no test touches the real home. Every
# test finds the shared kit of tests/support (Quillon::TestSupport).
find_package(GTest REQUIRED)

function(quillon_add_test name)
  cmake_parse_arguments(ARG "" "DATA;WRAPPER" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Quillon::TestSupport GTest::gtest GTest::gmock GTest::gtest_main)
  if(ARG_DATA)
    set(data_dir "${PROJECT_SOURCE_DIR}/tests/data/${ARG_DATA}")
  else()
    set(data_dir "${PROJECT_SOURCE_DIR}/tests/data")
  endif()
  target_compile_definitions(${name} PRIVATE QUILLON_TEST_DATA="${data_dir}")
  # A wrapper runs the test program itself (with the program's path as its argument), for
  # tests that need a session of their own around them.
  if(ARG_WRAPPER)
    add_test(NAME ${name} COMMAND ${ARG_WRAPPER} $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  set(home "${CMAKE_BINARY_DIR}/test-home/${name}")
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "LC_ALL=C;LANG=C;QUILLON_TEST_DATA=${data_dir};XDG_DATA_HOME=${home}/data;XDG_CONFIG_HOME=${home}/config;QT_QPA_PLATFORM=offscreen"
    TIMEOUT 300)
endfunction()

# quillon_add_dpi_runs(<test> DPIS <dpi...> [FILTER <gtest filter>])
#
# Runs an already added GUI test again at each logical DPI (high-DPI scaling off, so the
# fonts grow while the designed pixel sizes would not), as <test>_dpi<dpi>.
function(quillon_add_dpi_runs name)
  cmake_parse_arguments(ARG "" "FILTER" "DPIS" ${ARGN})
  get_test_property(${name} ENVIRONMENT base_environment)
  foreach(dpi ${ARG_DPIS})
    # A home of its own, so the runs can go side by side.
    string(REPLACE "/test-home/${name}/" "/test-home/${name}_dpi${dpi}/" environment
           "${base_environment}")
    if(ARG_FILTER)
      add_test(NAME ${name}_dpi${dpi} COMMAND ${name} --gtest_filter=${ARG_FILTER})
    else()
      add_test(NAME ${name}_dpi${dpi} COMMAND ${name})
    endif()
    set_tests_properties(${name}_dpi${dpi} PROPERTIES
      ENVIRONMENT "${environment};QT_FONT_DPI=${dpi};QT_ENABLE_HIGHDPI_SCALING=0"
      TIMEOUT 300)
  endforeach()
endfunction()
