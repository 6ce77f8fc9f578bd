// Test components for form files.
#include "support/TestComponents.h"

#include <cstring>

using namespace vcl;

namespace tnxtest {

VCL_CLASS_INFO(TTestParams)

TTestParams::~TTestParams() = default;

void TTestParams::Assign(TPersistent* source) {
    if (auto* other = dynamic_cast<TTestParams*>(source)) {
        Names = other->Names;
        return;
    }
    inherited::Assign(source);
}

TPersistent* TTestParams::GetOwner() {
    return FOwner;
}

void TTestParams::DefineProperties(TFiler& filer) {
    bool hasData = !Names.empty();
    if (auto* ancestor = dynamic_cast<TTestParams*>(filer.GetAncestor())) hasData = Names != ancestor->Names;
    filer.DefineBinaryProperty(
        "Data", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, hasData);
}

void TTestParams::ReadData(TStream* stream) {
    Names.clear();
    std::int32_t count = 0;
    stream->ReadBuffer(&count, 4);
    for (std::int32_t i = 0; i < count; ++i) {
        std::uint8_t length = 0;
        stream->ReadBuffer(&length, 1);
        std::string name(length, '\0');
        stream->ReadBuffer(name.data(), length);
        Names.push_back(name);
    }
}

void TTestParams::WriteData(TStream* stream) {
    const auto count = static_cast<std::int32_t>(Names.size());
    stream->WriteBuffer(&count, 4);
    for (const auto& name : Names) {
        const auto length = static_cast<std::uint8_t>(name.size());
        stream->WriteBuffer(&length, 1);
        stream->WriteBuffer(name.data(), length);
    }
}

VCL_CLASS_INFO(TTestWidget, [](TPublisher<TTestWidget>& p) {
    p.Property("Count", &TTestWidget::Count).Default(3);
    p.Property("Big", &TTestWidget::Big).Default(0);
    p.Property("Enabled", &TTestWidget::Enabled).Default(true);
    p.Property("Flag", &TTestWidget::Flag);
    p.Property("Color", &TTestWidget::Color).Default(tcRed);
    p.Property("Options", &TTestWidget::Options).Default(TTestOptions{});
    p.Property("Ratio", &TTestWidget::Ratio);
    p.Property("Scale", &TTestWidget::Scale);
    p.Property("Price", &TTestWidget::Price);
    p.Property("When", &TTestWidget::When);
    p.Property("Caption", &TTestWidget::Caption);
    p.Property(
        "Buddy", [](TTestWidget* w) { return w->Buddy; }, &TTestWidget::SetBuddy);
    p.Property("Lines", &TTestWidget::GetLines);
    p.Property("Params", &TTestWidget::GetParams);
    p.Property("OnClick", &TTestWidget::OnClick);
    p.Property("OnChange", &TTestWidget::OnChange);
    p.Property("Secret", &TTestWidget::Secret).Stored(false);
})

TTestWidget::TTestWidget(TComponent* owner)
    : TComponent(owner), FLines(New<TStringList>()), FParams(New<TTestParams>(this)) {}

TTestWidget::~TTestWidget() = default;

void TTestWidget::SetBuddy(TComponent* buddy) {
    StatesSeenBySetter.push_back(GetComponentState());
    Buddy = buddy;
    if (buddy) buddy->FreeNotification(this);
}

void TTestWidget::Loaded() {
    inherited::Loaded();
    ++LoadedCalls;
}

void TTestWidget::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == Buddy) Buddy = nullptr;
}

VCL_CLASS_INFO(TTestSession, [](TPublisher<TTestSession>& p) {
    p.Property("Connected", &TTestSession::GetConnected, &TTestSession::SetConnected);
    p.Property("Database", &TTestSession::GetDatabase, &TTestSession::SetDatabase);
})

TTestSession::~TTestSession() = default;

void TTestSession::SetConnected(bool value) {
    if (GetComponentState().Contains(csReading)) {
        Journal.push_back(std::string("streamed ") + (value ? "true" : "false"));
        FStreamedConnected = value;
        return;
    }
    if (value && FailConnect) throw EDatabaseError("cannot connect to " + FDatabase);
    Journal.push_back(std::string(value ? "connect " : "disconnect ") + FDatabase);
    FConnected = value;
}

void TTestSession::SetDatabase(const AnsiString& value) {
    Journal.push_back("database " + value);
    FDatabase = value;
}

void TTestSession::Loaded() {
    inherited::Loaded();
    Journal.push_back("loaded");
    if (FStreamedConnected) SetConnected(true);
}

VCL_CLASS_INFO(TTestForm, [](TPublisher<TTestForm>& p) {
    p.Property("Title", &TTestForm::Title);
    p.Property(
        "Session", [](TTestForm* f) { return f->Session; }, &TTestForm::SetSession);
})

TTestForm::~TTestForm() = default;

void TTestForm::SetSession(TTestSession* s) {
    Session = s;
    if (s) s->FreeNotification(this);
}

void TTestForm::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == Session) Session = nullptr;
}

void RegisterTestComponents() {
    RegisterClasses({TTestWidget::StaticClass(), TTestSession::StaticClass(), TTestForm::StaticClass()});
}

} // namespace tnxtest
