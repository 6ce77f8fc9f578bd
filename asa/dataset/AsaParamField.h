// Assigning a dataset field to a parameter. The field classes belong to the dataset framework;
// this file keeps the parameter's own sources free of them.
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
