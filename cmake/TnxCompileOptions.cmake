# Compiler settings shared by every target of the build.
add_compile_options(-Wall -Wextra)
if(TNX_WERROR)
    add_compile_options(-Werror)
    # g++ 12 at -O3 reports overlapping copies inside the standard library's string code that cannot
    # happen (false -Wrestrict hits in inlined std::string operations); they stay visible as warnings.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        add_compile_options(-Wno-error=restrict)
    endif()
endif()

if(TNX_BUILD_FUZZ)
    # Coverage for libFuzzer on everything compiled, the libraries under test included: the fuzzer
    # is guided by what the parsers do, not only by its harnesses. The fuzz programs link the
    # fuzzer's runtime (tests/CMakeLists.txt); build only them in such a folder (scripts/fuzz.sh).
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(TNX_SANITIZE)
    # The whole build, the dynamically loaded client library included, carries the sanitizers, so
    # that memory errors are caught on either side of the library boundary.
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    add_compile_definitions(TNX_SANITIZE=1)
endif()

# tnx_no_interposition(<target>)
#   Every symbol of a library is exported, but nothing is meant to replace one of them at load
#   time: calls inside the library may then go straight to (and be inlined from) its own
#   definitions instead of through the procedure linkage table. An object library whose objects
#   several libraries share needs this itself: the option of the library they end up in does not
#   reach their compilation.
function(tnx_no_interposition target)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${target} PRIVATE -fno-semantic-interposition)
    endif()
endfunction()

# tnx_library(<name> <sources...>)
#   A shared library of the project: the repository root is its public include root (headers are
#   included as "base/TnxBase.h", "platform/vcl/Variant.h", ...), and it is exported for install.
function(tnx_library name)
    add_library(${name} SHARED ${ARGN})
    add_library(Tarnix::${name} ALIAS ${name})
    target_include_directories(${name} PUBLIC
        $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/tarnix>)
    set_target_properties(${name} PROPERTIES
        VERSION ${PROJECT_VERSION} SOVERSION 5
        CXX_VISIBILITY_PRESET default)
    tnx_no_interposition(${name})
    set_property(GLOBAL APPEND PROPERTY TNX_EXPORTED_TARGETS ${name})
    file(RELATIVE_PATH rel "${PROJECT_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
    set_property(GLOBAL APPEND PROPERTY TNX_HEADER_DIRS "${rel}")
endfunction()
