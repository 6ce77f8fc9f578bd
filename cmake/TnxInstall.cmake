# Installation: libraries, public headers (under include/tarnix, keeping their folders), a CMake
# package configuration (find_package(Tarnix) with Tarnix:: imported targets) and a pkg-config file.
include(CMakePackageConfigHelpers)

get_property(tnx_targets GLOBAL PROPERTY TNX_EXPORTED_TARGETS)
get_property(tnx_header_dirs GLOBAL PROPERTY TNX_HEADER_DIRS)
# The generations of a package add the same folders.
list(REMOVE_DUPLICATES tnx_header_dirs)

if(tnx_targets)
    install(TARGETS ${tnx_targets} EXPORT TarnixTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    foreach(dir IN LISTS tnx_header_dirs)
        install(DIRECTORY "${PROJECT_SOURCE_DIR}/${dir}/"
            DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/tarnix/${dir}"
            FILES_MATCHING PATTERN "*.h"
            # The product's design-time units are the designer's business; the framework's
            # designer interfaces (platform/vcl/design) are installed for package authors.
            REGEX "/(base|asa)/design(/|$)" EXCLUDE
            # A unit's dataset folder is installed as a header folder of its own.
            REGEX "/${dir}/dataset$" EXCLUDE)
    endforeach()
    install(EXPORT TarnixTargets NAMESPACE Tarnix::
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tarnix)

    # The widget set's imported target names Qt's: the configuration finds Qt first.
    if("TnxQt" IN_LIST tnx_targets)
        set(TNX_CONFIG_NEEDS_QT TRUE)
    else()
        set(TNX_CONFIG_NEEDS_QT FALSE)
    endif()
    configure_package_config_file(cmake/TarnixConfig.cmake.in
        "${PROJECT_BINARY_DIR}/TarnixConfig.cmake"
        INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tarnix)
    write_basic_package_version_file("${PROJECT_BINARY_DIR}/TarnixConfigVersion.cmake"
        VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
    install(FILES "${PROJECT_BINARY_DIR}/TarnixConfig.cmake" "${PROJECT_BINARY_DIR}/TarnixConfigVersion.cmake"
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/Tarnix)

    # pkg-config: link order follows the layers, highest first.
    set(TNX_PC_LIBS "")
    foreach(lib TnxSa5 TnxPack5 TnxVclDesign TnxVclControls TnxVclDb TnxVcl TnxWin)
        if(lib IN_LIST tnx_targets)
            string(APPEND TNX_PC_LIBS " -l${lib}")
        endif()
    endforeach()
    # The prefix is found relative to the .pc file, so the installed tree can be moved.
    file(RELATIVE_PATH TNX_PC_UP "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
    configure_file(cmake/tarnix.pc.in "${PROJECT_BINARY_DIR}/tarnix.pc" @ONLY)
    install(FILES "${PROJECT_BINARY_DIR}/tarnix.pc" DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
