# One execution character set for the whole program. The logic counts and
# sends GBK (code page 936) bytes; its sources are UTF-8, and GCC turns every
# narrow string literal into GBK at compile time, so "端口" is already the bytes
# the logic compares and sends. Every target, the Qt binding and the tests
# included, is compiled this way, so a literal in a shared header has the same
# bytes everywhere. Qt code writes Chinese only as UTF-16 literals (u"…",
# QStringLiteral), which this flag leaves alone, and meets the logic's GBK at
# one boundary (src/ui/qt/gbk_qstring.h).
# GB18030 encodes every GBK character exactly as GBK does; it is named instead of GBK
# because standard headers (<chrono>) hold literals that GBK cannot encode.
add_compile_options(-finput-charset=UTF-8 -fexec-charset=GB18030)

# The program's own code (src/) is kept free of shadowing and of implicit
# narrowing conversions; CI (CI=true) turns every warning there into an error.
# Tests and benchmarks keep -Wconversion off.
if(DEFINED ENV{CI} AND "$ENV{CI}" STREQUAL "true")
  set(VORTA_WERROR_DEFAULT ON)
else()
  set(VORTA_WERROR_DEFAULT OFF)
endif()
option(VORTA_WERROR "treat warnings in src/ as errors" ${VORTA_WERROR_DEFAULT})
set(VORTA_SOURCE_WARNINGS -Wshadow -Wconversion $<$<BOOL:${VORTA_WERROR}>:-Werror>)

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
# A GoogleTest executable; each test case becomes its own ctest entry.
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
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30
                       PROPERTIES ENVIRONMENT "${T_ENV}" TIMEOUT 300)
endfunction()
include(GoogleTest)
