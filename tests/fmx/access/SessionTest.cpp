// The session, database, window, layout and script handles over the host's
// modules at API levels 52 to 55 (and 50 for the older host's font names):
// files and windows front to back, lookups by name and location, catalogs
// with sparse indexes, the main window, scripts and the script task.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/fmx/access/WorldHost.h"
#include "fmapi/fm_host.h"
#include "fmx/DbHandles.h"
#include "fmx/ExecuteScriptTask.h"
#include "fmx/Extensions.h"
#include "fmx/FmImp.h"
#include "plugin/CallContext.h"
#include "support/fresh_process.h"
#include "support/message_of.h"

namespace {

using namespace fmapi::sym;
using hostworld::MainWindow;
using hostworld::WindowOptions;

using pvtest::MessageOf;

template <class H>
std::string Names(const std::vector<H>& handles)
{
    std::string all;
    for (std::size_t i = 0; i < handles.size(); ++i)
        all += (i ? "|" : "") + handles[i].GetName();
    return all;
}

fmx::FilePath Path(const std::string& text)
{
    fmx::FilePath path;
    EXPECT_TRUE(path.SetFromText(text)) << text;
    return path;
}

std::string TextOf(const fmx::Data& data) { return fmx::Text(data.GetAsText()).GetUtf8(); }

void SetText(fmx::Data& data, const char* text)
{
    fmx::Text value;
    value.Assign(text);
    data.SetAsText(value, fmx::Locale());
}

WindowOptions Options(bool maximised = false, bool minimised = false, bool hidden = false, std::int32_t mode = 0,
                      bool flag = false, bool dialog = false)
{
    WindowOptions o;
    o.maximised = maximised;
    o.minimised = minimised;
    o.hidden = hidden;
    o.mode = mode;
    o.flag = flag;
    o.dialog = dialog;
    return o;
}

std::string Journal()
{
    std::string all;
    for (const std::string& entry : hostworld::World::Get().TakeJournal())
        all += (all.empty() ? "" : " | ") + entry;
    return all.empty() ? "none" : all;
}

class AtLevel : public ::testing::TestWithParam<int> {
protected:
    std::int16_t Level() const { return static_cast<std::int16_t>(GetParam()); }
    bool Newer() const { return Level() >= 54; }
    Draco::FMFileUser& File(const std::string& name, const std::string& folder = "filewin:/C:/Files/")
    {
        Draco::FMFileUser* file = world_.AddFile(name, folder + name);
        EXPECT_NE(file, nullptr) << name;
        return *file;
    }

