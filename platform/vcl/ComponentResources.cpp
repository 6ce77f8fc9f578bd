// Form resources and the reading of a component's inherited forms.
#include "platform/vcl/ComponentResources.h"

#include "platform/vcl/Component.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/MemoryStream.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <map>
#include <mutex>
#include <vector>

namespace vcl {

namespace {

struct TResources {
    std::mutex Lock;
    std::map<AnsiString, std::string> Data; // by upper-cased name
};

TResources& Resources() {
    static TResources* const resources = new TResources; // lives until the process ends
    return *resources;
}

} // namespace

void RegisterComponentResource(std::string_view resName, std::string data) {
    std::lock_guard lock(Resources().Lock);
    Resources().Data[UpperCase(resName)] = std::move(data);
}

void UnRegisterComponentResource(std::string_view resName) {
    std::lock_guard lock(Resources().Lock);
    Resources().Data.erase(UpperCase(resName));
}

bool FindComponentResource(std::string_view resName, std::string& data) {
    std::lock_guard lock(Resources().Lock);
    auto it = Resources().Data.find(UpperCase(resName));
    if (it == Resources().Data.end()) return false;
    data = it->second;
    return true;
}

bool InitInheritedComponent(TComponent* instance, TClass rootAncestor) {
    std::vector<TClass> chain;
    for (TClass cls = instance->ClassType(); cls != nullptr && cls != rootAncestor; cls = cls->Parent)
        chain.push_back(cls);
    std::vector<TComponent*> loaded;
    bool found = false;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        std::string data;
        if (!FindComponentResource((*it)->Name, data)) continue;
        found = true;
        auto input = New<TStringStream>(data);
        TOwned<TStream> binary;
        TStream* source = input.get();
        switch (TestStreamFormat(input.get())) {
        case sofText: {
            auto converted = New<TMemoryStream>();
            ObjectTextToBinary(input.get(), converted.get());
            converted->SetPosition(0);
            binary.reset(converted.release());
            source = binary.get();
            break;
        }
        case sofResource:
            input->ReadResHeader();
            break;
        default:
            break;
        }
        auto reader = New<TReader>(source);
        reader->SetLoadedList(&loaded);
        reader->ReadRootComponent(instance);
    }
    if (found) {
        TReader::NotifyLoaded(loaded);
        GlobalFixupReferences();
    }
    return found;
}

} // namespace vcl
