// Form resources: form data (binary, text, or a form resource) registered under a name, the way a
// program carries the forms of its classes. A form or data module class whose name has a resource
// reads it when it is created (InitInheritedComponent), ancestors' resources first.
#pragma once

#include "platform/vcl/Object.h"

#include <string>
#include <string_view>

namespace vcl {

class TComponent;

// Registers (or replaces) the data under the name (letter case ignored); by convention the
// class name. Safe from several threads.
void RegisterComponentResource(std::string_view resName, std::string data);
void UnRegisterComponentResource(std::string_view resName);
bool FindComponentResource(std::string_view resName, std::string& data);

// Reads into instance the resources of its class and of each ancestor class below rootAncestor
// (the most basic one first, so that a descendant's "inherited" form finds the ancestor's
// components), then calls Loaded once on every component read. Returns whether any resource was
// found. Errors are the reader's.
bool InitInheritedComponent(TComponent* instance, TClass rootAncestor);

} // namespace vcl
