// Objects and components: class info, the construction and destruction steps, ownership and its
// order, names, notifications, state flags, named handlers, assignment.
#include "platform/vcl/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vcl;

namespace {

std::vector<std::string> gLog;

// A base class whose destruction sequence calls a virtual step, as a session's destructor
// disconnects through its virtual SetConnected.
class TBaseThing : public TComponent {
    VCL_CLASS(TBaseThing, TComponent)
public:
    explicit TBaseThing(TComponent* owner) : TComponent(owner) {}
    virtual void Shutdown() { gLog.push_back("base shutdown " + GetName()); }
    virtual void Startup() { gLog.push_back("base startup"); }
    void AfterConstruction() override {
        inherited::AfterConstruction();
        Startup();
    }

protected:
    ~TBaseThing() override { gLog.push_back("~TBaseThing " + GetName()); }
    void Destroy() override {
        gLog.push_back("destroy " + GetName() +
                       (GetComponentState().Contains(csDestroying) ? " (destroying)" : ""));
        Shutdown();
        inherited::Destroy();
    }
};

class TDerivedThing : public TBaseThing {
    VCL_CLASS(TDerivedThing, TBaseThing)
public:
    explicit TDerivedThing(TComponent* owner, bool failInStartup = false)
        : TBaseThing(owner), FFail(failInStartup) {}
    void Shutdown() override { gLog.push_back("derived shutdown " + GetName()); }
    void Startup() override {
        gLog.push_back("derived startup");
        if (FFail) throw EComponentError("startup failed");
    }

protected:
    ~TDerivedThing() override { gLog.push_back("~TDerivedThing " + GetName()); }

private:
    bool FFail;
};

// Raises from its constructor after the base has inserted it into the owner.
class TBrokenThing : public TComponent {
    VCL_CLASS(TBrokenThing, TComponent)
public:
    explicit TBrokenThing(TComponent* owner) : TComponent(owner) { throw EComponentError("no"); }

protected:
    ~TBrokenThing() override = default;
};

// Records the notifications it receives.
class TWatcher : public TComponent {
    VCL_CLASS(TWatcher, TComponent)
public:
    explicit TWatcher(TComponent* owner) : TComponent(owner) {}
    std::vector<std::pair<TComponent*, TOperation>> Seen;
    TComponent* Target = nullptr;

protected:
    ~TWatcher() override = default;
    void Notification(TComponent* component, TOperation operation) override {
        inherited::Notification(component, operation);
        Seen.emplace_back(component, operation);
        if (operation == opRemove && component == Target) Target = nullptr;
    }
};

class TCanvasThing : public TPersistent {
    VCL_CLASS(TCanvasThing, TPersistent)
public:
    TCanvasThing() = default;
    int Value = 0;

protected:
    ~TCanvasThing() override = default;
};

class TOtherThing : public TPersistent {
    VCL_CLASS(TOtherThing, TPersistent)
public:
    TOtherThing() = default;

protected:
    ~TOtherThing() override = default;
};

} // namespace

VCL_CLASS_INFO(TBaseThing)
VCL_CLASS_INFO(TDerivedThing)
VCL_CLASS_INFO(TBrokenThing)
VCL_CLASS_INFO(TWatcher)
VCL_CLASS_INFO(TCanvasThing)
VCL_CLASS_INFO(TOtherThing)

class ComponentLifecycle : public ::testing::Test {
protected:
    void SetUp() override { gLog.clear(); }
};

TEST(ClassInfo, NamesParentsAndInheritance) {
    auto thing = New<TDerivedThing>();
    EXPECT_EQ(thing->ClassName(), "TDerivedThing");
    EXPECT_EQ(thing->ClassParent(), TBaseThing::StaticClass());
    EXPECT_TRUE(thing->InheritsFrom<TComponent>());
    EXPECT_TRUE(thing->InheritsFrom(TObject::StaticClass()));
    EXPECT_FALSE(thing->InheritsFrom<TStream>());
    EXPECT_EQ(ClassNameOf(nullptr), "nil");
    EXPECT_EQ(TObject::StaticClass()->Parent, nullptr);
    // Concrete components can be created by class; abstract and non-component classes cannot.
    EXPECT_NE(TDerivedThing::StaticClass()->Create, nullptr);
    EXPECT_EQ(TStream::StaticClass()->Create, nullptr);
    EXPECT_EQ(TStringList::StaticClass()->Create, nullptr);
}

TEST_F(ComponentLifecycle, DestroyStepOfTheBaseReachesTheMostDerivedOverride) {
    auto thing = New<TDerivedThing>();
    thing->SetName("A");
    thing.reset();
    const std::vector<std::string> expected = {"derived startup", "destroy A (destroying)",
                                               "derived shutdown A", "~TDerivedThing A", "~TBaseThing A"};
    EXPECT_EQ(gLog, expected);
}

