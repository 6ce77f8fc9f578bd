// TPersistent: objects that can be assigned to one another and stored in form files.
//
// Assign(Source) copies Source into this object. A class supports a source either in its Assign
// override (it knows the source's class) or in the source's AssignTo override (the source knows
// the destination's class). When neither does, the framework raises EConvertError "Cannot
// assign a <source class> to a <destination class>" ("nil" for a null source), and the
// destination is unchanged.
//
// DefineProperties lets an object store data that is not a published property (a binary blob, a
// list) through TFiler::DefineProperty / DefineBinaryProperty; the form reader and writer call it
// after the published properties.
#pragma once

#include "platform/vcl/Object.h"

namespace vcl {

class TFiler;

class TPersistent : public TObject {
    VCL_CLASS(TPersistent, TObject)
public:
    TPersistent() = default;

    virtual void Assign(TPersistent* source);
    // The object's path for the designer and messages: the class name, after the owner's path
    // when the owner has one ("Form1.Query1.TStringList"); components override it with their name.
    virtual AnsiString GetNamePath();

protected:
    ~TPersistent() override;
    virtual void AssignTo(TPersistent* dest);
    virtual void DefineProperties(TFiler& filer);
    // The object this one belongs to (for GetNamePath); null here.
    virtual TPersistent* GetOwner();
    // Raises the cannot-assign error for this object as the destination.
    [[noreturn]] void AssignError(TPersistent* source);

    friend class TReader;
    friend class TWriter;
    friend class TPersistentAccess;
};

} // namespace vcl
