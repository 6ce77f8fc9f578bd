// Fuzz target for forms of controls: any form text must either read into a form (as the designer
// reads it: handlers it does not know become placeholders) or fail with the framework's error,
// leaving the form empty. A form that reads must write back text that reads to the same text, and
// must stand a user's keys (Tab, Shift+Tab, arrows, Enter, Escape, accelerators) while shown.
#include "platform/vcl/Classes.h"
#include "platform/vcl/controls/Controls.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

vcl::TOwned<vcl::TForm> DesignedForm() {
    auto form = vcl::New<vcl::TForm>();
    form->SetDesigning(true);
    return form;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    auto form = DesignedForm();
    try {
        vcl::ReadComponentData(input, form.get());
    } catch (const vcl::Exception&) {
        if (form->GetComponentCount() != 0 || form->GetControlCount() != 0) {
            std::fprintf(stderr, "fuzz_vcl_controls_form: a failed read left components behind\n");
            std::abort();
        }
        return 0;
    }
    const vcl::AnsiString text = vcl::WriteComponentText(form.get());
    auto again = DesignedForm();
    vcl::ReadComponentData(text, again.get());
    if (vcl::WriteComponentText(again.get()) != text) {
        std::fprintf(stderr, "fuzz_vcl_controls_form: the written form reads back differently\n%s\n", text.c_str());
        std::abort();
    }
    form->Show();
    const vcl::TKey keys[] = {vcl::VK_TAB, vcl::VK_DOWN, vcl::VK_TAB, vcl::VK_UP, vcl::VK_END, vcl::VK_SPACE,
                              vcl::VK_RETURN, vcl::VK_ESCAPE, 'A', 'P', 'N'};
    for (vcl::TKey key : keys) {
        for (vcl::TShiftState shift : {vcl::TShiftState{}, vcl::TShiftState{vcl::ssShift}, vcl::TShiftState{vcl::ssAlt}}) {
            try {
                form->PressKey(key, shift);
            } catch (const vcl::Exception&) {
                // A control may refuse (a folder list opening a folder that went away).
            }
        }
    }
    form->Close();
    return 0;
}
