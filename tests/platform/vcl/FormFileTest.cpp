// Form files: round trips in both renderings, what is (not) written, loading order and states,
// events bound by name, references, ancestors, resources, and malformed input.
#include "platform/vcl/Classes.h"
#include "platform/vcl/SysUtils.h"
#include "support/TestComponents.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

using namespace vcl;
using namespace tnxtest;

namespace {

class FormFiles : public ::testing::Test {
protected:
    void SetUp() override { RegisterTestComponents(); }
    void TearDown() override { GlobalFixupReferences(); }

    static std::string Binary(TComponent* root, TComponent* ancestor = nullptr) {
        auto s = New<TMemoryStream>();
        s->WriteDescendent(root, ancestor);
        return std::string(static_cast<const char*>(s->Memory()), static_cast<std::size_t>(s->GetSize()));
    }
};

// A form with a session and two widgets, one with every property set away from its default.
TOwned<TTestForm> MakeSampleForm() {
    auto form = New<TTestForm>();
    form->SetName("Form1");
    form->Title = "Orders";
    form->RegisterHandler<TNotifyEvent>("WidgetClick", [](TObject*) {});
    auto* session = Make<TTestSession>(form.get());
    session->SetName("Session1");
    session->SetDatabase("C:\\data\\sales.db");
    form->SetSession(session);
    auto* plain = Make<TTestWidget>(form.get());
    plain->SetName("Plain");
    auto* full = Make<TTestWidget>(form.get());
    full->SetName("Full");
    full->Count = -70000;
    full->Big = 5000000000LL;
    full->Enabled = false;
    full->Flag = true;
    full->Color = tcBlue;
    full->Options = {toFirst, toThird};
    full->Ratio = 0.1;
    full->Scale = 1.5f;
    full->Price = Currency::FromScaled(125000);
    full->When = TDateTime(45000.25);
    full->Caption = "It's \"here\"\r\nnext line";
    full->SetBuddy(plain);
    full->GetLines()->SetText("select *\nfrom orders\n");
    full->GetParams()->Names = {"id", "name"};
    full->OnClick = form->HandlerByName<TNotifyEvent>("WidgetClick");
    full->Secret = true;
    auto* inner = Make<TTestWidget>(full);
    inner->SetName("Inner");
    inner->Count = 9;
    return form;
}

const char* const SampleText = "object Form1: TTestForm\r\n"
                               "  Title = 'Orders'\r\n"
                               "  Session = Session1\r\n"
                               "  object Session1: TTestSession\r\n"
                               "    Connected = False\r\n"
                               "    Database = 'C:\\data\\sales.db'\r\n"
                               "  end\r\n"
                               "  object Plain: TTestWidget\r\n"
                               "    Flag = False\r\n"
                               "  end\r\n"
                               "  object Full: TTestWidget\r\n"
                               "    Count = -70000\r\n"
                               "    Big = 5000000000\r\n"
                               "    Enabled = False\r\n"
                               "    Flag = True\r\n"
                               "    Color = tcBlue\r\n"
                               "    Options = [toFirst, toThird]\r\n"
                               "    Ratio = 0.1\r\n"
                               "    Scale = 1.5s\r\n"
                               "    Price = 125000c\r\n"
                               "    When = 45000.25d\r\n"
                               "    Caption = 'It''s \"here\"'#13#10'next line'\r\n"
                               "    Buddy = Plain\r\n"
                               "    Lines.Strings = (\r\n"
                               "      'select *'\r\n"
                               "      'from orders')\r\n"
                               "    Params.Data = {\r\n"
                               "      02000000026964046E616D65}\r\n"
                               "    OnClick = WidgetClick\r\n"
                               "    object Inner: TTestWidget\r\n"
                               "      Count = 9\r\n"
                               "      Flag = False\r\n"
                               "    end\r\n"
                               "  end\r\n"
                               "end\r\n";

void ExpectSameWidget(const TTestWidget& a, const TTestWidget& b) {
    EXPECT_EQ(a.Count, b.Count);
    EXPECT_EQ(a.Big, b.Big);
    EXPECT_EQ(a.Enabled, b.Enabled);
    EXPECT_EQ(a.Flag, b.Flag);
    EXPECT_EQ(a.Color, b.Color);
    EXPECT_EQ(a.Options, b.Options);
    EXPECT_EQ(a.Ratio, b.Ratio);
    EXPECT_EQ(a.Scale, b.Scale);
    EXPECT_EQ(a.Price, b.Price);
    EXPECT_EQ(a.When.Value, b.When.Value);
    EXPECT_EQ(a.Caption, b.Caption);
    EXPECT_EQ(a.GetLines()->GetText(), b.GetLines()->GetText());
    EXPECT_EQ(a.GetParams()->Names, b.GetParams()->Names);
    EXPECT_EQ(HandlerName(a.OnClick), HandlerName(b.OnClick));
}

} // namespace

