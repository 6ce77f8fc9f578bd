// Fuzz target for the binary form reader and the binary-to-text converter. Any input must either
// read (and then write back and read again to the same text) or fail with the framework's filer
// error; never crash, leak, or raise anything else. Inputs that are text forms are converted
// first, so the text seeds exercise the reader too.
#include "platform/vcl/Classes.h"
#include "support/TestComponents.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_vcl_form_binary: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tnxtest::RegisterTestComponents();
    std::string input(reinterpret_cast<const char*>(data), size);
    try {
        auto probe = vcl::New<vcl::TStringStream>(input);
        if (vcl::TestStreamFormat(probe.get()) == vcl::sofText) {
            auto binary = vcl::New<vcl::TMemoryStream>();
            vcl::ObjectTextToBinary(probe.get(), binary.get());
            input.assign(static_cast<const char*>(binary->Memory()),
                         static_cast<std::size_t>(binary->GetSize()));
        }
    } catch (const vcl::EFilerError&) {
        return 0;
    }

    // The syntactic converter.
    try {
        auto in = vcl::New<vcl::TStringStream>(input);
        auto out = vcl::New<vcl::TStringStream>();
        vcl::ObjectBinaryToText(in.get(), out.get());
    } catch (const vcl::EFilerError&) {
    }

    // The reader, with an error handler that skips what it can, and without.
    for (int lenient = 0; lenient < 2; ++lenient) {
        vcl::TOwned<vcl::TComponent> root;
        try {
            auto in = vcl::New<vcl::TStringStream>(input);
            auto reader = vcl::New<vcl::TReader>(in.get());
            if (lenient) reader->OnError = [](vcl::TReader&, const vcl::Exception&) { return true; };
            reader->OnFindMethod = [](vcl::TReader&,
                                      const vcl::AnsiString& name) -> std::shared_ptr<const vcl::THandler> {
                return std::make_shared<const vcl::TTypedHandler<void(vcl::TObject*)>>(name,
                                                                                       [](vcl::TObject*) {});
            };
            root = reader->ReadRootComponent();
        } catch (const vcl::EFilerError&) {
            continue;
        } catch (const vcl::EDatabaseError&) {
            continue; // a test session told to fail its connect
        }
        Check(root != nullptr, "no root");
        Check(!root->GetComponentState().Contains(vcl::csLoading), "root still loading");
        // What was read writes out and reads back to the same text. The first copy goes before the
        // second is read: a form or data module alive under the same name would make the reader
        // give the second another name, as it does for a second instance.
        const vcl::AnsiString first = vcl::WriteComponentText(root.get());
        root.reset();
        vcl::TOwned<vcl::TComponent> again;
        try {
            again = vcl::ReadComponentData(first);
        } catch (const vcl::Exception& e) {
            // Handlers bound by the fuzz hook above are unknown to the plain reader.
            if (std::string(e.Message()).find("Handler") == std::string::npos) {
                std::fprintf(stderr, "%s\n%s\n", e.Message().c_str(), first.c_str());
                Check(false, "written form does not read back");
            }
            continue;
        }
        Check(vcl::WriteComponentText(again.get()) == first, "round trip changed the form");
    }
    vcl::GlobalFixupReferences();
    return 0;
}
