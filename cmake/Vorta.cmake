# The logic counts and sends GBK (code page 936) bytes; its sources are UTF-8.
# A narrow literal with Chinese text is written "端口"_gbk and converted to GBK
# while compiling (src/codec/gbk_literal.h), so every compiler, and every tool
# that reads the code, sees the bytes the logic compares and sends;
# tools/gbk_literals.py checks that no such literal lacks the suffix. Qt code
# writes Chinese only as UTF-16 literals (u"…", QStringLiteral) and meets the
# logic's GBK at one boundary (src/ui/qt/gbk_qstring.h).
add_compile_options(-finput-charset=UTF-8)

# The GBK code table behind "…"_gbk literals (src/codec/gbk_literal.h), made
# from iconv's GBK while configuring, so it exists before anything compiles.
set(VORTA_GENERATED ${CMAKE_BINARY_DIR}/generated)
set(vorta_gbk_table ${VORTA_GENERATED}/codec/gbk_table.h)
set(vorta_gbk_table_gen ${PROJECT_SOURCE_DIR}/tools/gbk_table_gen.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vorta_gbk_table_gen})
if(NOT EXISTS ${vorta_gbk_table} OR ${vorta_gbk_table_gen} IS_NEWER_THAN ${vorta_gbk_table})
  file(MAKE_DIRECTORY ${VORTA_GENERATED}/codec)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -std=c++20 -O1 -o ${CMAKE_BINARY_DIR}/gbk_table_gen
                          ${vorta_gbk_table_gen} RESULT_VARIABLE built)
  if(built EQUAL 0)
    execute_process(COMMAND ${CMAKE_BINARY_DIR}/gbk_table_gen ${vorta_gbk_table} RESULT_VARIABLE made)
  endif()
  if(NOT built EQUAL 0 OR NOT made EQUAL 0)
    file(REMOVE ${vorta_gbk_table})
    message(FATAL_ERROR "could not make the GBK code table (${vorta_gbk_table})")
  endif()
endif()
include_directories(${VORTA_GENERATED})

# VORTA_SANITIZE=address,undefined or thread: every target, tests included, built
# with those sanitizers (scripts/sanitize.sh, make sanitize). UBSan stops at its
# first report instead of printing and going on.
set(VORTA_SANITIZE "" CACHE STRING "sanitizers for every target: address,undefined or thread")
if(VORTA_SANITIZE)
  add_compile_options(-fsanitize=${VORTA_SANITIZE} -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${VORTA_SANITIZE})
  if(VORTA_SANITIZE MATCHES "undefined")
    add_compile_options(-fno-sanitize-recover=undefined)
    add_link_options(-fno-sanitize-recover=undefined)
  endif()
endif()

# The program's own code (src/) is kept free of shadowing and of implicit
# narrowing conversions; CI (CI=true) turns every warning there into an error.
# Tests and benchmarks keep -Wconversion off.
if(DEFINED ENV{CI} AND "$ENV{CI}" STREQUAL "true")
  set(VORTA_WERROR_DEFAULT ON)
else()
  set(VORTA_WERROR_DEFAULT OFF)
endif()
option(VORTA_WERROR "treat warnings in src/ as errors" ${VORTA_WERROR_DEFAULT})
# clang's -Wconversion also takes in sign conversions, which GCC's leaves out
# for C++; both compilers hold the code to the same set.
set(VORTA_SOURCE_WARNINGS -Wshadow -Wconversion
    $<$<CXX_COMPILER_ID:Clang>:-Wno-sign-conversion> $<$<BOOL:${VORTA_WERROR}>:-Werror>)

# vorta_source_warnings(<target>): the stricter warnings of the program's own code.
function(vorta_source_warnings name)
  target_compile_options(${name} PRIVATE ${VORTA_SOURCE_WARNINGS})
endfunction()

# vorta_logic_library(<name> <sources...>): a static library of toolkit-free logic.
function(vorta_logic_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  vorta_source_warnings(${name})
endfunction()

# vorta_test(<name> SOURCES <...> LIBS <...> [QT | XVFB] [ENV <k=v...>])
# A GoogleTest executable; each test case becomes its own ctest entry, labelled
# with the executable's name (ctest -L serial_channel_test runs only its cases).
# Tests are compiled with GBK literals like the program.
function(vorta_test name)
  cmake_parse_arguments(T "QT;XVFB" "" "SOURCES;LIBS;ENV" ${ARGN})
  if(T_XVFB)
    # Qt tests on a private X server of their own (tests/support/qt_xvfb_test_main.cpp).
    set(T_QT ON)
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/qt_xvfb_test_main.cpp)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest Threads::Threads Qt6::Widgets)
  elseif(T_QT)
    # Qt tests own their QApplication for the whole run (tests/support/qt_test_main.cpp).
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/qt_test_main.cpp)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest Threads::Threads Qt6::Widgets)
  else()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  # Properties go as name/value pairs: an empty ENVIRONMENT would vanish from the
  # list and pair every later name with the wrong value (TIMEOUT with none).
  set(properties TIMEOUT 300 LABELS ${name})
  if(T_ENV)
    list(APPEND properties ENVIRONMENT "${T_ENV}")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30 PROPERTIES ${properties})
endfunction()
include(GoogleTest)