TEST_F(FormFiles, TextRenderingLeavesDefaultsOutAndStoresEventsByName) {
    auto form = MakeSampleForm();
    EXPECT_EQ(WriteComponentText(form.get()), SampleText);
}

TEST_F(FormFiles, BinaryRoundTripRestoresEveryProperty) {
    auto form = MakeSampleForm();
    const std::string data = Binary(form.get());
    ASSERT_EQ(data.compare(0, 4, "TPF0"), 0);
    // A second root reads it; the handler it names is registered there first.
    auto copy = New<TTestForm>();
    int clicks = 0;
    copy->RegisterHandler<TNotifyEvent>("WidgetClick", [&](TObject*) { ++clicks; });
    auto in = New<TStringStream>(data);
    in->ReadComponent(copy.get());
    EXPECT_EQ(copy->GetName(), "Form1");
    EXPECT_EQ(copy->Title, "Orders");
    ASSERT_EQ(copy->GetComponentCount(), 3);
    auto* full = dynamic_cast<TTestWidget*>(copy->FindComponent("Full"));
    auto* plain = dynamic_cast<TTestWidget*>(copy->FindComponent("Plain"));
    ASSERT_NE(full, nullptr);
    ASSERT_NE(plain, nullptr);
    ExpectSameWidget(*full, *dynamic_cast<TTestWidget*>(form->FindComponent("Full")));
    ExpectSameWidget(*plain, *dynamic_cast<TTestWidget*>(form->FindComponent("Plain")));
    EXPECT_EQ(full->Buddy, plain);
    EXPECT_FALSE(full->Secret); // not stored
    EXPECT_EQ(copy->Session, copy->FindComponent("Session1"));
    ASSERT_EQ(full->GetComponentCount(), 1);
    EXPECT_EQ(dynamic_cast<TTestWidget*>(full->GetComponent(0))->Count, 9);
    full->OnClick(full);
    EXPECT_EQ(clicks, 1);
    // Writing the copy gives the same bytes.
    EXPECT_EQ(Binary(copy.get()), data);
}

TEST_F(FormFiles, TextAndBinaryConvertBothWaysWithoutLoss) {
    auto form = MakeSampleForm();
    const std::string data = Binary(form.get());
    auto in = New<TStringStream>(data);
    auto text = New<TStringStream>();
    ObjectBinaryToText(in.get(), text.get());
    EXPECT_EQ(text->GetDataString(), SampleText);
    text->SetPosition(0);
    auto back = New<TMemoryStream>();
    ObjectTextToBinary(text.get(), back.get());
    EXPECT_EQ(
        std::string(static_cast<const char*>(back->Memory()), static_cast<std::size_t>(back->GetSize())),
        data);

    // The text reads straight into components too.
    auto root = New<TTestForm>();
    root->RegisterHandler<TNotifyEvent>("WidgetClick", [](TObject*) {});
    vcl::ReadComponentData(SampleText, root.get());
    EXPECT_EQ(WriteComponentText(root.get()), std::string(SampleText));
    // Without the handler, a reader hook can supply it, and the root is created from its class.
    auto in2 = New<TStringStream>(data);
    auto reader = New<TReader>(in2.get());
    int hooked = 0;
    reader->OnFindMethod = [&](TReader&, const AnsiString& name) -> std::shared_ptr<const THandler> {
        return std::make_shared<const TTypedHandler<void(TObject*)>>(name, [&](TObject*) { ++hooked; });
    };
    auto created = reader->ReadRootComponent();
    auto* full = dynamic_cast<TTestWidget*>(created->FindComponent("Full"));
    ASSERT_NE(full, nullptr);
    full->OnClick(full);
    EXPECT_EQ(hooked, 1);
    EXPECT_EQ(HandlerName(full->OnClick), "WidgetClick");
}

