# Shared compile settings and helpers that turn the folder layout into targets.

# Options every target of the project gets: warnings as errors, sanitizers.
function(quib_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
                         -Wno-missing-field-initializers)
  if(QUIB_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=${QUIB_SANITIZE} -fno-omit-frame-pointer
                           -fno-sanitize-recover=all)
    target_link_options(${target} PRIVATE -fsanitize=${QUIB_SANITIZE})
  endif()
endfunction()

# A static library from every .cpp in a folder (non-recursive), and in the folders
# named after EXTRA_DIRS.
function(quib_layer name dir)
  cmake_parse_arguments(ARG "" "" "PUBLIC_LIBS;PRIVATE_LIBS;EXCLUDE;EXTRA_DIRS" ${ARGN})
  set(sources)
  foreach(folder IN ITEMS ${dir} ${ARG_EXTRA_DIRS})
    file(GLOB folder_sources CONFIGURE_DEPENDS ${folder}/*.cpp)
    list(APPEND sources ${folder_sources})
  endforeach()
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "/${ex}$")
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  quib_defaults(${name})
endfunction()

# One GoogleTest executable per test folder, each test case a CTest test.
function(quib_test_folder name dir)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    message(FATAL_ERROR "tests ${name}: no test sources in ${dir}")
  endif()
  foreach(lib IN LISTS ARG_LIBS)
    if(NOT TARGET ${lib})
      message(FATAL_ERROR "tests ${name}: the library ${lib} does not exist")
    endif()
  endforeach()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QUIB_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             QUIB_BINARY_DIR="${PROJECT_BINARY_DIR}")
  quib_defaults(${name})
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 600)
endfunction()
