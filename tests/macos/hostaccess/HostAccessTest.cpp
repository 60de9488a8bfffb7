// The macOS flavour's host access over the host's frameworks: the plug-in
// starts in a process whose main bundle is FMHost.app with the frameworks of
// one host API level loaded (as fmhost's mac mode loads them), binds through
// the host-access manager, and reads the host's objects at the offsets of
// that level. The host's windows are Carbon windows that the tests create
// as the host would, with window models laid out by the shared header.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "fmapi/mac_layout.h"
#include "fmhost/MacHost.h"
#include "fmx/DbHandles.h"
#include "fmx/FilePath.h"
#include "fmx/FmImp.h"
#include "fmx/Plugin.h"
#include "macos/HostObjects.h"
#include "macos/PlatStubs.h"
#include "macos/WindowExtension.h"
#include "platform/carbon/WindowManager.h"
#include "platform/corefoundation/SystemSetup.h"
#include "platform/dyld/dyld.h"
#include "support/plugin_harness.h"
#include "world/World.h"
#include "support/fresh_process.h"

namespace {

using fmapi::mac::FieldKind;
using fmapi::mac::HostField;
using fmapi::mac::HostStringStorage;

template <class T>
void ExpectRuntimeError(T&& call, const char* message)
{
    try {
        call();
        ADD_FAILURE() << "no exception, expected " << message;
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), message);
    }
}

// A host object laid out by the shared header for the running level.
struct HostObject {
    alignas(void*) unsigned char bytes[192];
    explicit HostObject(unsigned char fill = 0) { std::memset(bytes, fill, sizeof bytes); }
    std::size_t At(HostField field) const { return fmapi::mac::HostFieldOffset(field, fmx::Plugin::GetApiLevel()); }
    FieldKind Kind(HostField field) const
    {
        return fmapi::mac::HostFieldSpec(field, fmx::Plugin::GetApiLevel()).kind;
    }
    void Pointer(HostField field, const void* value) { std::memcpy(bytes + At(field), &value, sizeof value); }
    void Word(HostField field, std::uint32_t value) { std::memcpy(bytes + At(field), &value, sizeof value); }
    void Byte(HostField field, std::int8_t value) { std::memcpy(bytes + At(field), &value, 1); }
    HostStringStorage* String(HostField field) { return reinterpret_cast<HostStringStorage*>(bytes + At(field)); }
};

class MacHostAccess : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (WindowRef w : windows_)
            DisposeWindow(w);
        for (auto& name : names_)
            mac::DestroyHostString(name);
        if (fmx::Plugin::Exists())
            pvtest::Shutdown();
        if (!volume_.empty()) {
            macsetup::UnmountVolumes();
            std::filesystem::remove_all(volume_);
        }
    }

    // Mounts a volume `name` over a new folder holding `file` (a relative
    // path whose folders are made); answers the file's POSIX path.
    std::string MountVolumeWith(const std::string& name, const std::string& file)
    {
        char pattern[] = "/tmp/pv-machost-XXXXXX";
        const char* folder = mkdtemp(pattern);
        EXPECT_NE(folder, nullptr);
        volume_ = folder ? folder : "";
        const std::filesystem::path at = std::filesystem::path(volume_) / file;
        std::filesystem::create_directories(at.parent_path());
        std::ofstream(at).put('x');
        EXPECT_TRUE(macsetup::MountVolume(name, volume_));
        return "/Volumes/" + name + "/" + file;
    }

    // Loads the frameworks of `level` and starts the plug-in at that level.
    void Start(std::int32_t level)
    {
        std::string error;
        const std::string app = fmhost::HostApplicationFolder(error);
        ASSERT_FALSE(app.empty()) << error;
        ASSERT_TRUE(fmhost::LoadMacHost(level, app, error)) << error;
        ASSERT_EQ(pvtest::Init(static_cast<std::int16_t>(level), u"Pro 7.0"), level);
        ASSERT_EQ(fmx::Plugin::GetApiLevel(), level);
    }

    std::int64_t LiveBlocks()
    {
        auto count = reinterpret_cast<std::int64_t (*)()>(
            fmx::AccessMgr::GetInstance().FindFunction("MSLRuntime", "_PVMSLRuntime_LiveBlocks"));
        return count();
    }

    // A window model named `name` (the host string at the level's place).
    HostObject& Model(const std::string& name, unsigned char fill = 0)
    {
        models_.emplace_back(new HostObject(fill));
        HostObject& model = *models_.back();
        HostStringStorage* string = model.String(HostField::kModelWindowName);
        mac::ConstructHostString(string);
        names_.push_back(string);
        EXPECT_TRUE(mac::WriteHostString(string, name));
        return model;
    }

    // A visible document window in front of all others, of the document
    // window kind, with a model as its reference constant (none for null).
    WindowRef Window(HostObject* model, SInt16 kind = 10)
    {
        WindowRef w = nullptr;
        EXPECT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowStandardDocumentAttributes, nullptr, &w), noErr);
        SetWindowKind(w, kind);
        SetWRefCon(w, reinterpret_cast<SRefCon>(model ? model->bytes : nullptr));
        ShowWindow(w);
        windows_.push_back(w);
        return w;
    }

    // A document-class dialog with a model, in front of all others.
    WindowRef Dialog(HostObject& model)
    {
        DialogRef dialog = NewCDialog(nullptr, nullptr, nullptr, true, 0, reinterpret_cast<WindowRef>(-1), false,
                                      reinterpret_cast<SRefCon>(model.bytes), nullptr);
        WindowRef w = GetDialogWindow(dialog);
        SetWindowKind(w, 10);
        windows_.push_back(w);
        return w;
    }

    void Forget(WindowRef w) { windows_.erase(std::find(windows_.begin(), windows_.end(), w)); }

    static std::string Names(const std::vector<fmx::DbWindow>& windows)
    {
        std::string all;
        for (const fmx::DbWindow& w : windows)
            all += (all.empty() ? "" : "|") + w.GetName();
        return all;
    }

    std::vector<std::unique_ptr<HostObject>> models_;
    std::vector<HostStringStorage*> names_;
    std::vector<WindowRef> windows_;
    std::string volume_;
};

