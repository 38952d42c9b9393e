// The viewer's events: the end of playback, the overlay placed by its sliders or a click in the
// video, the position slider, the corner shape, the half-size option, and the list's mouse and
// keys that show the current file.
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <algorithm>
#include <exception>

#include "media/dv_superposer.h"
#include "platform/rtl/Strings.h"
#include "settings/Preferences.h"
#include "ui/UIForm.h"

namespace ui {

namespace prefs = settings;

namespace {

template <class F> void Quietly(F&& event)
{
    try {
        event();
    } catch (const std::exception&) {
    }
}

} // namespace

void TUIForm::ConnectViewerEvents()
{
    view_.Graph().SetOnGraphComplete([this] { viewfgGraphComplete(); });
    TBaseFrame& frame = *BaseFrame;
    frame.OnPlayCaption = [this](const std::string& caption) { avPlayStop->setText(QString::fromStdString(caption)); };
    frame.OnIncrustHorzChange = [this](int value) { incrustXChange(value); };
    frame.OnIncrustVertChange = [this](int value) { incrustYChange(value); };
    frame.OnIncrustMouseDown = [this] { incrustMouseDown(); };
    frame.OnIncrustMouseUp = [this] { BaseFrameincrustHorzMouseUp(); };
    frame.OnShape1MouseDown = [this] { BaseFrameShape1MouseDown(); };
    frame.vw->SetOnMouseDown([this](vcl::MouseButton button, int x, int y) { VideoWindow1MouseDown(button, x, y); });
    // In full screen the video window is a window of its own, which the main window's keys do
    // not reach: it holds the player's, the volume's and Esc's commands too.
    frame.vw->addActions({avPlayStop, avFullscreen, avMute, afIncVolume, afDecVolume, avanceLow, reculeLow,
                          avanceMedium, ReculeMedium, avanceHigh, ReculeHigh, avReculeDebut, avAvanceFin, AvanceScene,
                          ReculeScene, afInterrompre});
}

void TUIForm::viewfgGraphComplete()
{
    if (closing_)
        return;
    // Back to the start, paused there. Stopped before the rewind: a graph stopped after it would
    // keep the place it had played on to meanwhile.
    Quietly([this] {
        ds::GraphComponent& graph = view_.Graph();
        if (graph.State() == ds::FilterState::Stopped || !view_.ViewSeeking)
            return;
        graph.Stop();
        int64_t start = 0;
        view_.ViewSeeking->SetPositions(&start, ds::AM_SEEKING_AbsolutePositioning, nullptr,
                                        ds::AM_SEEKING_NoPositioning);
        graph.Pause();
        avPlayStop->setText(QString::fromStdString(rtl::LoadStr(rtl::sid::sMainPlay)));
    });
}

void TUIForm::PushIncrustPosition()
{
    view_.Superposer().SetPosition(prefs::IncrustPositionX, prefs::IncrustPositionY, prefs::Alignement);
}

void TUIForm::incrustXChange(int value)
{
    prefs::IncrustPositionX = value;
    PushIncrustPosition();
}

void TUIForm::incrustYChange(int value)
{
    prefs::IncrustPositionY = 1000 - value;
    PushIncrustPosition();
}

void TUIForm::incrustMouseDown()
{
    // Played without sound while the slider is dragged, so the text is seen moving. A graph that
    // was playing already keeps playing after the release.
    Quietly([this] {
        ds::GraphComponent& graph = view_.Graph();
        if (graph.State() != ds::FilterState::Paused)
            return;
        graph.SetLinearVolume(0);
        graph.Run();
        sliderStartedPlay_ = true;
    });
}

void TUIForm::BaseFrameincrustHorzMouseUp()
{
    Quietly([this] {
        ds::GraphComponent& graph = view_.Graph();
        graph.SetLinearVolume(prefs::IsMuteOn ? 0 : prefs::Volume);
        if (sliderStartedPlay_)
            graph.Pause();
    });
    sliderStartedPlay_ = false;
}

void TUIForm::VideoWindow1MouseDown(vcl::MouseButton button, int x, int y)
{
    vcl::VideoWindow& vw = *BaseFrame->vw;
    if (button == vcl::MouseButton::Right) {
        vwpopup->popup(vw.mapToGlobal(QPoint(x, y)));
        return;
    }
    if (button != vcl::MouseButton::Left || !prefs::IncrustSlidersVisible)
        return;
    // The picture, not the window, is the reference: it is letterboxed, in full screen above all.
    // A click on the bands takes the nearest edge.
    const QRect picture = vw.PictureRect();
    if (picture.isEmpty())
        return;
    const int px = std::clamp(x - picture.left(), 0, picture.width());
    const int py = std::clamp(y - picture.top(), 0, picture.height());
    BaseFrame->incrustHorz->setValue(px * 1000 / picture.width());
    BaseFrame->incrustVert->setValue(1000 - py * 1000 / picture.height());
    // What the sliders took, whether or not their change events ran.
    prefs::IncrustPositionX = BaseFrame->incrustHorz->value();
    prefs::IncrustPositionY = 1000 - BaseFrame->incrustVert->value();
    PushIncrustPosition();
    // The paused picture drawn anew with the text in its new place.
    Quietly([this] {
        if (view_.Graph().State() == ds::FilterState::Stopped)
            return;
        view_.Graph().Stop();
        view_.Graph().Pause();
    });
}

void TUIForm::BaseFrameShape1MouseDown()
{
    amAfficherSliders->trigger();
}

void TUIForm::lbMouseUp()
{
    ShowCurrentFile();
}

void TUIForm::lbKeyUp(int key, Qt::KeyboardModifiers)
{
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Up:
    case Qt::Key_Down: break;
    default: return;
    }
    // The file is shown again only when the list moved. With Ctrl these keys step the video, and
    // Ctrl may come up before the key (a hurried hand, a remote desktop): its release must not
    // undo the step by reloading the file.
    const int index = ItemIndex();
    const bool listed = index >= 0 && index < static_cast<int>(KeyList.size());
    if ((listed ? KeyList[static_cast<size_t>(index)].Fichier->FullName : std::string()) != BaseFrame->ShownName)
        ShowCurrentFile();
}

void TUIForm::OptionsFramecbPreviewDemiClick()
{
    // The viewing graph is built again, its decoder at the new size.
    if (ItemIndex() >= 0)
        ShowCurrentFile();
}

} // namespace ui
