# tnx_embed_version_info(<target>
#     PRODUCT_VERSION <text>                  e.g. 6.0.3.2345 (required; the ProductVersion string)
#     [FIXED_PRODUCT_VERSION <a.b.c.d>]       numbers of the fixed part (default: read from PRODUCT_VERSION)
#     [FILE_VERSION <text>]                   the FileVersion string (default: PRODUCT_VERSION)
#     [FIXED_FILE_VERSION <a.b.c.d>]          (default: read from FILE_VERSION)
#     [LANGUAGE <id>]                         default 0x0409
#     [CODEPAGE <number>]                     default 1252
#     [FILE_TYPE dll|app|static|unknown]      default: from the target's type
#     [STRINGS "Name=Value" ...]              more strings of the table (CompanyName, FileDescription, ...)
#     [NO_STRING_TABLE] [NO_TRANSLATION])     leave out StringFileInfo / VarFileInfo
#
# Gives the target a Windows-style version-information block (VS_VERSIONINFO), which
# win::GetFileVersionInfoA and VerQueryValueA read back from the built file. The block lives in an
# ELF section of its own (.tnx_verinfo), defined by a generated C source added to the target, so
# it works for C and C++ libraries and programs alike. Call it in the folder that defines the target,
# once per target. Example:
#   tnx_embed_version_info(dblib6 PRODUCT_VERSION 6.0.3.2345 FIXED_PRODUCT_VERSION 0.0.0.0
#       STRINGS "CompanyName=Tarnix" "FileDescription=Embedded-SQL client library")
function(tnx_embed_version_info target)
    cmake_parse_arguments(V "NO_STRING_TABLE;NO_TRANSLATION"
        "PRODUCT_VERSION;FIXED_PRODUCT_VERSION;FILE_VERSION;FIXED_FILE_VERSION;LANGUAGE;CODEPAGE;FILE_TYPE"
        "STRINGS" ${ARGN})
    if(NOT TARGET ${target})
        message(FATAL_ERROR "tnx_embed_version_info: ${target} is not a target")
    endif()
    if(V_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "tnx_embed_version_info(${target}): unknown arguments ${V_UNPARSED_ARGUMENTS}")
    endif()
    if("${V_PRODUCT_VERSION}" STREQUAL "")
        message(FATAL_ERROR "tnx_embed_version_info(${target}): PRODUCT_VERSION is required")
    endif()
    if(NOT TARGET tnx_verinfo_gen)
        message(FATAL_ERROR "tnx_embed_version_info: the generator tnx_verinfo_gen (platform/win) is not defined")
    endif()
    get_target_property(done ${target} TNX_VERSION_INFO)
    if(done)
        message(FATAL_ERROR "tnx_embed_version_info(${target}): the target already has version information")
    endif()
    set_target_properties(${target} PROPERTIES TNX_VERSION_INFO ON)

    if(NOT V_FILE_TYPE)
        get_target_property(type ${target} TYPE)
        if(type STREQUAL "EXECUTABLE")
            set(V_FILE_TYPE app)
        elseif(type STREQUAL "STATIC_LIBRARY")
            set(V_FILE_TYPE static)
        elseif(type MATCHES "^(SHARED|MODULE)_LIBRARY$")
            set(V_FILE_TYPE dll)
        else()
            set(V_FILE_TYPE unknown)
        endif()
    endif()

    # The description the generator reads, one key=value per line. A value cannot hold a line
    # break; refuse one rather than cut it.
    set(lines "target=${target}" "product_version=${V_PRODUCT_VERSION}" "file_type=${V_FILE_TYPE}")
    foreach(key FIXED_PRODUCT_VERSION FILE_VERSION FIXED_FILE_VERSION LANGUAGE CODEPAGE)
        if(NOT "${V_${key}}" STREQUAL "")
            string(TOLOWER "${key}" lower)
            list(APPEND lines "${lower}=${V_${key}}")
        endif()
    endforeach()
    foreach(s IN LISTS V_STRINGS)
        list(APPEND lines "string=${s}")
    endforeach()
    if(V_NO_STRING_TABLE)
        list(APPEND lines "no_string_table")
    endif()
    if(V_NO_TRANSLATION)
        list(APPEND lines "no_translation")
    endif()
    set(content "")
    foreach(line IN LISTS lines)
        if(line MATCHES "[\r\n]")
            message(FATAL_ERROR "tnx_embed_version_info(${target}): values cannot contain line breaks")
        endif()
        string(APPEND content "${line}\n")
    endforeach()

    set(description "${CMAKE_CURRENT_BINARY_DIR}/${target}_verinfo.txt")
    set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_verinfo.c")
    # Rewritten only when it changes, so that an unchanged description rebuilds nothing.
    set(old "")
    if(EXISTS "${description}")
        file(READ "${description}" old)
    endif()
    if(NOT old STREQUAL content)
        file(WRITE "${description}" "${content}")
    endif()

    add_custom_command(OUTPUT "${source}"
        COMMAND tnx_verinfo_gen "${description}" "${source}"
        DEPENDS "${description}" tnx_verinfo_gen
        COMMENT "Version information for ${target}"
        VERBATIM)
    set_source_files_properties("${source}" PROPERTIES LANGUAGE C GENERATED ON)
    target_sources(${target} PRIVATE "${source}")
endfunction()
