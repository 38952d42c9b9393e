// The information frame: the current file's properties, the video box fitted to its picture,
// and the messages that say why a file cannot be played.
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QSlider>

#include "platform/rtl/Format.h"
#include "platform/rtl/FormatDateTime.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "settings/Preferences.h"
#include "ui/BaseFrame.h"
#include "ui/VideoLayout.h"

namespace ui {

using namespace rtl::sid;

namespace {

constexpr int kNameHeight = 13; // pixels
constexpr int kMinNamePoints = 8;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

std::string TBaseFrame::ShownDate(rtl::TDateTime date, const std::string& fallback)
{
    try {
        return rtl::FormatDateTime(settings::FormatPourAfficherDatecode, date);
    } catch (const std::exception&) {
        return fallback;
    }
}

void TBaseFrame::ShowFileProperties(const actions::TAfficherFichier* file)
{
    if (!file)
        return;
    const actions::TAfficherFichier& f = *file;
    ShownName = f.FullName;

    // The name shrinks to fit the bevel, down to 8 points.
    const std::string face = rtl::LoadStr(sMainNameFont);
    QFont nameFont = vcl::ToQFont(face, -kNameHeight);
    const int room = Bevel1->width() - 10;
    const int wide = QFontMetrics(nameFont).horizontalAdvance(Q(f.FileName));
    if (wide > room) {
        const int height = room * kNameHeight / wide;
        // Points from pixels at the 96 dots per inch the design was drawn at.
        nameFont = height * 72 < kMinNamePoints * 96 ? vcl::ToQFont(face, kMinNamePoints) : vcl::ToQFont(face, -height);
    }
    LabNom->setFont(nameFont);
    LabNom->setText(Q(f.FileName));

    labDatecode->setText(Q(f.RecDate > 0 ? ShownDate(f.RecDate, f.Datecode) : f.Datecode));
    labscn->setVisible(f.ScnExists);
    labsrt->setVisible(f.SrtExists);
    LabTimecode->setText(Q(f.Timecode));
    LabImage->setText(Q(f.Image));
    LabDuree->setText(
        Q(!f.AudioDuree.empty() && f.AudioDuree != f.Duree ? f.Duree + " (" + f.AudioDuree + ")" : f.Duree));
    labFPS->setText(f.Fps > 0 ? Q(rtl::FloatToStr(f.Fps)) : QString());
    view_.ViewFps = f.Fps;
    LabAudio1->setText(Q(f.Audio1));
    LabAudio2->setText(Q(f.Audio2));

    std::string codec = f.Codec;
    if (f.Valid) {
        switch (f.DVType) {
        case 1: codec += rtl::LoadStr(sFrameType1); break;
        case 2: codec += rtl::LoadStr(f.Type2Iavs ? sFrameType2Iavs : sFrameType2); break;
        default: codec += rtl::LoadStr(sFrameAtypical);
        }
    }
    LabCodec->setText(Q(codec));

    vcl::SetHint(*Panel1, rtl::LoadStr(sFrameHintFile) + f.FullName + "\r\n" + rtl::LoadStr(sFrameHintSize) +
                              rtl::Format("%.0n", static_cast<double>(f.Size())) + "\r\n" +
                              rtl::LoadStr(sFrameHintModified) + ShownDate(f.LastWriteTime, ""));

    if (f.Width >= 1 && f.Height >= 1) {
        vw->SetDisplayAspect(f.Width, f.Height);
        video_->SetAspect(f.Width, f.Height);
        Relayout();
    }
    Shape1->setVisible(f.Valid);
}

void TBaseFrame::ClearFrame()
{
    LabNom->setText(QString::fromStdString(rtl::LoadStr(sFrameNoName)));
    for (QLabel* l : {labDatecode, LabTimecode, LabCodec, LabImage, LabDuree, labFPS, LabAudio1, LabAudio2})
        l->clear();
    labscn->hide();
    labsrt->hide();
    CurrentFichier.reset();
    ShownName.clear();
    ViewDuration = 0;
    view_.ResetViewGraph();
}

void TBaseFrame::WriteCodeMessage(media::TViewStatus code)
{
    RichEdit& re = *reBaseFrame;
    const QColor black(Qt::black);
    const QColor blue(Qt::blue);
    re.Clear();
    re.SetAttributes(black, 0);
    re.AddLine("");
    re.AddLine("");
    re.SetAttributes(black, rtl::fsBold | rtl::fsItalic);
    re.AddLine("\r\n" + rtl::LoadStr(sFrameNoVideo) + "\r\n");
    re.SetAttributes(black, 0);
    auto line = [&](int id) { re.AddLine(rtl::LoadStr(id)); };
    // The name as the file system has it: another case would name another file, or none.
    auto name = [&](const std::string& text) {
        if (!CurrentFichier)
            return;
        re.SetAttributes(blue, rtl::fsBold);
        re.AddLine(text);
        re.SetAttributes(black, 0);
    };
    const std::string fullName = CurrentFichier ? CurrentFichier->FullName : std::string();
    const std::string fileName = CurrentFichier ? CurrentFichier->FileName : std::string();
    const std::string codec = CurrentFichier ? CurrentFichier->Codec : std::string();
    switch (code) {
    case media::vsFileNotFound:
    case media::vsAudioOnly:
        line(sFrameTheFile);
        re.AddLine("");
        name(fullName);
        line(code == media::vsFileNotFound ? sFrameNotFound : sFrameAudioOnly);
        break;
    case media::vsBadDV:
        line(sFrameFile);
        name(fullName);
        if (rtl::LowerCase(codec) == "dvsd")
            line(sFrameBadDvsd);
        else
            re.AddLine(rtl::Format(rtl::LoadStr(sFrameTryDvsd), codec));
        break;
    case media::vsNotAvi:
        line(sFrameFile);
        re.AddLine("");
        name(fileName);
        line(sFrameNotAvi);
        break;
    case media::vsNoDecoderSound:
    case media::vsNoDecoderUnknownAudio:
    case media::vsNoDecoder:
        line(sFrameNoDecoder);
        re.AddLine("");
        re.AddLine(rtl::LoadStr(sFrameCodec) + codec);
        if (code != media::vsNoDecoder) {
            re.AddLine("");
            re.SetAttributes(black, rtl::fsBold | rtl::fsItalic);
            line(code == media::vsNoDecoderSound ? sFrameListenAudio : sFrameUnknownAudio);
            re.SetAttributes(black, 0);
        }
        break;
    case media::vsInterrupted:
        line(sFrameInterrupted);
        line(sFrameForCommand);
        re.AddLine("");
        name(fileName);
        break;
    }
}

} // namespace ui