    pvtest::WorldHost host_{Level()};
    hostworld::World& world_ = host_.world;
    const fmx::Session session_ = fmx::Session::GetCurrent();
};

INSTANTIATE_TEST_SUITE_P(Host, AtLevel, ::testing::Values(52, 53, 54, 55),
                         [](const ::testing::TestParamInfo<int>& info) { return "Level" + std::to_string(info.param); });

TEST_P(AtLevel, FilesAndWindowsFrontToBack)
{
    pvtest::InFreshProcess([&] {
        Draco::FMFileUser& a = File("A.fmp12");
        Draco::FMFileUser& b = File("B.x.fmp12");
        Draco::FMFileUser& remote = File("Remote.fmp12", "fmnet:/host.example/");
        File("C.fmp12");
        world_.AddWindow(a, "A1", Options());
        world_.AddWindow(a, "A2", Options(true, false, false, 2, true));
        world_.AddWindow(b, "B1", Options(false, true));
        world_.AddWindow(remote, "R1", Options(false, false, true));
        world_.AddWindow(a, "Dlg", Options(false, false, false, 0, false, true));
        world_.AddBareWindow("Bare", hostworld::kDocumentKind);

        EXPECT_EQ(session_.GetName(), "FileMaker Session");
        // From level 54 the window's kind tells a document window, below it its
        // model: the dialog counts only below 54, the window without a model only
        // from 54 (and has no name).
        EXPECT_EQ(Names(session_.GetWindows()), Newer() ? "|R1|B1|A2|A1" : "Dlg|R1|B1|A2|A1");
        EXPECT_EQ(Names(session_.GetDatabases()),
                  Newer() ? "Remote.fmp12|B.x.fmp12|A.fmp12" : "A.fmp12|Remote.fmp12|B.x.fmp12");
        // A file without a document window is not found.
        EXPECT_TRUE(session_.FindDatabaseByName("C.fmp12").IsEmpty());

        const fmx::Database fileA = session_.FindDatabaseByName("A.fmp12");
        EXPECT_EQ(Names(fileA.GetWindows()), Newer() ? "A2|A1" : "Dlg|A2|A1");
        EXPECT_EQ(fileA.GetFirstWindow().GetName(), Newer() ? "A2" : "Dlg");
        EXPECT_EQ(fileA.GetDefaultWindow().GetName(), "A1");
        EXPECT_EQ(fileA.FindWindow("A2").GetDatabase(), fileA);
        EXPECT_TRUE(fileA.FindWindow("B1").IsEmpty());
        EXPECT_EQ(fileA.GetPathText(), "filewin:/C:/Files/A.fmp12");
        EXPECT_EQ(session_.FindDatabaseByName("Remote.fmp12").GetPathText(), "fmnet:/host.example/Remote.fmp12");

        // State, user mode and the model's flag (bit 7 of a byte whose neighbours
        // all have bit 7 set).
        std::string states;
        for (const char* title : {"A1", "A2", "B1", "R1"}) {
            const fmx::DbWindow window = session_.FindWindow(title);
            states += std::to_string(window.GetState()) + std::to_string(window.GetUserMode()) +
                      (window.GetModelFlag() ? "f " : "- ");
            EXPECT_EQ(fmx::DbWindow::FromHWND(window.GetHWND()), window) << title;
        }
        EXPECT_EQ(states, "00- 12f 20- 30- ");
        EXPECT_TRUE(fmx::DbWindow::FromHWND(reinterpret_cast<win32::HWND>(world_.MainWindowHandle())).IsEmpty());
        EXPECT_TRUE(fmx::DbWindow::FromHWND(nullptr).IsEmpty());

        if (Newer()) {
            const fmx::DbWindow bare = fmx::DbWindow::GetFirst();
            EXPECT_EQ(bare.GetModel(), nullptr);
            EXPECT_EQ(bare.GetUserMode(), 0);
            EXPECT_FALSE(bare.GetModelFlag());
            EXPECT_TRUE(bare.GetDatabase().IsEmpty());
            EXPECT_TRUE(bare.GetLayout().IsEmpty());
        }
        // The session was asked for once.
        EXPECT_EQ(fmx::Session::GetCurrent(), session_);
        EXPECT_EQ(host_.Calls(DBSession_GetSessionFromID::entry), 1);
    });
}

TEST_P(AtLevel, FindsFilesByNameAndLocation)
{
    pvtest::InFreshProcess([&] {
        const std::string name256 = std::string(250, 'n') + ".fmp12";
        const std::string name257 = std::string(251, 'm') + ".fmp12";
        for (const std::string& name : {std::string("A.fmp12"), std::string("Two.Dots.fmp12"), std::string(".hidden"),
                                        name256, name257})
            world_.AddWindow(File(name), name, Options());
        world_.AddWindow(File("Remote.fmp12", "fmnet:/host.example/"), "R", Options());
        File("C.fmp12");
        const std::string title255(255, 'w'), title256(256, 'v');
        world_.AddWindow(*world_.FindFile("A.fmp12"), title255, Options());
        world_.AddWindow(*world_.FindFile("A.fmp12"), title256, Options());

        // No location, or a relative one, is never looked for.
        const std::int32_t walks = host_.Calls(XMLWindow_FrontWindow::entry);
        EXPECT_TRUE(session_.FindDatabase(fmx::FilePath()).IsEmpty());
        EXPECT_TRUE(session_.FindDatabase(Path("file:A.fmp12")).IsEmpty());
        EXPECT_EQ(host_.Calls(XMLWindow_FrontWindow::entry), walks);

        EXPECT_EQ(session_.FindDatabase(Path("fmname:A.fmp12")).GetName(), "A.fmp12");
        EXPECT_EQ(session_.FindDatabase(Path("fmname:" + name256)).GetName(), name256);
        EXPECT_TRUE(session_.FindDatabase(Path("fmname:" + name257)).IsEmpty());
        EXPECT_EQ(session_.FindDatabase(Path("filewin:/C:/Files/A.fmp12")).GetName(), "A.fmp12");
        EXPECT_TRUE(session_.FindDatabase(Path("filewin:/D:/Files/A.fmp12")).IsEmpty());
        EXPECT_TRUE(session_.FindDatabase(Path("filemac:/Files/A.fmp12")).IsEmpty());
        EXPECT_TRUE(Path("fmnet:/host.example/Remote.fmp12").Exists());
        EXPECT_FALSE(Path("fmnet:/other.example/Remote.fmp12").Exists());
        EXPECT_TRUE(Path("fmname:Two.Dots.fmp12").Exists());
        EXPECT_FALSE(Path("fmname:C.fmp12").Exists());

        // Without the last extension: from the last dot that is not the first
        // character.
        EXPECT_EQ(session_.FindDatabaseByName("Two.Dots", 0, true).GetName(), "Two.Dots.fmp12");
        EXPECT_TRUE(session_.FindDatabaseByName("Two", 0, true).IsEmpty());
        EXPECT_TRUE(session_.FindDatabaseByName("Two.Dots").IsEmpty());
        EXPECT_EQ(session_.FindDatabaseByName(".hidden", 0, true).GetName(), ".hidden");
        EXPECT_EQ(session_.FindDatabaseByName("A.fmp12 and more", 7).GetName(), "A.fmp12");
        EXPECT_TRUE(session_.FindDatabaseByName("", 0, true).IsEmpty());
        EXPECT_TRUE(session_.FindDatabaseByName(nullptr).IsEmpty());

        // Window names shorter than 256 bytes.
        EXPECT_EQ(session_.FindWindow(title255.c_str()).GetName(), title255);
        EXPECT_TRUE(session_.FindWindow(title256.c_str()).IsEmpty());
        EXPECT_TRUE(session_.FindDatabaseByName("A.fmp12").FindWindow(title256.c_str()).IsEmpty());
    });
}

TEST_P(AtLevel, CatalogsAreWalkedBySparseIndexUpToTheLast16BitOne)
{
    pvtest::InFreshProcess([&] {
        Draco::FMFileUser& a = File("A.fmp12");
        hostworld::Window* first = world_.AddWindow(a, "A1", Options());
        world_.AddWindow(a, "A2", Options());
        const std::string name100(100, 'x'), name101(101, 'y');
        world_.AddLayout(a, "List", false, 0);
        world_.AddLayout(a, "Detail", true, 5);
        world_.AddLayout(a, name100, false, 6);
        world_.AddLayout(a, name101, false, 7);
        world_.AddLayout(a, "Far", false, 65535);
        a.layouts.memberCount = 70000;
        world_.AddScript(a, "Two", 2);
        world_.AddScript(a, "Four", 4);
        a.scripts.memberCount = 3;
        world_.SetWindowLayout(*first, world_.FindLayout(a, "Detail"));

        const fmx::Database file = session_.FindDatabaseByName("A.fmp12");
        EXPECT_EQ(Names(file.GetLayouts()), "List|Detail|" + name100 + "|" + name101 + "|Far");
        EXPECT_TRUE(file.FindLayout("Detail").IsHidden());
        EXPECT_FALSE(file.FindLayout("Far").IsHidden());
        EXPECT_EQ(file.FindLayout(name100.c_str()).GetName(), name100);
        EXPECT_TRUE(file.FindLayout(name101.c_str()).IsEmpty());
        EXPECT_EQ(file.FindLayout("List").GetDatabase(), file);
        // Members beyond the count are not walked.
        EXPECT_EQ(Names(file.GetScripts()), "Two");
        EXPECT_TRUE(file.FindScript("Four").IsEmpty());
        EXPECT_EQ(file.FindScript("Two").GetDatabase(), file);

        // The current layout: through the model below level 54, read from it from 54.
        EXPECT_EQ(session_.FindWindow("A1").GetLayout(), file.FindLayout("Detail"));
        EXPECT_TRUE(session_.FindWindow("A2").GetLayout().IsEmpty());
        EXPECT_EQ(host_.Calls(FMWindowModel_GetLayout::entry) > 0, !Newer());

        // One key is kept per member however often the catalog is walked.
        const fmx::CatalogKeys& keys = fmx::ImpOf<fmx::FmLayoutImp>().Keys();
        EXPECT_EQ(keys.Count(), 5u);
        file.GetLayouts();
        file.FindLayout("nothing");
        EXPECT_EQ(keys.Count(), 5u);
    });
}

TEST_P(AtLevel, ScriptsRunOnlyWhenTheHostIsReady)
{
    pvtest::InFreshProcess([&] {
        Draco::FMFileUser& a = File("A.fmp12");
        world_.AddWindow(a, "A1", Options());
        world_.AddWindow(a, "A2", Options());
        Draco::FMScript* running = world_.AddScript(a, "Report", 0);
        world_.AddScript(a, "Mail", 0);
        const fmx::DbScript report = session_.FindDatabaseByName("A.fmp12").FindScript("Report");
        const fmx::FilePath location = Path("fmname:A.fmp12");
        const std::string mainClass = world_.MainWindowClass(1);
        fmx::Data text, number, boolean, parameter;
        SetText(text, "x");
        number.SetAsNumber(fmx::FixPt(12));
        boolean.SetAsNumber(fmx::FixPt(1), kFMTypeBoolean);

        EXPECT_TRUE(session_.IsIdle());
        EXPECT_TRUE(session_.IsReadyForScript(true));
        EXPECT_TRUE(session_.GetRunningScript().IsEmpty());
        EXPECT_EQ(session_.GetScriptParameter(parameter), 0);
        EXPECT_EQ(TextOf(parameter), "");

        // A running script holds everything back.
        world_.SetRunning(running, "p", false);
        EXPECT_FALSE(session_.IsIdle());
        EXPECT_FALSE(session_.IsReadyForScript(false));
        EXPECT_EQ(session_.GetRunningScript(), report);
        EXPECT_EQ(session_.GetRunningScriptChecked(), report);
        EXPECT_EQ(session_.GetScriptParameter(parameter), 0);
        EXPECT_EQ(TextOf(parameter), "p");
        EXPECT_EQ(report.Perform(0, nullptr), 13);
        EXPECT_EQ(fmx::ExecuteScriptTask::Execute(0, location, "Report", nullptr), 13);

        // A paused one does not.
        world_.SetRunning(running, "p", true);
        EXPECT_TRUE(session_.IsIdle());
        EXPECT_TRUE(session_.IsScriptPaused());
        EXPECT_EQ(session_.GetRunningScript(), report);
        EXPECT_TRUE(session_.GetRunningScriptChecked().IsEmpty());
        EXPECT_EQ(report.Perform(2, text.get()), 0);

        // A disabled main window holds back only what checks for it.
        world_.SetRunning(nullptr, "", false);
        world_.SetMainWindow(MainWindow::kDisabled, mainClass);
        EXPECT_TRUE(session_.IsReadyForScript(false));
        EXPECT_FALSE(session_.IsReadyForScript(true));
        EXPECT_EQ(fmx::ExecuteScriptTask::Execute(0, location, "Report", nullptr), 13);
        EXPECT_EQ(report.Perform(0, number.get()), 0);
        world_.SetMainWindow(MainWindow::kEnabled, mainClass);
        EXPECT_EQ(fmx::ExecuteScriptTask::Execute(0, location, "Missing", nullptr), 8);
        EXPECT_EQ(fmx::ExecuteScriptTask::Execute(0, Path("fmname:B.fmp12"), "Report", nullptr), 8);
        EXPECT_EQ(fmx::ExecuteScriptTask::Execute(4, location, "Mail", boolean.get()), 0);
        // In the default window, with the control value plus one; a boolean is no
        // parameter.
        EXPECT_EQ(Journal(), "performed \"A.fmp12\" \"Report\" param \"x\" control 3 window \"A1\" | "
                             "performed \"A.fmp12\" \"Report\" param \"12\" control 1 window \"A1\" | "
                             "performed \"A.fmp12\" \"Mail\" param \"\" control 5 window \"A1\"");

        // Without a default window the host is not called.
        world_.SetDefaultWindow(a, nullptr);
        const auto& callScript = Level() < 54 ? ScriptRuntimeBase_CallScript53::entry
                                 : Level() == 54 ? ScriptRuntimeBase_CallScript54::entry
                                                 : ScriptRuntimeBase_CallScript55::entry;
        const std::int32_t calls = host_.Calls(callScript);
        EXPECT_EQ(calls, 3);
        EXPECT_EQ(report.Perform(0, nullptr), 1);
        EXPECT_EQ(host_.Calls(callScript), calls);
        EXPECT_EQ(Journal(), "none");
    });
}

std::vector<std::int32_t> g_told;

void Told(std::int32_t state, std::uintptr_t context)
{
    g_told.push_back(state);
    EXPECT_EQ(context, 42u);
}

TEST_P(AtLevel, ScriptTaskWaitsAndAlwaysTellsTheEnd)
{
    pvtest::InFreshProcess([&] {
        Draco::FMFileUser& a = File("A.fmp12");
        world_.AddWindow(a, "A1", Options());
        Draco::FMScript* running = world_.AddScript(a, "Report", 0);
        fmx::Data text, boolean;
        SetText(text, "x");
        boolean.SetAsNumber(fmx::FixPt(1), kFMTypeBoolean);
        const fmx::FilePath location = Path("filewin:/C:/Files/A.fmp12");

        fmx::ExecuteScriptTask task(1, location, "Report", text.get(), Told, 42);
        text.Clear();   // the task holds its own copy
        world_.SetRunning(running, "", false);
        EXPECT_FALSE(task.Run());
        world_.SetRunning(nullptr, "", false);
        world_.SetMainWindow(MainWindow::kDisabled, world_.MainWindowClass(1));
        EXPECT_FALSE(task.Run());
        EXPECT_TRUE(g_told.empty());
        world_.SetMainWindow(MainWindow::kEnabled, world_.MainWindowClass(1));
        EXPECT_TRUE(task.Run());
        EXPECT_EQ(g_told, (std::vector<std::int32_t>{0, 1}));
        EXPECT_EQ(Journal(), "performed \"A.fmp12\" \"Report\" param \"x\" control 2 window \"A1\"");

        // A missing script ends the task untold; a failing call is still told.
        g_told.clear();
        EXPECT_TRUE(fmx::ExecuteScriptTask(0, location, "Missing", nullptr, Told, 42).Run());
        EXPECT_TRUE(g_told.empty());
        world_.FailScriptCalls(true);
        fmx::ExecuteScriptTask failing(0, location, "Report", boolean.get(), Told, 42);
        EXPECT_THROW(failing.Run(), std::runtime_error);
        EXPECT_EQ(g_told, (std::vector<std::int32_t>{0, 1}));
        world_.FailScriptCalls(false);

        // Queued through the file: it runs at the next idle message.
        g_told.clear();
        ASSERT_TRUE(session_.FindDatabaseByName("A.fmp12").ExecuteScript("Report", boolean.get(), 0, Told, 42));
        EXPECT_EQ(Journal(), "none");
        fmapi::CallRecord idle{};
        fmx::IdleTaskMgr::GetInstance().ProcessIdle(idle);
        EXPECT_EQ(Journal(), "performed \"A.fmp12\" \"Report\" param \"\" control 1 window \"A1\"");
        EXPECT_EQ(fmx::IdleTaskMgr::GetInstance().TaskCount(), 0u);
    });
}

// The main window by the class FileMaker has at a level for an application
// kind, among windows of this process and another.
class MainWindowSearch : public ::testing::TestWithParam<std::tuple<int, int, const char*>> {};

INSTANTIATE_TEST_SUITE_P(Host, MainWindowSearch,
                         ::testing::Values(std::make_tuple(52, 1, "FMPRO7APP"), std::make_tuple(54, 2, "FMPRO7RUNTIME"),
                                           std::make_tuple(55, 1, "FMPRO11.0APP"),
                                           std::make_tuple(55, 2, "FMPRO11.0RUNTIME")),
                         [](const auto& info) {
                             return "Level" + std::to_string(std::get<0>(info.param)) + "Kind" +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST_P(MainWindowSearch, FindsItsClassInThisProcessAndKeepsWhatItFound)
{
    pvtest::InFreshProcess([&] {
        const auto [level, kind, wanted] = GetParam();
        pvtest::WorldHost host(static_cast<std::int16_t>(level), static_cast<std::uint8_t>(kind));
        hostworld::World& world = host.world;
        const fmx::Session session = fmx::Session::GetCurrent();
        world.SetMainWindow(MainWindow::kNone, "");
        EXPECT_EQ(session.GetHostMainWindow(), nullptr);
        EXPECT_TRUE(session.IsHostBlocked());

        // Not kept while none was found.
        world.SetMainWindow(MainWindow::kEnabled, wanted);
        const auto main = reinterpret_cast<win32::HWND>(world.MainWindowHandle());
        world.AddPlainWindow(wanted, true);
        for (const char* other : {"FMPRO7APP", "FMPRO7RUNTIME", "FMPRO11.0APP", "FMPRO11.0RUNTIME"})
            if (std::string(other) != wanted)
                world.AddPlainWindow(other, false);
        world.AddPlainWindow(std::string(wanted) + "X", false);
        EXPECT_EQ(session.GetHostMainWindow(), main);
        EXPECT_FALSE(session.IsHostBlocked());
        world.SetMainWindow(MainWindow::kDisabled, wanted);
        EXPECT_TRUE(session.IsHostBlocked());

        // Kept after its window is gone, until asked to look again.
        world.SetMainWindow(MainWindow::kNone, "");
        world.SetMainWindow(MainWindow::kEnabled, wanted);
        EXPECT_EQ(session.GetHostMainWindow(), main);
        EXPECT_TRUE(session.IsHostBlocked());
        EXPECT_EQ(session.GetHostMainWindow(true), reinterpret_cast<win32::HWND>(world.MainWindowHandle()));
        EXPECT_FALSE(session.IsHostBlocked());
    });
}

TEST(Desktop, NoWindowsUntilTheHostSetsItsDesktopUp)
{
    pvtest::InFreshProcess([&] {
        hostworld::World& world = hostworld::World::Get();
        world.SetMainWindow(MainWindow::kEnabled, "FMPRO7APP");
        const auto main = reinterpret_cast<win32::HWND>(world.MainWindowHandle());
        char name[8] = "x";
        EXPECT_EQ(win32::GetDesktopWindow(), nullptr);
        EXPECT_FALSE(win32::IsWindow(main));
        EXPECT_EQ(win32::GetClassNameA(main, name, sizeof name), 0);
        EXPECT_EQ(win32::GetWindowThreadProcessId(main, nullptr), 0u);

        world.SetUpDesktop();
        const win32::HWND desktop = win32::GetDesktopWindow();
        ASSERT_NE(desktop, nullptr);
        EXPECT_EQ(win32::GetWindow(desktop, win32::kGwChild), main);
        EXPECT_EQ(win32::GetWindow(main, win32::kGwHwndNext), nullptr);
        win32::DWORD process = 0;
        EXPECT_NE(win32::GetWindowThreadProcessId(main, &process), 0u);
        EXPECT_EQ(process, win32::GetCurrentProcessId());
        // The class name is cut to the buffer.
        EXPECT_EQ(win32::GetClassNameA(main, name, 6), 5);
        EXPECT_STREQ(name, "FMPRO");
        EXPECT_TRUE(win32::IsWindowEnabled(main));
        world.SetMainWindow(MainWindow::kDisabled, "FMPRO7APP");
        EXPECT_FALSE(win32::IsWindowEnabled(main));
        EXPECT_EQ(win32::GetWindowLongA(main, win32::kGwlStyle) & 0x08000000, 0x08000000);
    });
}

TEST(CatalogKeys, LengthPrefixedDataMustFitTheKey)
{
    pvtest::InFreshProcess([&] {
        auto copy = [](const std::uint8_t* data) {
            return MessageOf([&] {
                Draco::HBAbstractKey key;
                fmx::CopyKeyData(data, key);
            });
        };
        const std::uint8_t five[] = {5, 1, 2, 3, 4, 5};
        const std::uint8_t six[] = {6, 1, 2, 3, 4, 5, 6};
        const std::uint8_t none[] = {0};
        EXPECT_EQ(copy(five), "(no exception)");
        EXPECT_EQ(copy(six), "invalid key data");
        EXPECT_EQ(copy(none), "invalid key data");
        EXPECT_EQ(copy(nullptr), "invalid key data");
        Draco::HBAbstractKey key;
        fmx::CopyKeyData(five, key);
        EXPECT_EQ(fmx::KeyData(key), std::string("\x05\x01\x02\x03\x04\x05", 6));
        key.bytes[0] = 9;
        EXPECT_THROW(fmx::KeyData(key), std::invalid_argument);
    });
}

TEST(Handles, EmptyOnesThrowAndEqualOnesShareTheirPointer)
{
    pvtest::InFreshProcess([&] {
        pvtest::HostEnv env(54);
        for (const auto& call : std::vector<std::function<void()>>{
                 [] { fmx::Session().GetName(); }, [] { fmx::Session().IsReadyForScript(false); },
                 [] { fmx::Database().GetName(); }, [] { fmx::DbWindow().GetState(); },
                 [] { fmx::DbLayout().IsHidden(); }, [] { fmx::DbScript().Perform(0, nullptr); }})
            EXPECT_EQ(MessageOf(call), "Bad access to FileMaker object");
        int x = 0, y = 0;
        const auto* p = reinterpret_cast<Draco::FMFileUser*>(&x);
        EXPECT_EQ(fmx::Database(const_cast<Draco::FMFileUser*>(p)), fmx::Database(const_cast<Draco::FMFileUser*>(p)));
        EXPECT_NE(fmx::Database(const_cast<Draco::FMFileUser*>(p)), fmx::Database(reinterpret_cast<Draco::FMFileUser*>(&y)));
        EXPECT_NE(fmx::Database(const_cast<Draco::FMFileUser*>(p)), fmx::Database());
        // Without the host's modules the binding reports its own failure.
        EXPECT_EQ(MessageOf([] { fmx::DbWindow::GetFirst(); }), "static function loading failed");
    });
}

TEST(OlderHost, FontNamesComeFromTheFileOfTheEnvironment)
{
    pvtest::InFreshProcess([&] {
        pvtest::WorldHost host(50);
        Draco::FMFileUser* file = host.world.AddFile("A.fmp12", "filewin:/C:/Files/A.fmp12");
        file->fonts = {u"Arial", u"Georgia"};
        fmx::ExprEnv env;
        fmx::Data data;
        fmx::Text name;
        std::int16_t script = 7;
        EXPECT_FALSE(fmx::GetFontInfo(data.get(), 1, name, script, nullptr));
        EXPECT_FALSE(fmx::GetFontInfo(data.get(), 1, name, script, env.get()));
        FMH_ExprEnv_SetFile(file);
        FMH_ExprEnv_FillCurrent(const_cast<FMExprEnv*>(env.get()));
        EXPECT_TRUE(fmx::GetFontInfo(data.get(), 1, name, script, env.get()));
        EXPECT_EQ(name.GetUtf8(), "Georgia");
        EXPECT_EQ(script, 0);

        // The current file is the innermost function call's, if that is on top.
        const fmx::Session session = fmx::Session::GetCurrent();
        EXPECT_TRUE(session.GetCurrentDatabase().IsEmpty());
        __Quarrow__::CallContextScope call(__Quarrow__::CallContext::kFunctionCall, 1, env.get());
        EXPECT_EQ(session.GetCurrentDatabase().get(), file);
        {
            __Quarrow__::CallContextScope message(__Quarrow__::CallContext::kMessage, 1);
            EXPECT_TRUE(session.GetCurrentDatabase().IsEmpty());
        }
        // The old-style call has no environment.
        __Quarrow__::CallContextScope oldStyle(__Quarrow__::CallContext::kFunctionCall, 2, nullptr);
        EXPECT_TRUE(session.GetCurrentDatabase().IsEmpty());
    });
}

} // namespace
