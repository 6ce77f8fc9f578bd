// Forms, the screen and the application, without any drawing: what the components need of them.
//
//   TCustomForm / TForm  a root component that registers with Screen while it exists, reads its
//                        form resource when created (ComponentResources.h), and can be "shown
//                        modally" through an installable handler (headless by default).
//   TScreen              the global Screen: the forms and data modules that exist, in creation
//                        order; it also lets form files refer to components of other forms and
//                        data modules by "Form2.Comp" (FindGlobalComponent).
//   TApplication         the global Application: owner of the forms made with CreateForm, and
//                        the place exceptions nobody handled go (HandleException).
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Events.h"

#include <functional>
#include <vector>

namespace vcl {

class TDataModule;

// Modal results.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;

class TCustomForm : public TComponent {
    VCL_CLASS(TCustomForm, TComponent)
public:
    explicit TCustomForm(TComponent* owner);

    const AnsiString& GetCaption() const { return FCaption; }
    void SetCaption(const AnsiString& value) { FCaption = value; }
    TModalResult GetModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    bool GetVisible() const { return FVisible; }

    // Fires OnShow, then asks the modal handler (see SetShowModalHandler) and returns its result;
    // without a handler the result is the ModalResult set so far (by OnShow, say), or mrCancel.
    // Fires OnClose afterwards.
    virtual TModalResult ShowModal();
    void Show();
    void Close();

    const TNotifyEvent& GetOnCreate() const { return FOnCreate; }
    void SetOnCreate(TNotifyEvent e) { FOnCreate = std::move(e); }
    const TNotifyEvent& GetOnDestroy() const { return FOnDestroy; }
    void SetOnDestroy(TNotifyEvent e) { FOnDestroy = std::move(e); }
    const TNotifyEvent& GetOnShow() const { return FOnShow; }
    void SetOnShow(TNotifyEvent e) { FOnShow = std::move(e); }
    const TNotifyEvent& GetOnClose() const { return FOnClose; }
    void SetOnClose(TNotifyEvent e) { FOnClose = std::move(e); }

    // Reads the form resources of the class (when it is a descendant of TForm with resources
    // registered), then fires OnCreate.
    void AfterConstruction() override;

protected:
    ~TCustomForm() override;
    // Fires OnDestroy, leaves the screen, then the component's destruction.
    void Destroy() override;

private:
    AnsiString FCaption;
    TModalResult FModalResult = mrNone;
    bool FVisible = false;
    TNotifyEvent FOnCreate, FOnDestroy, FOnShow, FOnClose;
};

class TForm : public TCustomForm {
    VCL_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}

protected:
    ~TForm() override;
};

// The modal-dialog implementation: returns the modal result for the form. An empty handler
// restores the headless default. Returns the previous handler.
using TShowModalHandler = std::function<TModalResult(TCustomForm* form)>;
TShowModalHandler SetShowModalHandler(TShowModalHandler handler);

class TScreen : public TComponent {
    VCL_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent* owner);

    int GetFormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* GetForm(int index) const;
    int GetDataModuleCount() const { return static_cast<int>(FDataModules.size()); }
    TDataModule* GetDataModule(int index) const;
    // The form or data module of that name (letter case ignored), or null.
    TComponent* FindRoot(std::string_view name) const;

protected:
    ~TScreen() override;
    void Destroy() override;

private:
    friend class TCustomForm;
    friend class TDataModule;
    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void AddDataModule(TDataModule* module);
    void RemoveDataModule(TDataModule* module);

    std::vector<TCustomForm*> FForms;       // not owned; each removes itself when freed
    std::vector<TDataModule*> FDataModules; // likewise
    int FLookupId = 0;                      // FindGlobalComponent registration
};

// Called with the exception an application did not handle.
using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;

class TApplication : public TComponent {
    VCL_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent* owner);

    const AnsiString& GetTitle() const { return FTitle; }
    void SetTitle(const AnsiString& value) { FTitle = value; }
    // The first form made with CreateForm.
    TCustomForm* GetMainForm() const { return FMainForm; }

    // Creates a form (or data module) owned by the application.
    template <class T>
    T* CreateForm() {
        T* form = Make<T>(this);
        if constexpr (std::is_base_of_v<TCustomForm, T>) {
            if (FMainForm == nullptr) FMainForm = form;
        }
        return form;
    }

    // Call inside a catch block: the exception being handled goes to OnException when assigned,
    // else to ShowException. EAbort is silent; exceptions that are not the framework's are
    // handed on as an Exception with their what() text. Outside a catch block it does nothing.
    virtual void HandleException(TObject* sender);
    // Writes the message to standard error (a period is added when it ends in none), one line.
    virtual void ShowException(const Exception& e);

    const TExceptionEvent& GetOnException() const { return FOnException; }
    void SetOnException(TExceptionEvent e) { FOnException = std::move(e); }

protected:
    ~TApplication() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    AnsiString FTitle;
    TCustomForm* FMainForm = nullptr;
    TExceptionEvent FOnException;
};

// The global screen and application, created when the framework's library is loaded and freed,
// with what the application still owns, when the process ends.
extern TScreen* Screen;
extern TApplication* Application;

} // namespace vcl