TEST_F(FormFiles, ValuesOfEveryTypeSurviveTheTextForm) {
    // Written by hand, in every value type the format has, with the parser's freedoms: letter
    // case of keywords, LF line ends, strings joined with '+', hexadecimal integers.
    const char* text = "OBJECT TTestWidget\n"
                       "  Count = $10\n"
                       "  Ratio = 1E300\n"
                       "  When = -1.25d\n"
                       "  Caption = 'a' +\n   'b'#9'c'\n"
                       "  List = (1 -2 'x' (nested) [] [a] {0aFF} nil True False)\n"
                       "  Items = <\n    item [3]\n      A = 1\n    end\n    item\n    end>\n"
                       "  Wide = 'x'#8364#1055\n"
                       "  Ref = Other.Thing\n"
                       "  Specials = (INF -INF NAN 2.5s INFd)\n"
                       "end\n";
    auto in = New<TStringStream>(text);
    auto binary = New<TMemoryStream>();
    ObjectTextToBinary(in.get(), binary.get());
    binary->SetPosition(0);
    auto out = New<TStringStream>();
    ObjectBinaryToText(binary.get(), out.get());
    const std::string expected = "object TTestWidget\r\n"
                                 "  Count = 16\r\n"
                                 "  Ratio = 1E+300\r\n"
                                 "  When = -1.25d\r\n"
                                 "  Caption = 'ab'#9'c'\r\n"
                                 "  List = (\r\n"
                                 "    1\r\n"
                                 "    -2\r\n"
                                 "    'x'\r\n"
                                 "    (\r\n"
                                 "      nested)\r\n"
                                 "    []\r\n"
                                 "    [a]\r\n"
                                 "    {\r\n"
                                 "      0AFF}\r\n"
                                 "    nil\r\n"
                                 "    True\r\n"
                                 "    False)\r\n"
                                 "  Items = <\r\n"
                                 "    item [3]\r\n"
                                 "      A = 1\r\n"
                                 "    end\r\n"
                                 "    item\r\n"
                                 "    end>\r\n"
                                 "  Wide = 'x'#8364#1055\r\n"
                                 "  Ref = Other.Thing\r\n"
                                 "  Specials = (\r\n"
                                 "    INF\r\n"
                                 "    -INF\r\n"
                                 "    NAN\r\n"
                                 "    2.5s\r\n"
                                 "    INFd)\r\n"
                                 "end\r\n";
    EXPECT_EQ(out->GetDataString(), expected);
}

TEST_F(FormFiles, LongStringsAreCutIntoPiecesAndRead) {
    auto widget = New<TTestWidget>();
    widget->Caption = std::string(100, 'x') + "\x80\xE9";
    const AnsiString text = WriteComponentText(widget.get());
    EXPECT_NE(text.find("Caption = \r\n    '" + std::string(64, 'x') + "' +\r\n    '" + std::string(36, 'x') +
                        "\x80\xE9'"),
              AnsiString::npos)
        << text;
    auto copy = vcl::ReadComponentData(text);
    EXPECT_EQ(dynamic_cast<TTestWidget*>(copy.get())->Caption, widget->Caption);
}

