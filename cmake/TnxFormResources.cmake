# tnx_add_form_resources(<target> <NAME> <form file> [<NAME> <form file> ...])
#   Compiles form files (text or binary form data) into a library as form resources: each one is
#   registered under NAME (vcl::RegisterComponentResource) when the library is loaded, so a form
#   class of that name reads its layout from it when created. The file is rebuilt into the
#   library whenever it changes.
set(TNX_FORM_RESOURCE_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/TnxFormResourceGen.cmake")

function(tnx_add_form_resources target)
    set(pairs ${ARGN})
    list(LENGTH pairs count)
    math(EXPR odd "${count} % 2")
    if(count EQUAL 0 OR odd)
        message(FATAL_ERROR "tnx_add_form_resources(${target}): give NAME FILE pairs")
    endif()
    while(pairs)
        list(POP_FRONT pairs name file)
        get_filename_component(input "${file}" ABSOLUTE)
        set(output "${CMAKE_CURRENT_BINARY_DIR}/form_resources/${target}_${name}.cpp")
        add_custom_command(OUTPUT "${output}"
            COMMAND ${CMAKE_COMMAND} -DNAME=${name} -DINPUT=${input} -DOUTPUT=${output}
                    -P "${TNX_FORM_RESOURCE_SCRIPT}"
            DEPENDS "${input}" "${TNX_FORM_RESOURCE_SCRIPT}"
            COMMENT "Form resource ${name}"
            VERBATIM)
        target_sources(${target} PRIVATE "${output}")
    endwhile()
endfunction()
