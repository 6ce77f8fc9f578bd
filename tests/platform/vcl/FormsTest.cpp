// The application, the screen, forms and data modules.
#include "platform/vcl/Classes.h"
#include "platform/vcl/controls/Form.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

using namespace vcl;

namespace {

class TOrderForm : public TForm {
    VCL_CLASS(TOrderForm, TForm)
public:
    explicit TOrderForm(TComponent* owner) : TForm(owner) {}

protected:
    ~TOrderForm() override = default;
};

} // namespace

VCL_CLASS_INFO(TOrderForm)

TEST(Application, HandleExceptionWritesToStandardErrorByDefault) {
    testing::internal::CaptureStderr();
    try {
        throw EDatabaseError("Connection lost");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    try {
        throw EConvertError("Ends with a period.");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    try {
        throw std::runtime_error("not ours");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    try {
        Abort();
    } catch (...) {
        Application->HandleException(nullptr); // silent
    }
    Application->HandleException(nullptr); // outside a catch block: nothing
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Connection lost.\nEnds with a period.\nnot ours.\n");
}

TEST(Application, OnExceptionReceivesTheSenderAndTheException) {
    TObject* seenSender = nullptr;
    std::string seenMessage;
    Application->SetOnException([&](TObject* sender, const Exception& e) {
        seenSender = sender;
        seenMessage = e.Message();
    });
    auto form = New<TForm>();
    testing::internal::CaptureStderr();
    try {
        throw EReadError(SReadError);
    } catch (...) {
        Application->HandleException(form.get());
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    Application->SetOnException(nullptr);
    EXPECT_EQ(seenSender, form.get());
    EXPECT_EQ(seenMessage, "Stream read error");
}

TEST(Screen, ListsFormsAndDataModulesWhileTheyExist) {
    const int forms = Screen->GetFormCount();
    auto* form = Application->CreateForm<TOrderForm>();
    form->SetName("OrderForm");
    auto* module = Application->CreateForm<TDataModule>();
    module->SetName("Data");
    EXPECT_EQ(Screen->GetFormCount(), forms + 1);
    EXPECT_EQ(Screen->GetForm(forms), form);
    EXPECT_EQ(Screen->GetDataModule(Screen->GetDataModuleCount() - 1), module);
    EXPECT_EQ(Application->GetMainForm(), form);
    EXPECT_EQ(FindGlobalComponent("orderform"), form);
    EXPECT_EQ(FindGlobalComponent("DATA"), module);
    EXPECT_THROW(Screen->GetForm(-1), EListError);
    form->Free();
    module->Free();
    EXPECT_EQ(Screen->GetFormCount(), forms);
    EXPECT_EQ(Application->GetMainForm(), nullptr);
    EXPECT_EQ(FindGlobalComponent("OrderForm"), nullptr);
}

TEST(Forms, CreateDestroyAndModalEventsInOrder) {
    std::string log;
    RegisterComponentResource("TOrderForm", "object OrderForm: TOrderForm\n"
                                            "  Caption = 'Orders'\n"
                                            "  OnShow = FormShow\n"
                                            "end\n");
    // A resource naming a handler the form has not registered fails the creation cleanly.
    EXPECT_THROW(New<TOrderForm>(), EReadError);
    RegisterComponentResource("TOrderForm", "object OrderForm: TOrderForm\n  Caption = 'Orders'\nend\n");
    auto form = New<TOrderForm>();
    EXPECT_EQ(form->GetCaption(), "Orders");
    EXPECT_EQ(form->GetName(), "OrderForm");
    form->SetOnShow([&](TObject*) { log += "show;"; });
    form->SetOnClose([&](TObject*) { log += "close;"; });
    form->SetOnDestroy([&](TObject*) { log += "destroy;"; });
    EXPECT_EQ(form->ShowModal(), mrCancel); // headless: nobody pressed anything
    auto previous = SetShowModalHandler([&](TCustomForm* f) {
        log += "modal " + f->GetCaption() + ";";
        return mrOk;
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    SetShowModalHandler(previous);
    form.reset();
    EXPECT_EQ(log, "show;close;show;modal Orders;close;destroy;");
    UnRegisterComponentResource("TOrderForm");
}
