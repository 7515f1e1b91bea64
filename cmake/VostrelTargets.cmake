# vostrel_library(NAME DIR [EXCLUDE regex...]) : a static library made of every
# .cpp below DIR, so new source files need no edit of a CMake file.
function(vostrel_library name dir)
  cmake_parse_arguments(ARG "" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${ex}")
  endforeach()
  if(NOT srcs)
    # An empty folder still gives a target so that dependents link.
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    if(NOT EXISTS ${stub})
      file(WRITE ${stub} "namespace { [[maybe_unused]] int unusedEmpty; }\n")
    endif()
    set(srcs ${stub})
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# vostrel_test_program(TARGET): settings every test program shares.
# GoogleTest and the standard headers every test reads are parsed once a
# program instead of once a file (a third of a test file's compile); each
# program has its own, as the platform's libraries add definitions that a
# shared one would have to match. In a Release build the tests' own files
# compile at -O1: the code under test keeps the build's flags, and the long
# table-filling test bodies gain nothing from -O3 but twice the compile time.
function(vostrel_test_program target)
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <algorithm> <cstdint> <cstring>
    <functional> <map> <memory> <string> <vector>)
  target_compile_options(${target} PRIVATE $<$<CONFIG:Release>:-O1>)
endfunction()

# vostrel_test_folder(DIR LIBS...) : every *_test.cpp below tests/DIR goes into
# one GoogleTest program; every *_gltest.cpp into a second one whose tests
# carry the label "gl" (they need an X display and OpenGL) beside the folder's
# own label.
function(vostrel_test_folder dir)
  string(REPLACE "/" "_" base ${dir})
  file(GLOB_RECURSE plain CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*_test.cpp)
  file(GLOB_RECURSE gl CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*_gltest.cpp)
  if(plain)
    add_executable(test_${base} ${plain})
    target_link_libraries(test_${base} PRIVATE test_support ${ARGN} GTest::gtest GTest::gtest_main)
    vostrel_test_program(test_${base})
    gtest_discover_tests(test_${base} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${base}")
  endif()
  if(gl)
    add_executable(gltest_${base} ${gl})
    target_link_libraries(gltest_${base} PRIVATE test_support ${ARGN} GTest::gtest GTest::gtest_main)
    vostrel_test_program(gltest_${base})
    gtest_discover_tests(gltest_${base} WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
      DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
    # PROPERTIES would split a list of labels into separate properties, so
    # both labels are set once the tests are known, by a script CTest reads
    # after the discovery's own.
    set(labels ${CMAKE_CURRENT_BINARY_DIR}/gltest_${base}_labels.cmake)
    file(WRITE ${labels}
      "if(gltest_${base}_TESTS)\n"
      "  set_tests_properties(\${gltest_${base}_TESTS} PROPERTIES LABELS \"gl;${base}\")\n"
      "endif()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels})
  endif()
endfunction()