TEST_F(FormFiles, DoublesKeepEveryBitThroughBothRenderings) {
    for (double v : {0.1, 1.0 / 3, -0.0, 5e-324, 1.7976931348623157e308, 123456789012345678.0, -2.5e-10}) {
        auto widget = New<TTestWidget>();
        widget->Ratio = v;
        auto copy = vcl::ReadComponentData(WriteComponentText(widget.get()));
        const double back = dynamic_cast<TTestWidget*>(copy.get())->Ratio;
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v) == 0 || (v == 0 && back == 0), true) << v;
        std::uint8_t ext[10];
        detail::DoubleToExtended(v, ext);
        const double viaExtended = detail::ExtendedToDouble(ext);
        EXPECT_EQ(std::memcmp(&viaExtended, &v, sizeof v), 0) << v;
    }
    std::uint8_t ext[10];
    detail::DoubleToExtended(1.0, ext);
    const std::uint8_t one[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}; // 1.0 as an x87 extended
    EXPECT_EQ(std::memcmp(ext, one, 10), 0);
    detail::DoubleToExtended(std::numeric_limits<double>::infinity(), ext);
    EXPECT_TRUE(std::isinf(detail::ExtendedToDouble(ext)));
    detail::DoubleToExtended(std::nan(""), ext);
    EXPECT_TRUE(std::isnan(detail::ExtendedToDouble(ext)));
    // An extended beyond the range of a double overflows to infinity.
    const std::uint8_t huge[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};
    EXPECT_TRUE(std::isinf(detail::ExtendedToDouble(huge)));
}

TEST_F(FormFiles, ConnectedStoredTrueConnectsOnlyAfterTheWholeFormIsRead) {
    // Connected comes before Database in the file: the connect must see the database.
    const char* text = "object Form1: TTestForm\n"
                       "  object Session1: TTestSession\n"
                       "    Connected = True\n"
                       "    Database = 'sales'\n"
                       "  end\n"
                       "  object W: TTestWidget\n"
                       "    Buddy = Session1\n"
                       "  end\n"
                       "end\n";
    auto form = vcl::ReadComponentData(text);
    auto* session = dynamic_cast<TTestSession*>(form->FindComponent("Session1"));
    ASSERT_NE(session, nullptr);
    const std::vector<std::string> expected = {"streamed true", "database sales", "loaded", "connect sales"};
    EXPECT_EQ(session->Journal, expected);
    EXPECT_TRUE(session->GetConnected());
    auto* widget = dynamic_cast<TTestWidget*>(form->FindComponent("W"));
    // The reference was set after all components were read, while still loading, not reading.
    ASSERT_EQ(widget->StatesSeenBySetter.size(), 1u);
    EXPECT_TRUE(widget->StatesSeenBySetter[0].Contains(csLoading));
    EXPECT_FALSE(widget->StatesSeenBySetter[0].Contains(csReading));
    EXPECT_EQ(widget->LoadedCalls, 1);
    for (TComponent* c : {form.get(), static_cast<TComponent*>(session), static_cast<TComponent*>(widget)}) {
        EXPECT_FALSE(c->GetComponentState().Contains(csLoading));
        EXPECT_FALSE(c->GetComponentState().Contains(csReading));
    }
}

TEST_F(FormFiles, LoadedRunsForAllEvenWhenOneRaisesAndTheErrorReachesTheLoader) {
    const char* text = "object Form1: TTestForm\n"
                       "  object S1: TTestSession\n    Connected = True\n  end\n"
                       "  object W: TTestWidget\n  end\n"
                       "end\n";
    auto form = New<TTestForm>();
    auto* failing = Make<TTestSession>(form.get()); // the form's own session, inherited in the file
    failing->SetName("S1");
    failing->FailConnect = true;
    const std::string inheritedText =
        std::string(text).replace(std::string(text).find("object S1"), 6, "inherited");
    try {
        vcl::ReadComponentData(inheritedText, form.get());
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "cannot connect to ");
    }
    auto* widget = dynamic_cast<TTestWidget*>(form->FindComponent("W"));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->LoadedCalls, 1); // after the failing session, still loaded
    EXPECT_FALSE(failing->GetComponentState().Contains(csLoading));
    EXPECT_FALSE(failing->GetConnected());
}