TEST_F(MacHostAccess, TheManagerBindsThroughTheHostsFrameworks)
{
    pvtest::InFreshProcess([&] {
        Start(55);
        const fmx::AccessMgr& access = fmx::AccessMgr::GetInstance();
        EXPECT_NE(access.FindFunction("FMEngine", "__ZN5Draco9DBSession16GetSessionFromIDEm"), nullptr);
        // Frameworks are found in any letter case.
        EXPECT_NE(access.FindDataSymbol("fmengine", "__ZN5Draco27kSupport_EmptyUniversalPathE"), nullptr);
        EXPECT_NE(access.FindMemberFunction("Support", "__ZN5Draco9unistringD1Ev"), nullptr);
        ExpectRuntimeError([&] { access.FindMemberFunction("Support", "__ZN5Draco9unistring7MissingEv"); },
                           "member function is not found");
        ExpectRuntimeError([&] { access.FindDataSymbol("NoSuch", "_x"); }, "data symbol is not found");
        ExpectRuntimeError([&] { access.FindFunction("Support", "_nothing"); }, "static function loading failed");
        ExpectRuntimeError(
            [&] { access.FindFunction(fmx::kHostCallbackModule, reinterpret_cast<const char*>(std::uintptr_t(12))); },
            "static function loading failed");

        // The session comes from the host; its name is not bound on macOS.
        const fmx::Session session = fmx::Session::GetCurrent();
        ASSERT_FALSE(session.IsEmpty());
        EXPECT_EQ(static_cast<void*>(session.get()), static_cast<void*>(&hostworld::World::Get().Session()));
        ExpectRuntimeError([&] { session.GetName(); }, "ATTENTION!!! Function is implemented incorrectly");

        // The manager withdraws its finder when it goes.
        pvtest::Shutdown();
        ExpectRuntimeError([] { mac::BindingFinder(); }, "Bad access to fmx::Singleton<>::GetInstance");
    });
}

TEST_F(MacHostAccess, StartUpFailsWithoutAHostApplication)
{
    pvtest::InFreshProcess([&] {
        ASSERT_TRUE(macsetup::SetMainBundle(""));
        fmapi::CallRecord r = pvtest::MakeRecord(fmapi::kMsgInit);
        r.extnVersion = 52;
        r.parm1 = 1;
        const std::u16string text = u"Pro 11.0v4";
        r.parm2 = reinterpret_cast<std::uintptr_t>(text.c_str());
        FMExternCallProc(&r);
        const std::intptr_t result = r.result;   // the record is packed
        EXPECT_EQ(result, -2);
        EXPECT_FALSE(fmx::Plugin::Exists());
    });
}

class ModelFields : public MacHostAccess, public ::testing::WithParamInterface<int> {};

