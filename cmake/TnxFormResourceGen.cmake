# Script mode, run by tnx_add_form_resources: writes OUTPUT, a C++ file that registers the bytes
# of INPUT as the form resource NAME when its library is loaded.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" length)
if(length EQUAL 0)
    message(FATAL_ERROR "form resource ${NAME}: ${INPUT} is empty")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){16})" "\\1\n    " bytes "${bytes}")
get_filename_component(source "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// Form resource ${NAME}, generated from ${source} by tnx_add_form_resources
// (cmake/TnxFormResources.cmake). Do not edit.
#include \"platform/vcl/ComponentResources.h\"

#include <string>

namespace {

const unsigned char formData[] = {
    ${bytes}
};

struct TFormResourceRegistration {
    TFormResourceRegistration() {
        vcl::RegisterComponentResource(\"${NAME}\", std::string(reinterpret_cast<const char*>(formData), sizeof formData));
    }
};

const TFormResourceRegistration registration;

} // namespace
")