TEST_F(FormFiles, EventHandlersMustBeRegisteredUnlessDesigning) {
    const char* text = "object TTestWidget\n  OnClick = Missing\nend\n";
    try {
        vcl::ReadComponentData(text);
        ADD_FAILURE();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading TTestWidget.OnClick: Handler Missing not found");
    }
    // A handler of another type is refused.
    auto widget = New<TTestWidget>();
    widget->RegisterHandler<std::function<void(TObject*, int)>>("Missing", [](TObject*, int) {});
    try {
        vcl::ReadComponentData(text, widget.get());
        ADD_FAILURE();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(),
                  "Error reading TTestWidget.OnClick: Handler Missing does not fit event OnClick");
    }
    // In the designer the name is kept without code, and written back.
    auto designed = New<TTestWidget>();
    designed->SetDesigning(true);
    vcl::ReadComponentData(text, designed.get());
    ASSERT_TRUE(designed->OnClick);
    designed->OnClick(designed.get()); // no code: nothing happens
    EXPECT_NE(WriteComponentText(designed.get()).find("OnClick = Missing"), AnsiString::npos);
}

TEST_F(FormFiles, ReferencesToOtherRootsWaitUntilThatRootIsLoaded) {
    const char* formText = "object FormX: TTestForm\n  Session = ModuleX.Session9\nend\n";
    auto form = vcl::ReadComponentData(formText);
    auto* f = dynamic_cast<TTestForm*>(form.get());
    EXPECT_EQ(f->Session, nullptr);
    EXPECT_TRUE(f->GetComponentState().Contains(csFixups));
    // The module appears (through a lookup of our own, as the screen would offer it).
    auto module = New<TTestForm>();
    const int id = RegisterFindGlobalComponentProc([&](std::string_view name) -> TComponent* {
        return SameText(name, "ModuleX") ? module.get() : nullptr;
    });
    vcl::ReadComponentData("object ModuleX: TTestForm\n  object Session9: TTestSession\n  end\nend\n",
                           module.get());
    EXPECT_EQ(f->Session, module->FindComponent("Session9"));
    EXPECT_FALSE(f->GetComponentState().Contains(csFixups));
    // A form freed while its reference waits leaves nothing behind to resolve into it (the
    // sanitizer build would catch a write into the freed form).
    auto orphan = vcl::ReadComponentData("object FormY: TTestForm\n  Session = ModuleX.Session9\nend\n");
    EXPECT_EQ(dynamic_cast<TTestForm*>(orphan.get())->Session,
              module->FindComponent("Session9")); // resolved at once
    auto waiting = vcl::ReadComponentData("object FormZ: TTestForm\n  Session = ModuleZ.Session9\nend\n");
    waiting.reset();
    const int idZ = RegisterFindGlobalComponentProc([&](std::string_view name) -> TComponent* {
        return SameText(name, "ModuleZ") ? module.get() : nullptr;
    });
    EXPECT_TRUE(GlobalFixupReferences());
    UnRegisterFindGlobalComponentProc(idZ);
    UnRegisterFindGlobalComponentProc(id);
    orphan.reset();
    module.reset();
    EXPECT_EQ(f->Session, nullptr); // the form heard the session go
}

TEST_F(FormFiles, UnresolvedLocalReferenceAndWrongClassAreErrors) {
    try {
        vcl::ReadComponentData("object F: TTestForm\n  Session = Nobody\nend\n");
        ADD_FAILURE();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading F.Session: Component Nobody not found");
    }
    try {
        vcl::ReadComponentData("object F: TTestForm\n  Session = W\n  object W: TTestWidget\n  end\nend\n");
        ADD_FAILURE();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Error reading F.Session: Invalid property value");
    }
}