TEST_P(ModelFields, AreReadAtTheLevelsPlaces)
{
    pvtest::InFreshProcess([&] {
        const int level = GetParam();
        Start(level);
        hostworld::World& world = hostworld::World::Get();
        Draco::FMFileUser* file = world.AddFile("Contacts.fmp12", "filemac:/HD/Files/Contacts.fmp12");
        ASSERT_NE(file, nullptr);
        Draco::FMLayout* layout = world.AddLayout(*file, "List", false, 0);

        // Every other byte set: only the level's own places may count.
        HostObject& model = Model("Contacts", 0xFF);
        model.Pointer(HostField::kModelFileUser, file);
        model.Pointer(HostField::kModelLayout, layout);
        const bool signedMode = model.Kind(HostField::kModelUserMode) == FieldKind::kSignedByte;
        if (signedMode)
            model.Byte(HostField::kModelUserMode, -2);
        else
            model.Word(HostField::kModelUserMode, 3);
        // Flag B's word has bit 7 clear, flag A's (the same word from 54) bit 17 set.
        model.Word(HostField::kModelFlagB, 1u << 17);
        const WindowRef w = Window(&model);

        const fmx::DbWindow window = fmx::DbWindow::GetFirst();
        ASSERT_EQ(window.get(), static_cast<void*>(w));
        EXPECT_EQ(window.GetName(), "Contacts");
        EXPECT_EQ(window.GetUserMode(), signedMode ? -2 : 3);
        EXPECT_EQ(window.GetDatabase().get(), file);
        EXPECT_EQ(fmx::ImpOf<fmx::FmWindowImp>().ModelLayout(window.GetModel()), layout);
        EXPECT_FALSE(window.GetModelFlag());
        EXPECT_EQ(window.GetSecondModelFlag(), level >= 54);
        model.Word(HostField::kModelFlagB, 1u << 7);
        EXPECT_TRUE(window.GetModelFlag());
        EXPECT_FALSE(window.GetSecondModelFlag());

        // The paused field of a script runtime.
        HostObject runtime(0xFF);
        if (runtime.Kind(HostField::kRuntimePaused) == FieldKind::kByte)
            runtime.Byte(HostField::kRuntimePaused, 0);
        else
            runtime.Word(HostField::kRuntimePaused, 0);
        EXPECT_FALSE(mac::ReadPaused(runtime.bytes));
        HostObject paused(0);
        paused.Byte(HostField::kRuntimePaused, 1);
        EXPECT_TRUE(mac::ReadPaused(paused.bytes));
    });
}

INSTANTIATE_TEST_SUITE_P(Levels, ModelFields, ::testing::Values(50, 51, 53, 54, 55, 56));

TEST(HostFieldOffsets, MoveByFourBytesForEachPointerWordBelow)
{
    using fmapi::mac::HostFieldOffset;
    using fmapi::mac::HostFieldSpec;
    using fmapi::mac::WidenedOffset;
    // The user mode: a signed byte at 8 at 55, a word at 12 at 54 and 56.
    EXPECT_EQ(HostFieldSpec(HostField::kModelUserMode, 55).kind, FieldKind::kSignedByte);
    EXPECT_EQ(HostFieldSpec(HostField::kModelUserMode, 54).kind, FieldKind::kWord);
    EXPECT_EQ(HostFieldSpec(HostField::kModelUserMode, 56).kind, FieldKind::kWord);
    EXPECT_EQ(HostFieldOffset(HostField::kModelUserMode, 55), WidenedOffset(8, 1));   // file user at 4
    EXPECT_EQ(HostFieldOffset(HostField::kModelUserMode, 54), WidenedOffset(12, 2));  // file user, layout
    EXPECT_EQ(HostFieldOffset(HostField::kModelUserMode, 56), WidenedOffset(12, 1));
    // The older host's string holds its buffer pointer in its third word.
    EXPECT_EQ(HostFieldOffset(HostField::kModelFileUser, 50), WidenedOffset(84, 2));
    EXPECT_EQ(HostFieldOffset(HostField::kModelFileUser, 53), WidenedOffset(80, 2));
    EXPECT_EQ(HostFieldOffset(HostField::kModelWindowName, 55), WidenedOffset(88, 2));
    // From 54 a file user's path holder and its identifier are one word.
    EXPECT_EQ(HostFieldOffset(HostField::kFileUserPathHolder, 54),
              HostFieldOffset(HostField::kRecordIdentifier, 54));
    EXPECT_NE(HostFieldOffset(HostField::kFileUserPathHolder, 53),
              HostFieldOffset(HostField::kRecordIdentifier, 53));
    EXPECT_EQ(HostFieldSpec(HostField::kModelFlagA, 53).kind, FieldKind::kAbsent);
    // Every field fits the objects the host lays out.
    for (int level = 50; level <= 56; ++level)
        for (int f = 0; f < static_cast<int>(HostField::kCount); ++f)
            EXPECT_LE(HostFieldOffset(static_cast<HostField>(f), level) + sizeof(void*), 160u) << level << " " << f;
    EXPECT_EQ(fmapi::mac::DocumentWindowKind(14), 8);
    EXPECT_EQ(fmapi::mac::DocumentWindowKind(15), 9);
    EXPECT_EQ(fmapi::mac::DocumentWindowKind(49), 9);
    EXPECT_EQ(fmapi::mac::DocumentWindowKind(50), 10);
}

