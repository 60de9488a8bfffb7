#include "fmhost/WorldScript.h"

#include <charconv>

#include "fmhost/MacHost.h"
#include "fmhost/MacWindows.h"
#include "fmhost/Output.h"
#include "fmhost/Values.h"
#include "world/World.h"

namespace fmhost {
namespace {

using hostworld::World;

struct Mistake {
    std::size_t at;
    std::string message;
};

class WordReader {
public:
    explicit WordReader(const std::vector<DirectiveWord>& words) : words_(words) {}

    bool AtEnd() const { return at_ >= words_.size(); }
    std::size_t Position() const { return at_; }

    // Any part (a name, a title, a text).
    const std::string& Text(const char* what)
    {
        if (AtEnd())
            throw Mistake{at_, std::string(what) + " is missing"};
        return words_[at_++].text;
    }

    // Whether the part at hand is the word `keyword`; if so it is taken.
    bool Keyword(std::string_view keyword)
    {
        if (AtEnd() || words_[at_].quoted || words_[at_].text != keyword)
            return false;
        ++at_;
        return true;
    }

    unsigned long Number(const char* what, unsigned long min, unsigned long max)
    {
        if (AtEnd())
            throw Mistake{at_, std::string(what) + " is missing"};
        const std::string& w = words_[at_].text;
        unsigned long v = 0;
        auto r = std::from_chars(w.data(), w.data() + w.size(), v);
        if (words_[at_].quoted || r.ec != std::errc() || r.ptr != w.data() + w.size() || v < min || v > max)
            throw Mistake{at_, std::string(what) + " must be a whole number from " + std::to_string(min) + " to " +
                                   std::to_string(max) + ", not \"" + w + "\""};
        ++at_;
        return v;
    }

    void End()
    {
        if (!AtEnd())
            throw Mistake{at_, "unexpected \"" + words_[at_].text + "\""};
    }

