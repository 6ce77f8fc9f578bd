// Data modules, the screen and the application.
#include "platform/vcl/Forms.h"

#include "platform/vcl/ClassRegistry.h"
#include "platform/vcl/ComponentResources.h"
#include "platform/vcl/DataModule.h"
#include "platform/vcl/Reader.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace vcl {

VCL_CLASS_INFO(TScreen)
VCL_CLASS_INFO(TApplication)
VCL_CLASS_INFO(TDataModule, [](TPublisher<TDataModule>& p) {
    p.Property("OnCreate", &TDataModule::GetOnCreate, &TDataModule::SetOnCreate);
    p.Property("OnDestroy", &TDataModule::GetOnDestroy, &TDataModule::SetOnDestroy);
})

TScreen* Screen = nullptr;
TApplication* Application = nullptr;

// --- TDataModule --------------------------------------------------------------------------------

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) {
    if (Screen != nullptr) Screen->AddDataModule(this);
}

TDataModule::~TDataModule() {
    if (Screen != nullptr) Screen->RemoveDataModule(this);
}

void TDataModule::AfterConstruction() {
    inherited::AfterConstruction();
    if (ClassType() != TDataModule::StaticClass() && !GetComponentState().Contains(csDesigning))
        InitInheritedComponent(this, TDataModule::StaticClass());
    if (FOnCreate) FOnCreate(this);
}

void TDataModule::Destroy() {
    if (FOnDestroy) {
        try {
            FOnDestroy(this);
        } catch (...) {
            if (Application != nullptr) Application->HandleException(this);
        }
    }
    if (Screen != nullptr) Screen->RemoveDataModule(this);
    inherited::Destroy();
}

// --- TScreen ------------------------------------------------------------------------------------

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
    FLookupId = RegisterFindGlobalComponentProc([this](std::string_view name) { return FindRoot(name); });
}

TScreen::~TScreen() = default;

void TScreen::Destroy() {
    UnRegisterFindGlobalComponentProc(FLookupId);
    inherited::Destroy();
}

TCustomForm* TScreen::GetForm(int index) const {
    if (index < 0 || index >= GetFormCount()) throw EListError(SListIndexError, {index});
    return FForms[static_cast<std::size_t>(index)].Form;
}

TComponent* TScreen::GetFormComponent(int index) const {
    if (index < 0 || index >= GetFormCount()) throw EListError(SListIndexError, {index});
    return FForms[static_cast<std::size_t>(index)].Component;
}

void TScreen::SetSize(int width, int height) {
    FWidth = width;
    FHeight = height;
}

TDataModule* TScreen::GetDataModule(int index) const {
    if (index < 0 || index >= GetDataModuleCount()) throw EListError(SListIndexError, {index});
    return FDataModules[static_cast<std::size_t>(index)];
}

TComponent* TScreen::FindRoot(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (const TFormEntry& f : FForms)
        if (SameText(f.Component->GetName(), name)) return f.Component;
    for (TDataModule* d : FDataModules)
        if (SameText(d->GetName(), name)) return d;
    return nullptr;
}

void TScreen::AddForm(TCustomForm* form, TComponent* asComponent) {
    FForms.push_back(TFormEntry{form, asComponent});
}
void TScreen::RemoveForm(TCustomForm* form) {
    FForms.erase(std::remove_if(FForms.begin(), FForms.end(), [form](const TFormEntry& f) { return f.Form == form; }),
                 FForms.end());
}
void TScreen::AddDataModule(TDataModule* module) {
    FDataModules.push_back(module);
}
void TScreen::RemoveDataModule(TDataModule* module) {
    FDataModules.erase(std::remove(FDataModules.begin(), FDataModules.end(), module), FDataModules.end());
}

// --- TApplication -------------------------------------------------------------------------------

TApplication::TApplication(TComponent* owner) : TComponent(owner) {}

TApplication::~TApplication() = default;

void TApplication::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == FMainFormComponent) {
        FMainForm = nullptr;
        FMainFormComponent = nullptr;
    }
}

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    auto deliver = [&](const Exception& e) {
        if (FOnException) {
            FOnException(sender, e);
        } else {
            ShowException(e);
        }
    };
    try {
        std::rethrow_exception(current);
    } catch (const EAbort&) {
        // Silent by design.
    } catch (const Exception& e) {
        deliver(e);
    } catch (const std::exception& e) {
        deliver(Exception(AnsiString(e.what())));
    } catch (...) {
        deliver(Exception("Unknown exception"));
    }
}

void TApplication::ShowException(const Exception& e) {
    AnsiString message = e.Message();
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
    std::fprintf(stderr, "%s\n", message.c_str());
    std::fflush(stderr);
}

// --- The global objects -------------------------------------------------------------------------

namespace {

struct TFormsUnit {
    TFormsUnit() {
        Screen = New<TScreen>().release();
        Application = New<TApplication>().release();
        RegisterClass(TDataModule::StaticClass());
    }
    ~TFormsUnit() {
        // What the application still owns (its forms and data modules) goes first, while the
        // screen they unregister from is still there.
        FreeAndNil(Application);
        FreeAndNil(Screen);
    }
};

TFormsUnit formsUnit;

} // namespace

} // namespace vcl