class FilePaths : public MacHostAccess, public ::testing::WithParamInterface<int> {};

TEST_P(FilePaths, ComeFromThePathHolderOrTheEmptyPath)
{
    pvtest::InFreshProcess([&] {
        Start(GetParam());
        HostObject fileUser(0);
        EXPECT_EQ(mac::FileUserPath(fileUser.bytes), mac::bound::EmptyUniversalPath());
        HostObject holder(0);
        fileUser.Pointer(HostField::kFileUserPathHolder, holder.bytes);
        EXPECT_EQ(static_cast<const void*>(mac::FileUserPath(fileUser.bytes)),
                  static_cast<const void*>(holder.bytes + holder.At(HostField::kPathHolderPath)));
        // From 54 the identifier is the low word of the holder's address.
        const void* address = holder.bytes;
        std::uint32_t low;
        std::memcpy(&low, &address, sizeof low);
        if (GetParam() >= 54)
            EXPECT_EQ(mac::ReadIdentifier(fileUser.bytes), low);
        else
            EXPECT_EQ(mac::ReadIdentifier(fileUser.bytes), 0u);
    });
}

INSTANTIATE_TEST_SUITE_P(Levels, FilePaths, ::testing::Values(53, 54));

TEST_F(MacHostAccess, OlderHostStringsAreBuiltByThePlugIn)
{
    pvtest::InFreshProcess([&] {
        Start(50);
        const std::int64_t live = LiveBlocks();
        {
            // An empty string has no buffer, and neither has its copy.
            mac::HostString empty;
            const mac::HostString copy(empty);
            EXPECT_EQ(reinterpret_cast<const fmapi::mac::HostString50*>(copy.get()->bytes)->buffer, nullptr);
            EXPECT_EQ(mac::HostStringLength(copy.get()), 0u);
            EXPECT_EQ(mac::HostStringText(copy.get())[0], 0);
            EXPECT_EQ(LiveBlocks(), live);

            // A string whose capacity says less than its text: the copy still
            // holds the text and its final zero, and keeps the capacity field.
            mac::HostString text;
            ASSERT_TRUE(mac::WriteHostString(text.get(), "0123456789"));
            EXPECT_EQ(LiveBlocks(), live + 1);
            reinterpret_cast<fmapi::mac::HostString50*>(text.get()->bytes)->capacity = 4;
            const mac::HostString full(text);
            EXPECT_EQ(LiveBlocks(), live + 2);
            const auto* form = reinterpret_cast<const fmapi::mac::HostString50*>(full.get()->bytes);
            EXPECT_EQ(form->capacity, 4u);
            EXPECT_EQ(std::u16string(form->buffer, form->length + 1), std::u16string(u"0123456789", 11));
            EXPECT_EQ(full.Utf8(), "0123456789");
        }
        EXPECT_EQ(LiveBlocks(), live);

        // Font names through a mapper over the file user, in the older form.
        Draco::FMFileUser* file = hostworld::World::Get().AddFile("Fonts.fmp12", "filemac:/HD/Fonts.fmp12");
        EXPECT_EQ(mac::FontName(file, 1), "Times New Roman");
        EXPECT_EQ(mac::FontName(file, 9), "");
        EXPECT_EQ(LiveBlocks(), live);
    });
}

