# Shared build settings: warnings, sanitizers and the one-library-per-module helpers.

add_library(corvidane_warnings INTERFACE)
target_compile_options(corvidane_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)

add_library(corvidane_sanitizers INTERFACE)
if(CORVIDANE_SANITIZE)
  # float-cast-overflow is not part of "undefined": a NaN or huge double made
  # an int is undefined behaviour all the same.
  target_compile_options(corvidane_sanitizers INTERFACE
    -fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
  target_link_options(corvidane_sanitizers INTERFACE
    -fsanitize=address,undefined,float-cast-overflow)
endif()
if(CORVIDANE_TSAN)
  target_compile_options(corvidane_sanitizers INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(corvidane_sanitizers INTERFACE -fsanitize=thread)
endif()

# Modules built so far, lowest first (the program and the benchmarks link them).
set_property(GLOBAL PROPERTY CORVIDANE_MODULES "")

# corvidane_module_headers(<target> <dir>)
# Gives the module an include folder of its own in the build tree, holding links
# to just its headers under their usual path ("model/Selector.h"), so that only
# modules linking it can include them: a sideways include fails to compile, as a
# sideways call fails to link. Headers added later are linked at the next
# configure, which the CONFIGURE_DEPENDS glob triggers.
function(corvidane_module_headers target dir)
  file(RELATIVE_PATH prefix ${PROJECT_SOURCE_DIR}/src ${dir})
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${prefix})
  file(GLOB headers CONFIGURE_DEPENDS ${dir}/*.h)
  foreach(header ${headers})
    get_filename_component(file ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${prefix}/${file} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${root})
endfunction()

# corvidane_module(<name> [DIR <subdir>] [PUBLIC_DEPS ...] [PRIVATE_DEPS ...])
# Builds the sources of the current folder (or of DIR) into the static library
# corvidane_<name>, also known as Corvidane::<Name>. It links only what its
# dependency lists name: a module that reaches sideways or upward does not link.
# Sources are globbed so a module's files can be added without touching CMake.
function(corvidane_module name)
  cmake_parse_arguments(ARG "" "DIR" "PUBLIC_DEPS;PRIVATE_DEPS" ${ARGN})
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARG_DIR)
    set(dir ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  add_library(corvidane_${name} STATIC ${sources})
  string(SUBSTRING ${name} 0 1 _first)
  string(SUBSTRING ${name} 1 -1 _rest)
  string(TOUPPER ${_first} _first)
  add_library(Corvidane::${_first}${_rest} ALIAS corvidane_${name})
  corvidane_module_headers(corvidane_${name} ${dir})
  target_link_libraries(corvidane_${name}
    PUBLIC ${ARG_PUBLIC_DEPS} corvidane_sanitizers
    PRIVATE ${ARG_PRIVATE_DEPS} corvidane_warnings)
  set_target_properties(corvidane_${name} PROPERTIES AUTOMOC ON)
  set_property(GLOBAL APPEND PROPERTY CORVIDANE_MODULES corvidane_${name})
endfunction()

# corvidane_test_main(<target> <Core|Gui|Widgets>)
# Gives a test program the shared main that creates a Qt application object of
# that kind first.
function(corvidane_test_main target kind)
  string(TOUPPER ${kind} kind)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/qt_test_main.cpp)
  target_compile_definitions(${target} PRIVATE CORVIDANE_TEST_APP_${kind}=1)
endfunction()

# corvidane_tests(<module> [QT_APP Core|Gui|Widgets] [DEPS ...])
# Builds tests/<module>/*.cpp into one GoogleTest executable <module>_tests,
# linked to the module's library; ctest -L <module> runs it alone. QT_APP gives
# it a main with a Qt application object of that kind.
function(corvidane_tests module)
  cmake_parse_arguments(ARG "" "QT_APP" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  if(NOT sources OR NOT TARGET corvidane_${module})
    return()
  endif()
  add_executable(${module}_tests ${sources})
  target_include_directories(${module}_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${module}_tests PRIVATE corvidane_${module} ${ARG_DEPS}
    GTest::gtest GTest::gmock corvidane_warnings corvidane_sanitizers)
  if(ARG_QT_APP)
    corvidane_test_main(${module}_tests ${ARG_QT_APP})
  else()
    target_link_libraries(${module}_tests PRIVATE GTest::gtest_main)
  endif()
  set_target_properties(${module}_tests PROPERTIES AUTOMOC ON)
  target_compile_definitions(${module}_tests PRIVATE
    CORVIDANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  include(GoogleTest)
  gtest_discover_tests(${module}_tests
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${module})
endfunction()
