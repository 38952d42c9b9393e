#pragma once
// The main window under test: its own registry, data and play-list folders, a file-action module,
// scripted dialogs and message boxes; and the files it lists, made in code: dated and undated DV,
// an AVI that is not DV.
#include <QApplication>
#include <QListWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actions/ThreadedDirScan_unit.h"
#include "actions/chmodule.h"
#include "actions/list_unit.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/HourGlass.h"
#include "platform/vcl/ScriptedDialogs.h"
#include "settings/Preferences.h"
#include "tests/kit/DvFrameBuilder.h"
#include "tests/kit/RiffBuilder.h"
#include "tests/kit/TempDir.h"
#include "tests/kit/media/DvClip.h"
#include "tests/ui/Pump.h"
#include "ui/UIForm.h"

namespace uitest {

namespace fs = std::filesystem;

// A DV type-2 file of a few frames recorded at the given time; 25 frames make a second.
inline std::string DatedDv(const std::string& path, int year, int month = 6, int day = 1, int hour = 12, int frames = 3,
                           bool type1 = false)
{
    testkit::DvClipSpec spec;
    spec.frames = frames;
    spec.distinctPictures = 1;
    spec.year = year;
    spec.month = month;
    spec.day = day;
    spec.hour = hour;
    const testkit::DvClip clip = testkit::MakeDvClip(spec);
    type1 ? testkit::WriteDvType1(path, clip) : testkit::WriteDvType2(path, clip);
    return path;
}

// A DV file whose frames carry no recording date.
inline std::string UndatedDv(const std::string& path)
{
    testkit::DvClip clip;
    clip.sound = false;
    for (int i = 0; i < 3; ++i)
        clip.frames.push_back(testkit::DvFrameBuilder(testkit::Standard::Pal).noRecDate().build());
    testkit::WriteDvType2(path, clip);
    return path;
}

// An AVI whose video is not DV.
inline std::string NotDv(const std::string& path)
{
    testkit::AviSpec spec;
    spec.handler = "MJPG";
    testkit::WriteFileBytes(path, testkit::MakeAvi(spec).build());
    return path;
}

// `count` names in `folder` for one small DV file (hard links), the first one the file.
inline std::vector<std::string> Links(const std::string& folder, int count)
{
    fs::create_directories(folder);
    const std::string first = DatedDv(folder + "/0.avi", 2006);
    std::vector<std::string> names{first};
    for (int i = 1; i < count; ++i) {
        names.push_back(folder + "/" + std::to_string(i) + ".avi");
        fs::create_hard_link(first, names.back());
    }
    return names;
}

class MainWindow {
public:
    MainWindow()
    {
        for (const char* folder : {"registry", "data", "lists", "tapes"})
            fs::create_directories(dir.path() / folder);
        Keep("MORVEL_REGISTRY_DIR", dir.file("registry"));
        Keep("XDG_DATA_HOME", dir.file("data"));
        ch.Localise();
    }
    ~MainWindow()
    {
        window.reset();
        for (const auto& [name, value] : kept_)
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
    }

    // Stored before the window loads them: the play-list folder of this test, and what `set` does.
    template <class F> void StorePreferences(F set)
    {
        settings::LoadPreferences({});
        settings::DossierDesPlayList = dir.file("lists") + "/";
        set();
        settings::SavePreferences();
    }

    // A new window, shown, past its first paint.
    ui::TUIForm& Open(actions::CommandLine line = {})
    {
        window = std::make_unique<ui::TUIForm>(ch, &dialogs);
        window->SetCommandLine(std::move(line));
        painted = false;
        window->OnFirstPaint = [this] { painted = true; };
        window->show();
        PumpUntil([this] { return painted; }, 10000);
        return *window;
    }

    // Every loading ended: both threads at rest, their last events handled, and what those posted
    // in turn (the layout of the status text "ready").
    bool Loaded(int ms = 30000)
    {
        return PumpUntil(
                   [this] {
                       return window->ListThread->IsIdle() && window->DirScanThread->IsIdle() &&
                              window->StatusText() == rtl::LoadStr(rtl::sid::sMainReady) &&
                              vcl::HourGlass::Depth() == 0;
                   },
                   ms) &&
               RunUntilIdle();
    }

    // Keys reach the window's shortcuts only while it is the active window.
    bool Activate()
    {
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    // The listed files' names, in list order.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < window->lb->count(); ++i)
            names.push_back(window->lb->item(i)->text().toStdString());
        return names;
    }
    std::vector<std::string> SelectedNames() const
    {
        std::vector<std::string> names;
        for (const auto& f : window->SelectedFiles())
            names.push_back(f->FileName);
        return names;
    }
    std::string CurrentName() const
    {
        const auto current = window->CurrentFichier();
        return current ? current->FileName : std::string();
    }
    std::string Tape(const std::string& name) const { return dir.file("tapes/" + name); }

    testkit::TempDir dir;
    actions::Tch ch;
    vcl::ScriptedDialogs dialogs;
    std::unique_ptr<ui::TUIForm> window;
    bool painted = false;

private:
    void Keep(const std::string& name, const std::string& value)
    {
        const char* old = std::getenv(name.c_str());
        kept_.emplace_back(name, old ? old : "");
        setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<std::pair<std::string, std::string>> kept_;
};

} // namespace uitest