TEST_F(MacHostAccess, HostStringsAreReadThroughOneBufferOf16384Bytes)
{
    pvtest::InFreshProcess([&] {
        Start(55);
        mac::HostString string;
        ASSERT_TRUE(mac::WriteHostString(string.get(), std::string(mac::kHostStringBufferSize, 'a')));
        std::string out = "before";
        ASSERT_TRUE(mac::ReadHostString(string.get(), out));
        EXPECT_EQ(out.size(), mac::kHostStringBufferSize);
        ASSERT_TRUE(mac::WriteHostString(string.get(), std::string(mac::kHostStringBufferSize + 1, 'a')));
        out = "before";
        EXPECT_FALSE(mac::ReadHostString(string.get(), out));
        EXPECT_EQ(out, "before");

        // The newer form through the host's members; three strings one after
        // another at the host's string size.
        const mac::HostString copy(string);
        EXPECT_EQ(mac::HostStringLength(copy.get()), mac::kHostStringBufferSize + 1);
        mac::UnistringData path;
        ASSERT_TRUE(path.Fill("filemac", "/HD/Files/", "a.fmp12"));
        EXPECT_EQ(reinterpret_cast<unsigned char*>(path.At(1)) - reinterpret_cast<unsigned char*>(path.At(0)),
                  static_cast<std::ptrdiff_t>(sizeof(fmapi::mac::HostString51)));
        const char* expected[] = {"filemac", "/HD/Files/", "a.fmp12"};
        for (int k = 0; k < 3; ++k) {
            std::string text;
            EXPECT_TRUE(mac::ReadHostString(path.At(k), text));
            EXPECT_EQ(text, expected[k]);
        }
        Draco::FMFileUser* file = hostworld::World::Get().AddFile("Fonts.fmp12", "filemac:/HD/Fonts.fmp12");
        EXPECT_EQ(mac::FontName(file, 2), "Courier New");
    });
}

TEST_F(MacHostAccess, DocumentWindowsAreFoundAmongTheProcessWindows)
{
    pvtest::InFreshProcess([&] {
        Start(55);
        // Back to front.
        HostObject& d = Model("D");
        const WindowRef dw = Window(&d);
        ASSERT_EQ(ZoomWindowIdeal(dw, inZoomOut, nullptr), noErr);
        HostObject& e = Model("E (dialog)");
        Dialog(e);
        HostObject& c = Model("C");
        CollapseWindow(Window(&c), true);
        HostObject& b = Model("B");
        HideWindow(Window(&b));
        HostObject& other = Model("Other kind");
        Window(&other, 8);
        const WindowRef bare = Window(nullptr);
        HostObject& a = Model("A");
        const WindowRef aw = Window(&a);
        HostObject& f = Model("F (dialog)");
        const WindowRef fw = Dialog(f);

        // The front window skips the dialog in front; the next window skips
        // windows without a model or of another kind, but not a dialog.
        const fmx::Session session = fmx::Session::GetCurrent();
        EXPECT_EQ(Names(session.GetWindows()), "A|B|C|E (dialog)|D");
        std::vector<std::int32_t> states;
        for (const fmx::DbWindow& w : session.GetWindows())
            states.push_back(w.GetState());
        EXPECT_EQ(states, (std::vector<std::int32_t>{0, 3, 2, 0, 1}));
        EXPECT_EQ(session.FindWindow("D").get(), static_cast<void*>(dw));
        EXPECT_TRUE(session.FindWindow("F (dialog)").IsEmpty());

        const fmx::DbWindow front = fmx::DbWindow::GetFirst();
        EXPECT_EQ(front.get(), static_cast<void*>(aw));
        EXPECT_EQ(front.GetHWND(), aw);
        EXPECT_EQ(fmx::DbWindow::FromHWND(front.GetHWND()), front);
        EXPECT_TRUE(fmx::DbWindow::FromHWND(bare).IsEmpty());
        EXPECT_TRUE(fmx::DbWindow::FromHWND(fw).IsEmpty());
        EXPECT_TRUE(front.IsValid());
        DisposeWindow(aw);
        Forget(aw);
        EXPECT_FALSE(front.IsValid());
        EXPECT_EQ(Names(session.GetWindows()), "B|C|E (dialog)|D");

        // Titles: UTF-8 of at most 255 bytes; a longer one reads as empty.
        fmx::FmWindowImp& imp = fmx::ImpOf<fmx::FmWindowImp>();
        CFStringRef title = CFStringCreateWithCString(nullptr, "Zoomed \xC3\xA9", kCFStringEncodingUTF8);
        SetWindowTitleWithCFString(dw, title);
        CFRelease(title);
        EXPECT_EQ(imp.PlatformTitle(dw), "Zoomed \xC3\xA9");
        const std::string longTitle(300, 't');
        title = CFStringCreateWithCString(nullptr, longTitle.c_str(), kCFStringEncodingUTF8);
        SetWindowTitleWithCFString(dw, title);
        CFRelease(title);
        EXPECT_EQ(imp.PlatformTitle(dw), "");
        macsetup::FailCalls("CopyWindowTitleAsCFString");
        EXPECT_EQ(imp.PlatformTitle(dw), "");
        macsetup::ClearFailures();
    });
}

