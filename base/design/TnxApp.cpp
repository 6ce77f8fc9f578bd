// TnxGetDatabaseNames and TnxFindDatabase.
#include "base/design/TnxApp.h"

#include "base/TnxRoutines.h"
#include "platform/vcl/DataModule.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"

namespace tnx {

using namespace vcl;

namespace {

void AddSessionsOf(TComponent* root, TStringList* names) {
    for (int i = 0; i < root->GetComponentCount(); ++i) {
        auto* session = dynamic_cast<TCorvexSession*>(root->GetComponent(i));
        if (session == nullptr || Trim(session->GetLoginDatabase()).empty()) continue;
        names->AddObject(TnxExtractFilePrefix(ExtractFileName(session->GetLoginDatabase())), session);
    }
}

} // namespace

void TnxGetDatabaseNames(TStrings* List) {
    auto names = New<TStringList>();
    names->SetSorted(true);
    names->SetDuplicates(dupIgnore);
    if (Screen != nullptr) {
        for (int i = 0; i < Screen->GetFormCount(); ++i)
            AddSessionsOf(Screen->GetFormComponent(i), names.get());
        for (int i = 0; i < Screen->GetDataModuleCount(); ++i)
            AddSessionsOf(Screen->GetDataModule(i), names.get());
    }
    List->Assign(names.get());
}

TCorvexSession* TnxFindDatabase(std::string_view Name) {
    auto names = New<TStringList>();
    TnxGetDatabaseNames(names.get());
    for (int i = 0; i < names->GetCount(); ++i)
        if (CompareText(names->Get(i), Name) == 0) return static_cast<TCorvexSession*>(names->GetObject(i));
    return nullptr;
}

} // namespace tnx
