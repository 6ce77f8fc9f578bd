// Components used by the form-file tests and fuzz targets: one of every kind of published
// property, a session-like component that applies a streamed Connected flag in Loaded, and a
// persistent sub-object with a binary property.
#pragma once

#include "platform/vcl/Classes.h"

#include <string>
#include <vector>

namespace tnxtest {

enum TTestColor { tcRed, tcGreen, tcBlue, tcBlack };
VCL_ENUM_NAMES(TTestColor, tcRed, tcGreen, tcBlue, tcBlack);

enum TTestOption { toFirst, toSecond, toThird };
VCL_ENUM_NAMES(TTestOption, toFirst, toSecond, toThird);
using TTestOptions = vcl::Set<TTestOption>;

// A persistent sub-object with a binary property "Data" (its bytes are a length-prefixed list of
// names), like a parameter list stored in a form.
class TTestParams : public vcl::TPersistent {
    VCL_CLASS(TTestParams, vcl::TPersistent)
public:
    explicit TTestParams(vcl::TComponent* owner) : FOwner(owner) {}
    std::vector<std::string> Names;

    void Assign(vcl::TPersistent* source) override;

protected:
    ~TTestParams() override;
    void DefineProperties(vcl::TFiler& filer) override;
    vcl::TPersistent* GetOwner() override;

private:
    void ReadData(vcl::TStream* stream);
    void WriteData(vcl::TStream* stream);
    vcl::TComponent* FOwner;
};

// Every kind of property, with and without declared defaults.
class TTestWidget : public vcl::TComponent {
    VCL_CLASS(TTestWidget, vcl::TComponent)
public:
    explicit TTestWidget(vcl::TComponent* owner);

    int Count = 3;            // default 3
    std::int64_t Big = 0;     // default 0
    bool Enabled = true;      // default true
    bool Flag = false;        // no default: always written
    TTestColor Color = tcRed; // default tcRed
    TTestOptions Options;     // default []
    double Ratio = 0;
    float Scale = 0;
    vcl::Currency Price;
    vcl::TDateTime When;
    vcl::AnsiString Caption;
    vcl::TComponent* Buddy = nullptr; // reference
    vcl::TNotifyEvent OnClick;
    vcl::TNotifyEvent OnChange;
    bool Secret = false; // never stored

    vcl::TStringList* GetLines() const { return FLines.get(); }
    TTestParams* GetParams() const { return FParams.get(); }
    void SetBuddy(vcl::TComponent* buddy);

    // Loaded calls, for the tests.
    int LoadedCalls = 0;
    std::vector<vcl::TComponentState> StatesSeenBySetter;

protected:
    ~TTestWidget() override;
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

private:
    vcl::TOwned<vcl::TStringList> FLines;
    vcl::TOwned<TTestParams> FParams;
};

// A component that behaves like a database session towards form files: Connected read from a
// form goes to StreamedConnected and is applied in Loaded; a journal records what happened.
class TTestSession : public vcl::TComponent {
    VCL_CLASS(TTestSession, vcl::TComponent)
public:
    explicit TTestSession(vcl::TComponent* owner) : TComponent(owner) {}

    bool GetConnected() const { return FConnected; }
    virtual void SetConnected(bool value);
    const vcl::AnsiString& GetDatabase() const { return FDatabase; }
    void SetDatabase(const vcl::AnsiString& value);
    bool GetStreamedConnected() const { return FStreamedConnected; }
    bool FailConnect = false;

    std::vector<std::string> Journal;

protected:
    ~TTestSession() override;
    void Loaded() override;

private:
    bool FConnected = false;
    bool FStreamedConnected = false;
    vcl::AnsiString FDatabase;
};

// A form-like root with a widget-typed reference, used as the top of test forms.
class TTestForm : public vcl::TComponent {
    VCL_CLASS(TTestForm, vcl::TComponent)
public:
    explicit TTestForm(vcl::TComponent* owner) : TComponent(owner) {}
    vcl::AnsiString Title;
    TTestSession* Session = nullptr;
    void SetSession(TTestSession* s);

protected:
    ~TTestForm() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
};

// Registers the classes above with the class registry (idempotent).
void RegisterTestComponents();

} // namespace tnxtest