TEST_F(MacHostAccess, AModalWindowBlocksScriptsThatCheckForIt)
{
    pvtest::InFreshProcess([&] {
        Start(55);
        HostObject& a = Model("A");
        Window(&a);
        const fmx::Session session = fmx::Session::GetCurrent();
        // No script runs (the host gives no environment here): idle.
        ASSERT_TRUE(session.IsIdle());
        EXPECT_FALSE(session.IsHostBlocked());
        EXPECT_EQ(session.IsReadyForScript(true), session.IsReadyForScript(false));

        // A floating window and a hidden modal dialog block nothing.
        WindowRef floating = nullptr;
        ASSERT_EQ(CreateNewWindow(kFloatingWindowClass, 0, nullptr, &floating), noErr);
        ShowWindow(floating);
        windows_.push_back(floating);
        DialogRef hidden = NewCDialog(nullptr, nullptr, nullptr, false, 5, nullptr, false, 0, nullptr);
        ASSERT_NE(hidden, nullptr);
        EXPECT_FALSE(session.IsHostBlocked());

        DialogRef alert = nullptr;
        ASSERT_EQ(CreateStandardAlert(kAlertStopAlert, nullptr, nullptr, nullptr, &alert), noErr);
        EXPECT_TRUE(session.IsHostBlocked());
        EXPECT_TRUE(session.IsReadyForScript(false));
        EXPECT_FALSE(session.IsReadyForScript(true));
        // Behind the document window it is still shown.
        SelectWindow(windows_.front());
        EXPECT_TRUE(session.IsHostBlocked());
        DisposeDialog(alert);
        EXPECT_FALSE(session.IsHostBlocked());
        ShowWindow(GetDialogWindow(hidden));
        EXPECT_TRUE(session.IsHostBlocked());
        DisposeDialog(hidden);
    });
}

TEST_F(MacHostAccess, UpToLevel51WindowsAreProtectedThroughTheirAttributes)
{
    pvtest::InFreshProcess([&] {
        Start(51);
        HostObject& a = Model("A");
        const WindowRef w = Window(&a);
        const fmx::DbWindow window = fmx::DbWindow::GetFirst();
        ASSERT_EQ(window.get(), static_cast<void*>(w));
        ASSERT_EQ(ChangeWindowAttributes(w, 0, 0xF0), noErr);
        WindowAttributes attributes = 0;
        window.SetWindowAttribute(true);
        GetWindowAttributes(w, &attributes);
        EXPECT_EQ(attributes, 0u);
        window.SetWindowAttribute(false);
        GetWindowAttributes(w, &attributes);
        EXPECT_EQ(attributes, kWindowStandardDocumentAttributes);
        // No extension library is looked for at this level.
        EXPECT_EQ(mac::WindowExtensionFunction(0), nullptr);
    });
}

TEST_F(MacHostAccess, AboveLevel51NothingHappensWithoutTheExtensionLibrary)
{
    pvtest::InFreshProcess([&] {
        Start(55);   // the product's bundle has no extension library
        HostObject& a = Model("A");
        const WindowRef w = Window(&a);
        fmx::DbWindow::GetFirst().SetWindowAttribute(true);
        WindowAttributes attributes = 0;
        GetWindowAttributes(w, &attributes);
        EXPECT_EQ(attributes, kWindowStandardDocumentAttributes);
        for (int i = 0; i < fmapi::mac::kWindowExtensionFunctionCount; ++i)
            EXPECT_EQ(mac::WindowExtensionFunction(i), nullptr);
    });
}

