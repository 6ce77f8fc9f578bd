// Driving modal dialogs headless: the test stands in for the user inside the modal handler.
#pragma once

#include "platform/vcl/controls/Form.h"

#include <functional>
#include <type_traits>
#include <utility>

namespace tnxtest {

// Installs a modal handler that runs user on the dialog and leaves the result to the dialog's own
// ModalResult (a button, a key, the close box); the previous handler comes back when it goes.
class ModalUser {
public:
    explicit ModalUser(std::function<void(vcl::TCustomForm*)> user)
        : FPrevious(vcl::SetShowModalHandler([user = std::move(user)](vcl::TCustomForm* form) {
              user(form);
              return vcl::mrNone;
          })) {}
    ~ModalUser() { vcl::SetShowModalHandler(FPrevious); }
    ModalUser(const ModalUser&) = delete;
    ModalUser& operator=(const ModalUser&) = delete;

private:
    vcl::TShowModalHandler FPrevious;
};

// Shows the form modally with the test acting as the user; returns the dialog's result.
template <class Form = vcl::TCustomForm>
vcl::TModalResult RunModal(vcl::TCustomForm* form, const std::type_identity_t<std::function<void(Form*)>>& user) {
    ModalUser scope([&](vcl::TCustomForm* f) { user(static_cast<Form*>(f)); });
    return form->ShowModal();
}

} // namespace tnxtest