TEST_F(FormFiles, DescendantWritesOnlyWhatDiffersFromTheAncestor) {
    auto ancestor = MakeSampleForm();
    auto descendant = MakeSampleForm();
    auto* full = dynamic_cast<TTestWidget*>(descendant->FindComponent("Full"));
    full->Count = 3;                       // back to the default: differs from the ancestor's
    full->GetLines()->Add("where id = 1"); // the list differs
    Make<TTestSession>(descendant.get())->SetName("Extra");
    const AnsiString text = WriteComponentText(descendant.get(), ancestor.get());
    const char* expected = "inherited Form1: TTestForm\r\n"
                           "  inherited Session1: TTestSession\r\n"
                           "  end\r\n"
                           "  inherited Plain: TTestWidget\r\n"
                           "  end\r\n"
                           "  inherited Full: TTestWidget\r\n"
                           "    Count = 3\r\n"
                           "    Lines.Strings = (\r\n"
                           "      'select *'\r\n"
                           "      'from orders'\r\n"
                           "      'where id = 1')\r\n"
                           "    inherited Inner: TTestWidget\r\n"
                           "    end\r\n"
                           "  end\r\n"
                           "  object Extra: TTestSession\r\n"
                           "    Connected = False\r\n"
                           "  end\r\n"
                           "end\r\n";
    EXPECT_EQ(text, expected);
    // Read over a fresh copy of the ancestor, it gives the descendant.
    auto rebuilt = MakeSampleForm();
    vcl::ReadComponentData(text, rebuilt.get());
    EXPECT_EQ(WriteComponentText(rebuilt.get()), WriteComponentText(descendant.get()));
    // An inherited component the instance lacks is an error.
    auto bare = New<TTestForm>();
    EXPECT_THROW(vcl::ReadComponentData(text, bare.get()), EReadError);
    EXPECT_EQ(bare->GetComponentCount(), 0);
}

TEST_F(FormFiles, ResourceHeaderAndRegisteredResourcesOfADataModule) {
    auto form = MakeSampleForm();
    auto res = New<TMemoryStream>();
    res->WriteComponentRes("TTESTFORM", form.get());
    res->SetPosition(0);
    EXPECT_EQ(TestStreamFormat(res.get()), sofResource);
    auto text = New<TStringStream>();
    ObjectResourceToText(res.get(), text.get());
    EXPECT_EQ(text->GetDataString(), SampleText);
    text->SetPosition(0);
    auto res2 = New<TMemoryStream>();
    ObjectTextToResource(text.get(), res2.get());
    EXPECT_EQ(res2->GetSize(), res->GetSize());
    EXPECT_EQ(std::memcmp(res2->Memory(), res->Memory(), static_cast<std::size_t>(res->GetSize())), 0);
    res2->SetPosition(0);
    auto copy = New<TTestForm>();
    copy->RegisterHandler<TNotifyEvent>("WidgetClick", [](TObject*) {});
    res2->ReadComponentRes(copy.get());
    EXPECT_EQ(copy->GetComponentCount(), 3);
}

namespace {

// A data module with its handler registered in its constructor, before its resource is read.
class TOrdersModule : public TDataModule {
    VCL_CLASS(TOrdersModule, TDataModule)
public:
    explicit TOrdersModule(TComponent* owner) : TDataModule(owner) {
        RegisterHandler<TNotifyEvent>("ModuleCreate", [this](TObject*) {
            auto* session = dynamic_cast<TTestSession*>(FindComponent("Session1"));
            ConnectedAtCreate = session != nullptr && session->GetConnected();
        });
    }
    bool ConnectedAtCreate = false;

protected:
    ~TOrdersModule() override = default;
};

} // namespace

VCL_CLASS_INFO(TOrdersModule)

TEST_F(FormFiles, DataModuleReadsItsResourceWhenCreatedThenFiresOnCreate) {
    // A resource naming a handler the class lacks fails the creation; nothing stays behind.
    RegisterComponentResource("TOrdersModule", "object OrdersModule: TOrdersModule\n"
                                               "  OnCreate = ModuleGone\n"
                                               "  object Session1: TTestSession\n"
                                               "  end\n"
                                               "end\n");
    const int before = Application->GetComponentCount();
    EXPECT_THROW(Make<TOrdersModule>(Application), EReadError);
    EXPECT_EQ(Screen->GetDataModuleCount(), 0);
    EXPECT_EQ(Application->GetComponentCount(), before);

    RegisterComponentResource("TOrdersModule", "object OrdersModule: TOrdersModule\n"
                                               "  OnCreate = ModuleCreate\n"
                                               "  object Session1: TTestSession\n"
                                               "    Connected = True\n"
                                               "    Database = 'orders'\n"
                                               "  end\n"
                                               "end\n");
    auto* module = Make<TOrdersModule>(Application);
    EXPECT_EQ(module->GetName(), "OrdersModule");
    EXPECT_TRUE(module->ConnectedAtCreate); // OnCreate after loading, and after Loaded connected
    auto* session = dynamic_cast<TTestSession*>(module->FindComponent("Session1"));
    ASSERT_NE(session, nullptr);
    const std::vector<std::string> journal = {"streamed true", "database orders", "loaded", "connect orders"};
    EXPECT_EQ(session->Journal, journal);
    ASSERT_EQ(Screen->GetDataModuleCount(), 1);
    EXPECT_EQ(Screen->GetDataModule(0), module);
    EXPECT_EQ(FindGlobalComponent("ordersmodule"), module);
    // A second instance gets a name of its own.
    auto* second = Make<TOrdersModule>(Application);
    EXPECT_EQ(second->GetName(), "OrdersModule_1");
    second->Free();
    module->Free();
    EXPECT_EQ(Screen->GetDataModuleCount(), 0);
    EXPECT_EQ(FindGlobalComponent("OrdersModule"), nullptr);
    UnRegisterComponentResource("TOrdersModule");
}

