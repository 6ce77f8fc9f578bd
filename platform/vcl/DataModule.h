// TDataModule: a non-visual root component that holds other components (sessions, datasets). It
// registers with Screen while it exists, reads its form resource when created (a descendant class
// with a resource registered under its name), then fires OnCreate; OnDestroy fires when it is
// freed.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Events.h"

namespace vcl {

class TDataModule : public TComponent {
    VCL_CLASS(TDataModule, TComponent)
public:
    explicit TDataModule(TComponent* owner);

    const TNotifyEvent& GetOnCreate() const { return FOnCreate; }
    void SetOnCreate(TNotifyEvent e) { FOnCreate = std::move(e); }
    const TNotifyEvent& GetOnDestroy() const { return FOnDestroy; }
    void SetOnDestroy(TNotifyEvent e) { FOnDestroy = std::move(e); }

    void AfterConstruction() override;

protected:
    ~TDataModule() override;
    void Destroy() override;

private:
    TNotifyEvent FOnCreate, FOnDestroy;
};

} // namespace vcl
