// Assigning a dataset field to a parameter. The field classes belong to the dataset framework;
// AsaParamField.cpp is built (and TNX_HAVE_DB_FIELDS set) only where the framework provides
// them, so the rest of the unit does not depend on them.
#pragma once

namespace vcl {
class TPersistent;
}

namespace tnx {

class TAsaParam;

// When source is a dataset field, assigns it to the parameter (TAsaParam::AssignField) and
// returns true; otherwise returns false and changes nothing.
bool AssignParamFromField(TAsaParam& param, vcl::TPersistent* source);

} // namespace tnx
