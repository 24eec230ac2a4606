# qav_add_library(<name> [DIR <folder>] [ROOMS <sub-folders>...] [DEPS <targets>...]
#                 [PUBLIC_LIBS <libs>...])
#
# One static library per folder. Sources are found by glob, so adding a file to a folder needs no
# edit here; headers are included by their folder ("platform/text.h") from the repository root.
# A folder split into sub-folders names them as ROOMS; their sources join the same library.
function(qav_add_library name)
  cmake_parse_arguments(ARG "" "DIR" "ROOMS;DEPS;PUBLIC_LIBS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(patterns ${ARG_DIR}/*.cpp ${ARG_DIR}/*.c)
  foreach(room ${ARG_ROOMS})
    list(APPEND patterns ${ARG_DIR}/${room}/*.cpp)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${patterns})
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_PUBLIC_LIBS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_PUBLIC_LIBS})
  endif()
endfunction()

# qav_add_test_suite(<folder under tests/> DEPS <targets>...)
#
# One GoogleTest executable per test folder, every *_test.cpp in it; CTest sees each test case,
# labelled with the folder (ctest -L audio runs one folder's tests).
function(qav_add_test_suite folder)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT sources)
    return()
  endif()
  set(target test_${folder})
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS} qav_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${target} PRIVATE
    QAV_TEST_FIXTURES="${CMAKE_CURRENT_SOURCE_DIR}/fixtures"
    QAV_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    QAV_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300 LABELS ${folder})
endfunction()