TEST_F(ComponentLifecycle, AfterConstructionFailureFreesTheObjectThroughItsDestroyStep) {
    auto owner = New<TComponent>();
    EXPECT_THROW(Make<TDerivedThing>(owner.get(), true), EComponentError);
    EXPECT_EQ(owner->GetComponentCount(), 0);
    ASSERT_GE(gLog.size(), 3u);
    EXPECT_EQ(gLog[1], "destroy  (destroying)");
    EXPECT_EQ(gLog[2], "derived shutdown ");
}

TEST_F(ComponentLifecycle, ConstructorFailureLeavesNoDanglingEntryInTheOwner) {
    auto owner = New<TComponent>();
    EXPECT_THROW(Make<TBrokenThing>(owner.get()), EComponentError);
    EXPECT_EQ(owner->GetComponentCount(), 0);
}

TEST_F(ComponentLifecycle, OwnerFreesOwnedComponentsLastFirstAndMarksThemDestroying) {
    auto owner = New<TBaseThing>();
    owner->SetName("Owner");
    for (const char* name : {"First", "Second", "Third"})
        Make<TBaseThing>(owner.get())->SetName(name);
    auto* nested = Make<TBaseThing>(owner->GetComponent(0));
    nested->SetName("Nested");
    gLog.clear();
    owner.reset();
    const std::vector<std::string> expected = {
        "destroy Owner (destroying)", "base shutdown Owner",         "destroy Third (destroying)",
        "base shutdown Third",        "~TBaseThing Third",           "destroy Second (destroying)",
        "base shutdown Second",       "~TBaseThing Second",          "destroy First (destroying)",
        "base shutdown First",        "destroy Nested (destroying)", "base shutdown Nested",
        "~TBaseThing Nested",         "~TBaseThing First",           "~TBaseThing Owner"};
    EXPECT_EQ(gLog, expected);
}

TEST(ComponentFactories, MakeNeedsAnOwnerAndFreeAndNilClears) {
    EXPECT_THROW(Make<TComponent>(nullptr), EComponentError);
    try {
        Make<TWatcher>(nullptr);
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "TWatcher needs an owner here");
    }
    auto owner = New<TComponent>();
    TComponent* child = Make<TComponent>(owner.get());
    EXPECT_EQ(child->Owner(), owner.get());
    FreeAndNil(child);
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(owner->GetComponentCount(), 0);
    TComponent* none = nullptr;
    FreeAndNil(none); // null is fine
}

TEST(ComponentNames, IdentifiersOnlyAndUniqueAmongTheOwnersComponents) {
    auto owner = New<TComponent>();
    TComponent* a = Make<TComponent>(owner.get());
    TComponent* b = Make<TComponent>(owner.get());
    a->SetName("Session1");
    for (const char* bad : {"1abc", "a b", "a.b", "é", "a-b"}) {
        try {
            b->SetName(bad);
            ADD_FAILURE() << bad;
        } catch (const EComponentError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + bad + "' is not a valid component name");
        }
    }
    try {
        b->SetName("SESSION1");
        ADD_FAILURE();
    } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "A component named SESSION1 already exists");
    }
    EXPECT_EQ(b->GetName(), "");
    a->SetName("SESSION1"); // a change of letter case only is not a clash with itself
    EXPECT_EQ(a->GetName(), "SESSION1");
    b->SetName("_Session_2");
    EXPECT_EQ(owner->FindComponent("_session_2"), b);
    EXPECT_EQ(owner->FindComponent(""), nullptr);
    // Empty names may repeat; the same name under another owner is fine.
    Make<TComponent>(owner.get());
    Make<TComponent>(owner.get());
    auto other = New<TComponent>();
    Make<TComponent>(other.get())->SetName("Session1");
    // Inserting a component whose name clashes is refused, and it stays where it was.
    TComponent* clash = Make<TComponent>(other.get());
    clash->SetName("_SESSION_2");
    EXPECT_THROW(owner->InsertComponent(clash), EComponentError);
    EXPECT_EQ(clash->Owner(), other.get());
}

TEST(ComponentOwnership, InsertMovesBetweenOwnersAndIndexesFollow) {
    auto first = New<TComponent>();
    auto second = New<TComponent>();
    TComponent* a = Make<TComponent>(first.get());
    TComponent* b = Make<TComponent>(first.get());
    TComponent* c = Make<TComponent>(first.get());
    EXPECT_EQ(c->GetComponentIndex(), 2);
    c->SetComponentIndex(0);
    EXPECT_EQ(first->GetComponent(0), c);
    EXPECT_EQ(first->GetComponent(1), a);
    EXPECT_THROW(first->GetComponent(3), EListError);
    second->InsertComponent(b);
    EXPECT_EQ(b->Owner(), second.get());
    EXPECT_EQ(first->GetComponentCount(), 2);
    // No loops in the ownership tree.
    TComponent* grandchild = Make<TComponent>(a);
    EXPECT_THROW(grandchild->InsertComponent(first.get()), EComponentError);
    EXPECT_THROW(a->InsertComponent(a), EComponentError);
    EXPECT_EQ(first->Owner(), nullptr);
    first->RemoveComponent(a);
    EXPECT_EQ(a->Owner(), nullptr);
    TOwned<TComponent> adopted(a); // now the caller's
}

