// The screen and the application, without any drawing: what the components need of them.
//
//   TScreen              the global Screen: the forms and data modules that exist, in creation
//                        order, and the size of the display; it also lets form files refer to
//                        components of other forms and data modules by "Form2.Comp"
//                        (FindGlobalComponent).
//   TApplication         the global Application: owner of the forms made with CreateForm, and
//                        the place exceptions nobody handled go (HandleException).
//
// Forms themselves (TCustomForm, TForm) are windowed controls and live with the controls
// (platform/vcl/controls/Form.h); a form registers with Screen while it exists.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Events.h"

#include <functional>
#include <vector>

namespace vcl {

class TCustomForm;
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

class TScreen : public TComponent {
    VCL_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent* owner);

    int GetFormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* GetForm(int index) const;
    // The same form as a component (its place in the ownership tree).
    TComponent* GetFormComponent(int index) const;
    int GetDataModuleCount() const { return static_cast<int>(FDataModules.size()); }
    TDataModule* GetDataModule(int index) const;
    // The form or data module of that name (letter case ignored), or null.
    TComponent* FindRoot(std::string_view name) const;

    // The size of the display in pixels, where forms centred on the screen are placed. Headless
    // it is 1024 x 768; a widget set sets the real size.
    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    void SetSize(int width, int height);

protected:
    ~TScreen() override;
    void Destroy() override;

private:
    friend class TCustomForm;
    friend class TDataModule;
    // Forms register themselves while they exist; the form's class lives above this library, so
    // it hands over both views of itself.
    void AddForm(TCustomForm* form, TComponent* asComponent);
    void RemoveForm(TCustomForm* form);
    void AddDataModule(TDataModule* module);
    void RemoveDataModule(TDataModule* module);

    struct TFormEntry {
        TCustomForm* Form;
        TComponent* Component; // the same object
    };
    std::vector<TFormEntry> FForms;         // not owned; each removes itself when freed
    std::vector<TDataModule*> FDataModules; // likewise
    int FLookupId = 0;                      // FindGlobalComponent registration
    int FWidth = 1024;
    int FHeight = 768;
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
            if (FMainForm == nullptr) {
                FMainForm = form;
                FMainFormComponent = form;
            }
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
    TComponent* FMainFormComponent = nullptr; // the same object, as a component
    TExceptionEvent FOnException;
};

// The global screen and application, created when the framework's library is loaded and freed,
// with what the application still owns, when the process ends.
extern TScreen* Screen;
extern TApplication* Application;

} // namespace vcl
