// The class registry: classes known by name, so that form files can name the components to
// create. Names are compared ignoring ASCII letter case. Safe to use from several threads.
#pragma once

#include "platform/vcl/Object.h"

#include <initializer_list>
#include <string_view>

namespace vcl {

// Registers a class (registering it again does nothing). A different class of the same name
// raises EFilerError "A class named X already exists".
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
// Forgets a class (nothing when it is not registered).
void UnRegisterClass(TClass cls);
// The registered class of that name, or null.
TClass GetClass(std::string_view className);
// The registered class of that name; raises EClassNotFound "Class X not found".
TClass FindClass(std::string_view className);

// Registers T::StaticClass() for the life of the object (handy in tests and plug-ins).
class TClassRegistration {
public:
    explicit TClassRegistration(TClass cls);
    ~TClassRegistration();
    TClassRegistration(const TClassRegistration&) = delete;
    TClassRegistration& operator=(const TClassRegistration&) = delete;

private:
    TClass FClass;
    bool FAdded;
};

} // namespace vcl