TEST(ComponentNotifications, OwnerAndSiblingsHearInsertsAndRemovals) {
    auto owner = New<TWatcher>();
    TWatcher* sibling = Make<TWatcher>(owner.get());
    TComponent* added = Make<TComponent>(owner.get());
    ASSERT_EQ(owner->Seen.size(), 2u);
    EXPECT_EQ(owner->Seen[1], std::make_pair(added, opInsert));
    ASSERT_EQ(sibling->Seen.size(), 1u);
    EXPECT_EQ(sibling->Seen[0], std::make_pair(added, opInsert));
    added->Free();
    EXPECT_EQ(owner->Seen.back(), std::make_pair(added, opRemove));
    EXPECT_EQ(sibling->Seen.back(), std::make_pair(added, opRemove));
}

TEST(ComponentNotifications, FreeNotificationAcrossOwnersInBothDirections) {
    auto formA = New<TComponent>();
    auto formB = New<TComponent>();
    auto* watcher = Make<TWatcher>(formA.get());
    TComponent* target = Make<TComponent>(formB.get());
    watcher->Target = target;
    target->FreeNotification(watcher);
    EXPECT_TRUE(target->GetComponentState().Contains(csFreeNotification));
    target->Free();
    EXPECT_EQ(watcher->Target, nullptr);
    EXPECT_EQ(watcher->Seen.back(), std::make_pair(target, opRemove));

    // The watcher goes first: the target must not notify it later (the sanitizer build would
    // catch a use after free).
    TComponent* target2 = Make<TComponent>(formB.get());
    target2->FreeNotification(watcher);
    watcher->Free();
    target2->Free();
}

TEST(ComponentState, DesigningPropagatesAndFlagsAreASet) {
    auto owner = New<TComponent>();
    TComponent* before = Make<TComponent>(owner.get());
    owner->SetDesigning(true);
    EXPECT_TRUE(before->GetComponentState().Contains(csDesigning));
    TComponent* after = Make<TComponent>(owner.get());
    EXPECT_TRUE(after->GetComponentState().Contains(csDesigning)); // inherited on insert
    owner->SetDesigning(false, false);
    EXPECT_FALSE(owner->GetComponentState().Contains(csDesigning));
    EXPECT_TRUE(after->GetComponentState().Contains(csDesigning));
    EXPECT_EQ(static_cast<int>(csLoading), 0);
    EXPECT_EQ(static_cast<int>(csDestroying), 3);
    EXPECT_EQ(static_cast<int>(csDesigning), 4);
    owner->Updating();
    EXPECT_TRUE(owner->GetComponentState().Contains(csUpdating));
    owner->Updated();
    EXPECT_TRUE(owner->GetComponentState().Empty());
}

TEST(NamedHandlers, RegisteredByNameAndBoundWithTheirName) {
    auto root = New<TComponent>();
    int calls = 0;
    root->RegisterHandler<TNotifyEvent>("ButtonClick", [&](TObject*) { ++calls; });
    TNotifyEvent event = root->HandlerByName<TNotifyEvent>("buttonclick");
    ASSERT_TRUE(event);
    event(root.get());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(HandlerName(event), "ButtonClick");
    TNotifyEvent inCode = [](TObject*) {};
    EXPECT_EQ(HandlerName(inCode), ""); // assigned in code: no name to store
    // Another signature does not bind.
    using TIntEvent = std::function<void(TObject*, int)>;
    EXPECT_FALSE(root->HandlerByName<TIntEvent>("ButtonClick"));
    EXPECT_FALSE(root->HandlerByName<TNotifyEvent>("Missing"));
    EXPECT_THROW(root->RegisterHandler<TNotifyEvent>("not valid", [](TObject*) {}), EComponentError);
    root->UnregisterHandler("BUTTONCLICK");
    EXPECT_EQ(root->FindHandler("ButtonClick"), nullptr);
    // The bound event keeps its handler alive after unregistration.
    event(nullptr);
    EXPECT_EQ(calls, 2);
}

TEST(Persistent, AssignErrorsNameBothClassesAndLeaveTheTargetAlone) {
    auto target = New<TCanvasThing>();
    auto source = New<TOtherThing>();
    target->Value = 5;
    try {
        target->Assign(source.get());
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TOtherThing to a TCanvasThing");
    }
    try {
        target->Assign(nullptr);
        ADD_FAILURE();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a nil to a TCanvasThing");
    }
    EXPECT_EQ(target->Value, 5);
}

TEST(Persistent, NamePaths) {
    auto form = New<TComponent>();
    form->SetName("Form1");
    auto* widget = Make<TComponent>(form.get());
    widget->SetName("Query1");
    EXPECT_EQ(widget->GetNamePath(), "Query1");
    auto list = New<TStringList>();
    EXPECT_EQ(list->GetNamePath(), "TStringList");
}
