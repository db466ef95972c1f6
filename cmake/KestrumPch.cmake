# Precompiled headers, one shared set built once per kind of target and reused by every target of
# that kind: parsing Qt's headers is most of what compiling a file here costs.
#
# A host compiles each set with the flags of the targets that reuse it (the same Qt modules, so
# the same definitions); GCC silently parses the headers as text where a set does not fit.
option(KESTRUM_PCH "Use precompiled headers" ON)

function(kestrum_pch_host name header)
    cmake_parse_arguments(H "EXECUTABLE" "" "LIBS" ${ARGN})
    if(H_EXECUTABLE)
        add_executable(${name} EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/cmake/pch/host.cpp)
    else()
        add_library(${name} STATIC EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/cmake/pch/host.cpp)
    endif()
    target_link_libraries(${name} PRIVATE ${H_LIBS})
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    target_precompile_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/pch/${header})
    if(header MATCHES "^test_")
        kestrum_test_paths_unset(${name})
    endif()
endfunction()

# Qt Test defines each test's own build and source folder, which no shared header set can match;
# tests name their data folders by a definition of their own instead.
function(kestrum_test_paths_unset target)
    target_compile_options(${target} PRIVATE -UQT_TESTCASE_BUILDDIR -UQT_TESTCASE_SOURCEDIR)
endfunction()

if(KESTRUM_PCH)
    kestrum_pch_host(kestrum_pch_core core.h LIBS Qt6::Core)
    kestrum_pch_host(kestrum_pch_widgets widgets.h LIBS Qt6::Widgets)
    kestrum_pch_host(kestrum_pch_test_core test_core.h EXECUTABLE LIBS Qt6::Test Qt6::Gui Qt6::Network)
    kestrum_pch_host(kestrum_pch_test_widgets test_widgets.h EXECUTABLE LIBS Qt6::Test Qt6::Widgets Qt6::Network)
endif()

# kind: core (no widgets), widgets, test_core or test_widgets.
function(kestrum_pch target kind)
    if(KESTRUM_PCH)
        target_precompile_headers(${target} REUSE_FROM kestrum_pch_${kind})
        if(kind MATCHES "^test_")
            kestrum_test_paths_unset(${target})
        endif()
    endif()
endfunction()