// --- Malformed input ---------------------------------------------------------------------------

TEST_F(FormFiles, EveryTruncationFailsCleanlyWithNothingLeftInTheRoot) {
    auto form = MakeSampleForm();
    const std::string data = Binary(form.get());
    for (std::size_t cut = 0; cut < data.size(); ++cut) {
        auto root = New<TTestForm>();
        root->RegisterHandler<TNotifyEvent>("WidgetClick", [](TObject*) {});
        auto in = New<TStringStream>(data.substr(0, cut));
        try {
            in->ReadComponent(root.get());
            ADD_FAILURE() << "cut at " << cut;
        } catch (const EFilerError&) {
        }
        EXPECT_EQ(root->GetComponentCount(), 0) << cut;
        EXPECT_TRUE(root->GetComponentState().Empty()) << cut;
        auto created = New<TStringStream>(data.substr(0, cut));
        EXPECT_THROW(created->ReadComponent(), EFilerError) << cut;
    }
}

TEST_F(FormFiles, MalformedFormsRaiseTheFilerErrorsWithClearMessages) {
    auto expectError = [](const std::string& data, const std::string& message) {
        try {
            vcl::ReadComponentData(data);
            ADD_FAILURE() << message;
        } catch (const EFilerError& e) {
            EXPECT_EQ(e.Message(), message);
        }
    };
    expectError("TPF1", "Invalid stream format");
    expectError("object Form1: TNoSuchClass\nend\n", "Class TNoSuchClass not found");
    expectError("object F: TTestForm\n  object C: TNoSuchClass\n  end\nend\n",
                "Class TNoSuchClass not found");
    expectError("object F: TTestForm\n  Missing = 1\nend\n",
                "Error reading F.Missing: Property Missing does not exist");
    expectError("object F: TTestForm\n  Title.Sub = 1\nend\n",
                "Error reading F.Title.Sub: Invalid property path");
    expectError("object W: TTestWidget\n  Count = 'text'\nend\n",
                "Error reading W.Count: Invalid property value");
    expectError("object W: TTestWidget\n  Count = 3000000000\nend\n",
                "Error reading W.Count: Invalid property value");
    expectError("object W: TTestWidget\n  Color = tcPurple\nend\n",
                "Error reading W.Color: Invalid property value");
    expectError("object W: TTestWidget\n  Options = [toFirst, toNone]\nend\n",
                "Error reading W.Options: Invalid property value");
    expectError("object F: TTestForm\n  object A: TTestWidget\n  end\n  object a: TTestWidget\n  end\nend\n",
                "Error reading F.a: A component named a already exists");
    // A class that is registered but is no component.
    RegisterClass(TStringList::StaticClass());
    expectError("object F: TStringList\nend\n", "TStringList is not a component class");
    UnRegisterClass(TStringList::StaticClass());

    // Lengths: past the end, negative, and a wide string whose byte count overflows 32 bits.
    std::string header = std::string("TPF0") + '\x0B' + "TTestWidget" + '\x01' + "W" + '\x07' + "Caption";
    expectError(header + '\x0C' + std::string("\xFF\xFF\xFF\x7F", 4) + "abc",
                "Error reading W.Caption: A length of 2147483647 runs past the end of the form data");
    expectError(header + '\x0C' + std::string("\xFF\xFF\xFF\xFF", 4),
                "Error reading W.Caption: Invalid stream format");
    expectError(header + '\x12' + std::string("\x00\x00\x00\x40", 4),
                "Error reading W.Caption: A length of 2147483648 runs past the end of the form data");
    expectError(header + '\x99', "Error reading W.Caption: Unknown value type 153 in form data");
    // Nesting: lists inside lists, and components inside components.
    std::string deep =
        "object W: TTestWidget\n  Caption = " + std::string(100, '(') + std::string(100, ')') + "\nend\n";
    try {
        vcl::ReadComponentData(deep);
        ADD_FAILURE();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Form data nested more than 64 levels deep on line 2");
    }
    std::string nested;
    for (int i = 0; i < 100; ++i)
        nested += "object W" + std::to_string(i) + ": TTestWidget\n";
    for (int i = 0; i < 100; ++i)
        nested += "end\n";
    try {
        vcl::ReadComponentData(nested);
        ADD_FAILURE();
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), "Form data nested more than 64 levels deep on line 65");
    }
    // The same depth in binary form (the text parser did not get to refuse it here).
    std::string binaryNested = "TPF0";
    for (int i = 0; i < 100; ++i)
        binaryNested += std::string("\x0BTTestWidget\x00\x00", 14);
    binaryNested += std::string(100, '\0');
    expectError(binaryNested, "Form data nested more than 64 levels deep");
}

