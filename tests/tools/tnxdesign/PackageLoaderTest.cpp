// The package loader over the real package files of the build: each generation loads by file name
// and registers the palette and editors; a second generation of a package, a package loaded twice
// and a package whose dependency is another generation of a loaded one are refused.
//
// A process can hold one generation only, so each case runs in a child process of its own.
#include "ChildProcess.h"
#include "tools/tnxdesign/LibraryDependencies.h"
#include "tools/tnxdesign/PackageLoader.h"

#include "support/TempDir.h"

#include "platform/vcl/ClassRegistry.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/design/DesignRegistry.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <fstream>
#include <iterator>

namespace {

using namespace vcl;
using tnxdesign::EPackageError;
using tnxdesign::PackageLoader;
using tnxdesigntest::Failures;
using tnxdesigntest::RunInChild;

std::string Package(const std::string& name) { return tnxtest::BuildLibDir() + "/lib" + name + ".so"; }

// Names of the classes on a palette page.
std::vector<std::string> PageClasses(const std::string& page) {
    std::vector<std::string> names;
    for (TClass cls : GetPaletteClasses(page)) names.push_back(ClassNameOf(cls));
    return names;
}

TClass PaletteClass(const std::string& name) {
    for (TClass cls : GetPaletteClasses("Tarnix"))
        if (ClassNameOf(cls) == name) return cls;
    return nullptr;
}

std::string EditorOf(TClass cls, const std::string& property) {
    const TPropInfo* prop = GetPropInfo(cls, property);
    if (prop == nullptr) return "(no property " + property + ")";
    return ClassNameOf(GetPropertyEditorClass(*prop, cls).Class);
}

// The file a class's type information lives in: which generation actually serves it.
std::string FileOf(TClass cls) {
    Dl_info info{};
    if (cls->Create == nullptr || dladdr(reinterpret_cast<void*>(cls->Create), &info) == 0 || info.dli_fname == nullptr) return "";
    return info.dli_fname;
}

std::string RefusalOf(PackageLoader& loader, const std::string& file) {
    try {
        loader.Load(file);
    } catch (const EPackageError& e) {
        return e.Message();
    }
    return "";
}

void CheckGeneration(const std::string& generation) {
    const std::string report = RunInChild([&](Failures& f) {
        PackageLoader loader;
        const auto& base = loader.Load(Package("TnxPack" + generation));
        f.ExpectEq(base.Description, "Tarnix base classes", "base package description");
        f.Expect(!base.Registered, "the base package registers nothing");
        f.Expect(GetPaletteClasses("Tarnix").empty(), "no palette before the SQL Anywhere package");

        const auto& asa = loader.Load(Package("TnxSa" + generation));
        f.ExpectEq(asa.Description, "Tarnix for SQL Anywhere", "SQL Anywhere package description");
        f.Expect(asa.Registered, "the SQL Anywhere package ran its entry point");

        const std::vector<std::string> palette = PageClasses("Tarnix");
        f.Expect(palette == std::vector<std::string>{"TAsaSession", "TAsaSQL", "TAsaDataset"},
                 "palette page Tarnix holds TAsaSession, TAsaSQL, TAsaDataset");
        TClass session = PaletteClass("TAsaSession");
        TClass dataset = PaletteClass("TAsaDataset");
        f.Expect(session != nullptr && dataset != nullptr, "session and dataset on the palette");
        if (session == nullptr || dataset == nullptr) return;
        f.Expect(FileOf(session).find("libTnxSa" + generation) != std::string::npos,
                 "TAsaSession comes from libTnxSa" + generation + " (got " + FileOf(session) + ")");
        f.Expect(FindClass("TAsaSession") == session, "the class registry knows TAsaSession by name");

        f.ExpectEq(EditorOf(session, "LibraryFile"), "TCorvexLibFileProperty", "LibraryFile editor");
        f.ExpectEq(EditorOf(session, "LibraryPath"), "TCorvexPathProperty", "LibraryPath editor");
        f.ExpectEq(EditorOf(session, "LoginDatabase"), "TCorvexDBFileProperty", "LoginDatabase editor");
        f.ExpectEq(EditorOf(dataset, "Params"), "TCorvexParamsProperty", "Params editor");
        f.ExpectEq(ClassNameOf(GetComponentEditorClass(session).Class), "TCorvexAsaAboutComponentEditor",
                   "session component editor");

        auto owner = New<TComponent>();
        TComponent* instance = session->Create(owner.get());
        auto editor = GetComponentEditor(instance, nullptr);
        f.ExpectEq(editor->GetVerbCount() == 1 ? editor->GetVerb(0) : "", "Abo&ut Tarnix 1.86b", "about verb");

        // The registrations are grouped under the generation's name.
        UnregisterGroup("TnxSa" + generation);
        f.Expect(GetPaletteClasses("Tarnix").empty(), "group TnxSa" + generation + " withdraws the palette");
    });
    EXPECT_EQ(report, "");
}

TEST(PackageLoader, Generation5LoadsAndRegisters) { CheckGeneration("5"); }
TEST(PackageLoader, Generation4LoadsAndRegisters) { CheckGeneration("4"); }
TEST(PackageLoader, Generation3LoadsAndRegisters) { CheckGeneration("3"); }

TEST(PackageLoader, RefusesASecondGenerationAndASecondLoad) {
    const std::string report = RunInChild([](Failures& f) {
        PackageLoader loader;
        loader.Load(Package("TnxSa5"));
        const size_t palette = GetPaletteClasses("Tarnix").size();

        const std::string second = RefusalOf(loader, Package("TnxSa4"));
        f.Expect(second.find("libTnxSa4") != std::string::npos && second.find("libTnxSa5") != std::string::npos,
                 "the refusal of TnxSa4 names both files: " + second);
        f.Expect(second.find("Tarnix for SQL Anywhere") != std::string::npos, "and the package: " + second);

        // The same file again, also under its versioned name.
        f.Expect(RefusalOf(loader, Package("TnxSa5")).find("already loaded") != std::string::npos,
                 "loading TnxSa5 twice is refused");
        f.Expect(RefusalOf(loader, Package("TnxSa5") + ".5").find("already loaded") != std::string::npos,
                 "loading TnxSa5 under another name is refused");

        // Its base package came in as a dependency; another generation of it is refused too.
        f.Expect(RefusalOf(loader, Package("TnxPack3")).find("libTnxPack5") != std::string::npos,
                 "TnxPack3 after TnxSa5 (which brought TnxPack5) is refused");

        f.Expect(loader.Packages().size() == 1, "only the first package is listed");
        f.Expect(GetPaletteClasses("Tarnix").size() == palette, "refusals leave the palette alone");
        f.Expect(dlopen(Package("TnxSa4").c_str(), RTLD_NOW | RTLD_NOLOAD) == nullptr, "TnxSa4 is not in the process");
    });
    EXPECT_EQ(report, "");
}

TEST(PackageLoader, RefusesAPackageThatBringsAnotherGenerationOfItsBase) {
    const std::string report = RunInChild([](Failures& f) {
        PackageLoader loader;
        loader.Load(Package("TnxPack5"));
        const std::string refusal = RefusalOf(loader, Package("TnxSa4"));
        f.Expect(refusal.find("libTnxPack4") != std::string::npos && refusal.find("libTnxPack5") != std::string::npos,
                 "the refusal names the clashing base packages: " + refusal);
        f.Expect(GetPaletteClasses("Tarnix").empty(), "the refused package registered nothing");
        // The right generation still loads.
        loader.Load(Package("TnxSa5"));
        f.Expect(GetPaletteClasses("Tarnix").size() == 3, "TnxSa5 loads after the refusal");
    });
    EXPECT_EQ(report, "");
}

TEST(PackageLoader, RefusesFilesThatAreNoPackages) {
    const std::string report = RunInChild([](Failures& f) {
        PackageLoader loader;
        f.Expect(RefusalOf(loader, Package("TnxNoSuchPackage")).find("not found") != std::string::npos,
                 "a missing file is refused");
        // A library of the framework: no package description in its version information.
        f.Expect(RefusalOf(loader, Package("TnxVcl")).find("no package description") != std::string::npos,
                 "a library without a description is refused");
        tnxtest::TempDir dir;
        const std::string junk = dir.File("libjunk.so");
        FILE* out = fopen(junk.c_str(), "wb");
        fputs("not a library", out);
        fclose(out);
        f.Expect(!RefusalOf(loader, junk).empty(), "a file that is no library is refused");
        f.Expect(loader.Packages().empty(), "nothing was loaded");
    });
    EXPECT_EQ(report, "");
}

} // namespace