    [[noreturn]] void Unexpected()
    {
        throw Mistake{at_, AtEnd() ? std::string("a part is missing") : "unexpected \"" + words_[at_].text + "\""};
    }

private:
    const std::vector<DirectiveWord>& words_;
    std::size_t at_ = 0;
};

// What a directive says, read once to check it and once to run it.
struct Directive {
    std::string name;
    std::string file;                 // FILE, or the title of #windowlayout
    std::string second;               // NAME, TITLE, SCRIPT, LAYOUT, LOCATION, CLASS
    bool none = false;                // #defaultwindow, #running, #current; #mainwindow none
    hostworld::WindowOptions window;  // #window
    bool hidden = false;              // #layout
    unsigned long number = 0;         // INDEX or COUNT (0: none given)
    std::string parameter;            // #running
    bool paused = false;
    bool disabled = false;            // #mainwindow
    bool haveSecond = false;
};

Directive Read(std::string_view name, const std::vector<DirectiveWord>& words)
{
    Directive d;
    d.name = std::string(name);
    WordReader p(words);
    if (name == "#file") {
        d.file = p.Text("the file name");
        if (!p.AtEnd()) {
            d.second = p.Text("the location");
            d.haveSecond = true;
        }
    } else if (name == "#window") {
        d.file = p.Text("the file name");
        d.second = p.Text("the window title");
        while (!p.AtEnd()) {
            const std::size_t at = p.Position();
            bool again = false;
            if (p.Keyword("hidden")) {
                again = d.window.hidden;
                d.window.hidden = true;
            } else if (p.Keyword("maximised")) {
                again = d.window.maximised || d.window.minimised;
                d.window.maximised = true;
            } else if (p.Keyword("minimised")) {
                again = d.window.maximised || d.window.minimised;
                d.window.minimised = true;
            } else if (p.Keyword("mode")) {
                d.window.mode = static_cast<std::int32_t>(p.Number("the user mode", 0, 255));
            } else if (p.Keyword("flag")) {
                again = d.window.flag;
                d.window.flag = true;
            } else if (p.Keyword("dialog")) {
                again = d.window.dialog;
                d.window.dialog = true;
            } else {
                p.Unexpected();
            }
            if (again)
                throw Mistake{at, "\"" + words[at].text + "\" goes against what is said before"};
        }
    } else if (name == "#layout" || name == "#script") {
        d.file = p.Text("the file name");
        d.second = p.Text(name == "#layout" ? "the layout name" : "the script name");
        if (name == "#layout" && p.Keyword("hidden"))
            d.hidden = true;
        if (p.Keyword("at"))
            d.number = p.Number("the index", 1, 65535);
        p.End();
    } else if (name == "#layouts" || name == "#scripts") {
        d.file = p.Text("the file name");
        d.number = p.Number("the member count", 0, 0xFFFFFFFFul);
        p.End();
    } else if (name == "#windowlayout") {
        d.file = p.Text("the window title");
        d.second = p.Text("the layout name");
        p.End();
    } else if (name == "#defaultwindow") {
        d.file = p.Text("the file name");
        d.none = p.Keyword("none");
        if (!d.none)
            d.second = p.Text("the window title");
        p.End();
    } else if (name == "#running") {
        d.none = p.Keyword("none");
        if (!d.none) {
            d.file = p.Text("the file name");
            d.second = p.Text("the script name");
            if (p.Keyword("param"))
                d.parameter = p.Text("the parameter");
            d.paused = p.Keyword("paused");
        }
        p.End();
    } else if (name == "#current") {
        d.none = p.Keyword("none");
        if (!d.none)
            d.file = p.Text("the file name");
        p.End();
    } else if (name == "#mainwindow") {
        const bool enabled = p.Keyword("enabled");
        d.disabled = !enabled && p.Keyword("disabled");
        d.none = !enabled && !d.disabled && p.Keyword("none");
        if (!enabled && !d.disabled && !d.none)
            throw Mistake{p.Position(), "expected enabled, disabled or none"};
        if (p.Keyword("class")) {
            d.second = p.Text("the class name");
            d.haveSecond = true;
        }
        p.End();
    } else if (name == "#otherwindow") {
        d.second = p.Text("the class name");
        p.End();
    } else if (name == "#activate") {
        p.End();
    } else if (name == "#modal") {
        for (const char* what : {"alert", "hidden", "none"})
            if (d.second.empty() && p.Keyword(what))
                d.second = what;
        if (d.second.empty())
            throw Mistake{p.Position(), "expected alert, hidden or none"};
        p.End();
    }
    return d;
}

[[noreturn]] void Fail(const std::string& message) { throw HostFailure(message); }

Draco::FMFileUser& FileNamed(const std::string& name)
{
    Draco::FMFileUser* file = World::Get().FindFile(name);
    if (!file)
        Fail("unknown file \"" + name + "\"");
    return *file;
}

hostworld::Window& WindowTitled(const std::string& title)
{
    hostworld::Window* window = World::Get().FindWindow(title);
    if (!window || !window->model)
        Fail("unknown window \"" + title + "\"");
    return *window;
}

} // namespace

bool IsWorldDirective(std::string_view name)
{
    for (const char* known : {"#file", "#window", "#layout", "#layouts", "#script", "#scripts", "#windowlayout",
                              "#defaultwindow", "#running", "#current", "#mainwindow", "#otherwindow", "#activate",
                              "#modal"})
        if (name == known)
            return true;
    return false;
}

bool CheckWorldDirective(std::string_view name, const std::vector<DirectiveWord>& words, std::size_t* at,
                         std::string* message)
{
    try {
        Read(name, words);
        return true;
    } catch (const Mistake& m) {
        *at = m.at;
        *message = m.message;
        return false;
    }
}

void RunWorldDirective(const Command& command, int appKind)
{
    const Directive d = Read(command.directive, command.words);
    World& world = World::Get();
    if (d.name == "#file") {
        const std::string location = d.haveSecond ? d.second : "filewin:/C:/Files/" + d.file;
        if (!world.AddFile(d.file, location))
            Fail("the file \"" + d.file + "\" cannot be opened at \"" + location +
                 "\" (a name that is taken, or a location without a prefix or not ending in the name)");
        // The mac host's open files are on disk where a mounted volume holds them.
        if (MacWindowsStarted())
            PlaceMacFile(location);
    } else if (d.name == "#window") {
        const hostworld::Window* added = world.AddWindow(FileNamed(d.file), d.second, d.window);
        if (added)
            AddMacWindow(*added, d.window);
    } else if (d.name == "#layout" || d.name == "#script") {
        Draco::FMFileUser& file = FileNamed(d.file);
        const auto index = static_cast<std::uint16_t>(d.number);
        const bool added = d.name == "#layout" ? world.AddLayout(file, d.second, d.hidden, index) != nullptr
                                               : world.AddScript(file, d.second, index) != nullptr;
        if (!added)
            Fail("the name \"" + d.second + "\" or the index is taken in \"" + d.file + "\"");
    } else if (d.name == "#layouts") {
        FileNamed(d.file).layouts.memberCount = static_cast<std::uint32_t>(d.number);
    } else if (d.name == "#scripts") {
        FileNamed(d.file).scripts.memberCount = static_cast<std::uint32_t>(d.number);
    } else if (d.name == "#windowlayout") {
        hostworld::Window& window = WindowTitled(d.file);
        const Draco::FMLayout* layout = world.FindLayout(*window.model->file, d.second);
        if (!layout)
            Fail("unknown layout \"" + d.second + "\"");
        world.SetWindowLayout(window, layout);
        UpdateMacWindowLayout(window);
    } else if (d.name == "#defaultwindow") {
        Draco::FMFileUser& file = FileNamed(d.file);
        hostworld::Window* window = d.none ? nullptr : &WindowTitled(d.second);
        if (window && window->model->file != &file)
            Fail("the window \"" + d.second + "\" is not a window of \"" + d.file + "\"");
        world.SetDefaultWindow(file, window);
    } else if (d.name == "#running") {
        Draco::FMScript* script = nullptr;
        if (!d.none) {
            script = world.FindScript(FileNamed(d.file), d.second);
            if (!script)
                Fail("unknown script \"" + d.second + "\"");
        }
        world.SetRunning(script, d.parameter, d.paused);
    } else if (d.name == "#current") {
        world.SetCurrentFile(d.none ? nullptr : &FileNamed(d.file));
    } else if (d.name == "#mainwindow") {
        const auto state = d.none ? hostworld::MainWindow::kNone
                                  : d.disabled ? hostworld::MainWindow::kDisabled : hostworld::MainWindow::kEnabled;
        world.SetMainWindow(state, d.haveSecond ? d.second : world.MainWindowClass(static_cast<std::uint8_t>(appKind)));
    } else if (d.name == "#otherwindow") {
        world.AddPlainWindow(d.second, true);
    } else if (d.name == "#activate") {
        world.Activate();
    } else if (d.name == "#modal") {
        if (!MacWindowsStarted())
            Fail("#modal needs mac mode (a plug-in bundle)");
        SetMacModal(d.second);
    }
}

std::string DesktopText()
{
    const World& world = World::Get();
    const std::string hooks = " hooks " + std::to_string(world.HookCount());
    const hostworld::DesktopWindow* main = world.FindDesktopWindow(world.MainWindowHandle());
    if (!main)
        return "mainwindow none" + hooks;
    return "mainwindow " + QuoteText(main->className) +
           (main->style & hostworld::kStyleDisabled ? " disabled" : " enabled") +
           (main->flashing ? " flashing" : " still") + hooks;
}

std::string TakeJournalText()
{
    const std::vector<std::string> entries = World::Get().TakeJournal();
    if (entries.empty())
        return "none";
    std::string text;
    for (const std::string& entry : entries)
        text += (text.empty() ? "" : " | ") + entry;
    return text;
}

} // namespace fmhost
