// A designer over one root that counts Modified calls; editors that create handlers are not used
// with it.
#pragma once

#include "platform/vcl/design/Designer.h"

namespace tnxtest {

class CountingDesigner : public vcl::IDesigner {
public:
    explicit CountingDesigner(vcl::TComponent* root) : FRoot(root) {}
    vcl::TComponent* GetRoot() override { return FRoot; }
    void Modified() override { ++ModifiedCount; }
    std::shared_ptr<const vcl::THandler> CreateMethod(const vcl::AnsiString&, const vcl::TPropInfo&) override {
        return nullptr;
    }
    int ModifiedCount = 0;

private:
    vcl::TComponent* FRoot;
};

} // namespace tnxtest