namespace {

// What a package needs is read from the file before loading it: the real dependencies of a
// package, and nothing (but no crash and no read outside the file) from damaged copies.
TEST(LibraryDependencies, ReadsWhatAPackageNeedsAndSurvivesDamagedFiles) {
    const tnxdesign::TLibraryNeeds needs = tnxdesign::ReadLibraryNeeds(Package("TnxSa4"));
    bool base = false;
    for (const std::string& name : needs.Needed) base = base || name.rfind("libTnxPack4.so", 0) == 0;
    EXPECT_TRUE(base) << "libTnxSa4 needs libTnxPack4";
    bool found = false;
    for (const std::string& file : tnxdesign::FindNeededLibraryFiles(Package("TnxSa4")))
        found = found || file.find("libTnxPack4.so") != std::string::npos;
    EXPECT_TRUE(found) << "and it is found through the package's run path";

    std::ifstream in(Package("TnxSa4"), std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 4096u);
    tnxtest::TempDir dir;
    auto write = [&](const std::string& name, const std::string& bytes) {
        const std::string file = dir.File(name);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    };
    // Cut short: the section headers (at the end of the file) are gone.
    EXPECT_TRUE(tnxdesign::ReadLibraryNeeds(write("cut.so", whole.substr(0, whole.size() / 2))).Needed.empty());
    EXPECT_TRUE(tnxdesign::ReadLibraryNeeds(write("header.so", whole.substr(0, 64))).Needed.empty());
    EXPECT_TRUE(tnxdesign::ReadLibraryNeeds(write("text.so", "not a library at all")).Needed.empty());
    EXPECT_TRUE(tnxdesign::ReadLibraryNeeds(dir.File("missing.so")).Needed.empty());
    // Section headers pointing far outside the file.
    std::string hostile = whole;
    for (int i = 0; i < 8; ++i) hostile[0x28 + i] = '\x7f'; // e_shoff
    EXPECT_TRUE(tnxdesign::ReadLibraryNeeds(write("hostile.so", hostile)).Needed.empty());
}

} // namespace