TEST_F(MacHostAccess, AboveLevel51TheExtensionLibraryProtectsWindows)
{
    pvtest::InFreshProcess([&] {
        pvtest::InstanceOverride extended(pvtest::BundleAt(PV_TEST_BUNDLES "/Extended.fmplugin"));
        Start(52);
        HostObject& a = Model("A");
        const WindowRef w = Window(&a);
        const fmx::DbWindow window = fmx::DbWindow::GetFirst();
        window.SetWindowAttribute(true);
        WindowAttributes attributes = 0;
        GetWindowAttributes(w, &attributes);
        EXPECT_EQ(attributes, 0u);
        window.SetWindowAttribute(false);
        GetWindowAttributes(w, &attributes);
        EXPECT_EQ(attributes, kWindowStandardDocumentAttributes);

        // 20 of the 21 functions are in the stand-in; the missing one stays null.
        for (int i = 0; i + 1 < fmapi::mac::kWindowExtensionFunctionCount; ++i)
            EXPECT_NE(mac::WindowExtensionFunction(i), nullptr) << fmapi::mac::kWindowExtensionFunctions[i];
        EXPECT_EQ(mac::WindowExtensionFunction(fmapi::mac::kWindowExtensionFunctionCount - 1), nullptr);
        EXPECT_EQ((mac::CallWindowExtension<20, void*>()), nullptr);
        const std::string library = PV_TEST_BUNDLES "/Extended.fmplugin/Contents/MacOS/libVellumar.dylib";
        NSSymbol calls = NSLookupAndBindSymbolWithHint("_VellumarDouble_SecureCalls", library.c_str());
        ASSERT_NE(calls, nullptr);
        EXPECT_EQ(reinterpret_cast<int (*)()>(NSAddressOfSymbol(calls))(), 2);
    });
}

} // namespace