TEST_F(FormFiles, TextParserReportsTheLine) {
    auto expectError = [](const std::string& text, const std::string& message) {
        auto in = New<TStringStream>(text);
        auto out = New<TMemoryStream>();
        try {
            ObjectTextToBinary(in.get(), out.get());
            ADD_FAILURE() << message;
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), message);
        }
        EXPECT_EQ(out->GetSize(), 0); // nothing written on failure
    };
    expectError("thing F: T\nend\n", "object expected on line 1");
    expectError("object F: T\n  A = 'open\nend\n", "Invalid string constant on line 2");
    expectError("object F: T\n  A = {0G}\nend\n", "Invalid binary value on line 2");
    expectError("object F: T\n  A = {0}\nend\n", "Invalid binary value on line 2");
    expectError("object F: T\r\n\r\n  A 1\r\nend\r\n", "'=' expected on line 3");
    expectError("object F: T\n  A = 99999999999999999999\nend\n", "Invalid numeric value on line 2");
    expectError("object F: T\n  A = #\nend\n", "Invalid string constant on line 2");
    expectError("object F: T\n  A = 'x' + 1\nend\n", "String expected on line 2");
    expectError("object F: T\n  A = (1 2\n", "')' expected on line 3");
    expectError("object F: T\n  A = 1\n", "end expected on line 3");
}

TEST_F(FormFiles, ReaderErrorHandlerCanSkipUnknownProperties) {
    const char* text = "object W: TTestWidget\n"
                       "  Gone = (1 2 'three' [x])\n"
                       "  Count = 7\n"
                       "  Color = tcPurple\n"
                       "  Caption = 'kept'\n"
                       "end\n";
    auto binary = New<TMemoryStream>();
    auto in = New<TStringStream>(text);
    ObjectTextToBinary(in.get(), binary.get());
    binary->SetPosition(0);
    auto reader = New<TReader>(binary.get());
    std::vector<std::string> skipped;
    reader->OnError = [&](TReader&, const Exception& e) {
        skipped.push_back(e.Message());
        return true;
    };
    auto root = reader->ReadRootComponent();
    auto* widget = dynamic_cast<TTestWidget*>(root.get());
    EXPECT_EQ(widget->Count, 7);
    EXPECT_EQ(widget->Color, tcRed);
    EXPECT_EQ(widget->Caption, "kept");
    const std::vector<std::string> expected = {"Error reading W.Gone: Property Gone does not exist",
                                               "Error reading W.Color: Invalid property value"};
    EXPECT_EQ(skipped, expected);
}