namespace {

// A host object with the two reference-counting operations first in its
// virtual table.
class Counted {
public:
    virtual void Retain() { ++references; }
    virtual void Release() { --references; }
    virtual ~Counted() = default;
    int references = 1;
};

TEST(HostReferences, TakeAndDropThroughTheFirstTwoVirtualOperations)
{
    Counted a;
    Counted b;
    {
        mac::RefCountedObjPtr p(&a);
        EXPECT_EQ(a.references, 2);
        mac::RefCountedObjPtr q(p);
        EXPECT_EQ(a.references, 3);
        q = mac::RefCountedObjPtr(&b);
        EXPECT_EQ(a.references, 2);
        EXPECT_EQ(b.references, 2);
        p.Reset(nullptr);
        EXPECT_EQ(p.get(), nullptr);
        EXPECT_EQ(a.references, 1);
        const mac::RefCountedObjPtr& same = q;
        q = same;   // the same object: taken before it is dropped
        EXPECT_EQ(b.references, 2);
    }
    EXPECT_EQ(b.references, 1);
}

class ErrorRecords : public MacHostAccess, public ::testing::WithParamInterface<int> {};

TEST_P(ErrorRecords, SetTheirIndexThroughTheHost)
{
    pvtest::InFreshProcess([&] {
        Start(GetParam());
        const auto member = GetParam() < 51 ? fmapi::mac::SymbolId::Error_SetErrorIndex
                                            : fmapi::mac::SymbolId::Error_SetErrorIndexInternal;
        auto calls = reinterpret_cast<std::int32_t (*)(const char*)>(
            fmx::AccessMgr::GetInstance().FindFunction(mac::HostSupportModuleName(GetParam()), "_PVFramework_CallCount"));
        const std::int32_t before = calls(fmapi::mac::SymbolOf(member).id);
        const mac::ErrorRecord error(fmapi::mac::HostError{7, 3});
        mac::ErrorRecord copy(error);
        EXPECT_EQ(copy.get()->first, 7);
        EXPECT_EQ(copy.Index(), 3);
        copy.Clear();
        EXPECT_EQ(copy.Index(), 0);
        EXPECT_EQ(copy.get()->first, 7);
        copy = error;
        EXPECT_EQ(copy.Index(), 3);
        EXPECT_EQ(calls(fmapi::mac::SymbolOf(member).id), before + 3);
    });
}

INSTANTIATE_TEST_SUITE_P(Levels, ErrorRecords, ::testing::Values(50, 55));

class Catalogs : public MacHostAccess, public ::testing::WithParamInterface<int> {};

TEST_P(Catalogs, AreWalkedAndScriptsPerformedThroughTheFrameworks)
{
    pvtest::InFreshProcess([&] {
        Start(GetParam());
        hostworld::World& world = hostworld::World::Get();
        Draco::FMFileUser* file = world.AddFile("Contacts.fmp12", "filemac:/HD/Files/Contacts.fmp12");
        ASSERT_NE(file, nullptr);
        world.AddLayout(*file, "List", false, 0);
        world.AddLayout(*file, "Detail", true, 5);
        world.AddScript(*file, "Print All", 0);
        Draco::FMScript* exportScript = world.AddScript(*file, "Export", 4);
        world.AddWindow(*file, "Contacts", hostworld::WindowOptions{});

        const fmx::Database database(file);
        std::string names;
        for (const fmx::DbLayout& layout : database.GetLayouts())
            names += layout.GetName() + (layout.IsHidden() ? "(hidden)" : "") + "|";
        for (const fmx::DbScript& script : database.GetScripts())
            names += script.GetName() + "|";
        EXPECT_EQ(names, "List|Detail(hidden)|Print All|Export|");
        const fmx::DbScript found = database.FindScript("Export");
        ASSERT_FALSE(found.IsEmpty());
        EXPECT_EQ(found.GetDatabase(), database);
        EXPECT_EQ(database.GetFontName(0), "Arial");

        // Performed in the file's default window with the control value plus one.
        EXPECT_EQ(found.Perform(2, nullptr), 0);
        EXPECT_EQ(world.TakeJournal(),
                  std::vector<std::string>{"performed \"Contacts.fmp12\" \"Export\" param \"\" control 3 window \"Contacts\""});

        // The file's universal path lies in its path holder and names the file
        // for the host's own path members.
        const auto* path = reinterpret_cast<const fmapi::mac::UniversalPathLayout*>(
            fmx::ImpOf<fmx::FmDatabaseImp>().GetUniversalPath(file));
        ASSERT_NE(path, mac::bound::EmptyUniversalPath());
        EXPECT_EQ(path->record, file->path.imp);

        // No volume holds it yet: the file has no location, so no name.
        EXPECT_EQ(database.GetName(), "");
        EXPECT_EQ(database.GetPathText(), "");
        // On its volume the path's platform spec is the file itself (no name of
        // a file still to be made), and the file's location, name and path text
        // come from it.
        const std::string posix = MountVolumeWith("HD", "Files/Contacts.fmp12");
        FSRef expected;
        ASSERT_EQ(FSPathMakeRef(reinterpret_cast<const UInt8*>(posix.c_str()), &expected, nullptr), noErr);
        {
            fmapi::mac::FilePlatformSpecLayout spec{};
            mac::ConstructHostString(&spec.name);
            const fmapi::mac::HostError made =
                mac::bound::MakePlatformSpec(path, &spec, fmapi::mac::kHostEncodingUtf8, true, true);
            EXPECT_NE(made.first, 0);
            EXPECT_EQ(FSCompareFSRefs(reinterpret_cast<const FSRef*>(spec.ref.hidden), &expected), noErr);
            std::string specName = "unread";
            EXPECT_TRUE(mac::ReadHostString(&spec.name, specName));
            EXPECT_EQ(specName, "");
            mac::DestroyHostString(&spec.name);
        }
        EXPECT_EQ(database.GetName(), "Contacts.fmp12");
        EXPECT_EQ(database.GetPathText(), "filemac:/HD/Files/Contacts.fmp12");
        fmx::FilePath location;
        ASSERT_TRUE(location.SetFromText("filemac:/HD/Files/Contacts.fmp12"));
        EXPECT_EQ(database.GetFilePath(), location);

        // The running script: the host's script object, laid out for the level.
        world.SetRunning(exportScript, "", false);
        const Draco::ScriptRuntimeBase* runtime =
            fmx::ImpOf<fmx::FmSessionImp>().GetScriptRuntime(fmx::Session::GetCurrent().get());
        EXPECT_EQ(fmx::ImpOf<fmx::FmSessionImp>().GetScriptOfRuntime(const_cast<Draco::ScriptRuntimeBase*>(runtime)),
                  found);
        EXPECT_FALSE(fmx::Session::GetCurrent().IsScriptPaused());
        world.SetRunning(exportScript, "", true);
        EXPECT_TRUE(fmx::Session::GetCurrent().IsScriptPaused());

        // A script object of the host: its file user and key record.
        HostObject object(0xFF);
        object.Pointer(HostField::kMemberFileUser, file);
        object.Pointer(HostField::kRecordKey, exportScript->key.bytes);
        const fmx::DbScript running = fmx::ImpOf<fmx::FmScriptImp>().FromObject(
            reinterpret_cast<const Draco::FMScript*>(object.bytes));
        EXPECT_EQ(running, found);
        HostObject none(0);
        EXPECT_TRUE(fmx::ImpOf<fmx::FmScriptImp>().FromObject(reinterpret_cast<const Draco::FMScript*>(none.bytes))
                        .IsEmpty());
    });
}

INSTANTIATE_TEST_SUITE_P(Levels, Catalogs, ::testing::Values(50, 53, 54, 55));

} // namespace
