// The information frame: its components, the display modes, the events it raises and its texts.
#include "ui/BaseFrame.h"

#include <QFrame>
#include <QLabel>
#include <QSlider>

#include "media/viewgraph.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "ui/MouseHooks.h"
#include "ui/Texts.h"

namespace ui {

using namespace rtl::sid;

namespace {

constexpr int kRowTop = 30;
constexpr int kRowStep = 18;
constexpr QRect kBox(12, 200, 240, 180); // reBaseFrame: where messages show and the video is fitted
constexpr int kTrackTop = 410;

QLabel* MakeLabel(QWidget* parent, const QRect& r)
{
    auto* l = new QLabel(parent);
    l->setGeometry(r);
    return l;
}

QSlider* MakeSlider(Qt::Orientation orientation, QWidget* parent)
{
    auto* s = new QSlider(orientation, parent);
    s->setRange(0, media::Tviewdm::kSliderMax);
    return s;
}

} // namespace

media::ViewFile ToViewFile(const actions::TAfficherFichier& file)
{
    return {file.FullName, file.Valid, file.Image, file.Audio1};
}

TBaseFrame::TBaseFrame(PageHost& host, shell::Prompter& prompter, media::Tviewdm& view, QWidget* parent)
    : QWidget(parent), host_(host), prompter_(prompter), view_(view)
{
    setObjectName(QStringLiteral("BaseFrame"));
    resize(kDesignWidth, kDesignHeight);
    setMinimumSize(kDesignWidth, kDesignHeight);
    BuildComponents();
    Connect();
    OnTick = [this] { TimerProc(); };
    view_.SetDisplay(this);
}

TBaseFrame::~TBaseFrame()
{
    timer1.stop();
    view_.SetDisplay(nullptr);
}

void TBaseFrame::BuildComponents()
{
    Panel1 = new QFrame(this);
    Panel1->setGeometry(0, 8, 257, 185);
    Panel1->setFrameShape(QFrame::StyledPanel);
    LabNom = MakeLabel(Panel1, QRect(4, 2, 249, 20));
    LabNom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LabNom->setCursor(Qt::PointingHandCursor);
    Bevel1 = new QFrame(Panel1);
    Bevel1->setGeometry(0, 24, 257, 2);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    QLabel** captions[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7};
    QLabel** values[] = {&labDatecode, &LabTimecode, &LabCodec, &LabImage, &LabDuree, &labFPS, &LabAudio1, &LabAudio2};
    for (int row = 0; row < 8; ++row) {
        const int top = kRowTop + row * kRowStep;
        if (row < 7)
            *captions[row] = MakeLabel(Panel1, QRect(6, top, 62, kRowStep));
        *values[row] = MakeLabel(Panel1, QRect(70, top, 183, kRowStep));
    }
    labFPS->resize(100, kRowStep); // labscn and labsrt share its row
    labscn = MakeLabel(Panel1, QRect(176, kRowTop + 5 * kRowStep, 36, kRowStep));
    labsrt = MakeLabel(Panel1, QRect(214, kRowTop + 5 * kRowStep, 36, kRowStep));
    for (QLabel* l : {labscn, labsrt}) {
        l->setAlignment(Qt::AlignCenter);
        l->setStyleSheet(QStringLiteral("color: white; background: #2060a0;"));
        l->hide();
    }

    reBaseFrame = new RichEdit(Qt::AlignHCenter, this);
    reBaseFrame->setGeometry(kBox);
    vw = new vcl::VideoWindow(this);
    vw->setGeometry(kBox);
    labTimeStamp = MakeLabel(this, QRect(kBox.left(), kBox.bottom() + 7, kBox.width(), 22));
    labTimeStamp->setAlignment(Qt::AlignCenter);
    tb = MakeSlider(Qt::Horizontal, this);
    tb->setGeometry(kBox.left(), kTrackTop, kBox.width(), 24);
    tb->setPageStep(50);
    Gauge1 = new vcl::Gauge(vcl::Gauge::Kind::HorizontalBar, this);
    Gauge1->setGeometry(kBox.left(), kTrackTop + 3, kBox.width(), 18);
    Gauge1->hide();
    incrustHorz = MakeSlider(Qt::Horizontal, this);
    incrustVert = MakeSlider(Qt::Vertical, this);
    for (QSlider* s : {incrustHorz, incrustVert}) {
        s->setSingleStep(100);
        s->setPageStep(100);
        s->setTickInterval(100);
        s->hide();
    }
    incrustHorz->setGeometry(kBox.left() - 8, kBox.bottom() - 4, kBox.width() + 16, 16);
    incrustVert->setGeometry(kBox.right() - 6, kBox.top() - 8, 16, kBox.height() + 16);
    Shape1 = new HatchedShape(this);
    Shape1->move(kBox.right() - 15, kBox.bottom() - 15);
    Shape1->hide();
    timer1.setInterval(40);
    const std::pair<QWidget*, const char*> names[] = {{Panel1, "Panel1"},
                                                      {LabNom, "LabNom"},
                                                      {Bevel1, "Bevel1"},
                                                      {Label1, "Label1"},
                                                      {Label2, "Label2"},
                                                      {Label3, "Label3"},
                                                      {Label4, "Label4"},
                                                      {Label5, "Label5"},
                                                      {Label6, "Label6"},
                                                      {Label7, "Label7"},
                                                      {labDatecode, "labDatecode"},
                                                      {LabTimecode, "LabTimecode"},
                                                      {LabCodec, "LabCodec"},
                                                      {LabImage, "LabImage"},
                                                      {LabDuree, "LabDuree"},
                                                      {labFPS, "labFPS"},
                                                      {LabAudio1, "LabAudio1"},
                                                      {LabAudio2, "LabAudio2"},
                                                      {labscn, "labscn"},
                                                      {labsrt, "labsrt"},
                                                      {labTimeStamp, "labTimeStamp"},
                                                      {tb, "tb"},
                                                      {vw, "vw"},
                                                      {incrustHorz, "incrustHorz"},
                                                      {incrustVert, "incrustVert"},
                                                      {reBaseFrame, "reBaseFrame"},
                                                      {Shape1, "Shape1"},
                                                      {Gauge1, "Gauge1"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QString::fromLatin1(name));
    LabNom->setText(Text(sFrameNoName));
    labTimeStamp->setText(QString::fromStdString(PositionText(0, 0)));
}

void TBaseFrame::Connect()
{
    QObject::connect(&timer1, &QTimer::timeout, this, [this] {
        if (OnTick)
            OnTick();
    });
    // The position slider: a press holds the read-out, so it does not move the slider away from
    // the user; the user's move seeks, the read-out's (setValue) does not.
    OnMouseDown(*tb, [this] { timer1.stop(); });
    QObject::connect(tb, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderNoAction)
            tbChanged();
    });
    QObject::connect(tb, &QSlider::sliderReleased, this, [this] { tbChanged(); });
    QObject::connect(incrustHorz, &QSlider::valueChanged, this, [this](int v) {
        if (OnIncrustHorzChange)
            OnIncrustHorzChange(v);
    });
    QObject::connect(incrustVert, &QSlider::valueChanged, this, [this](int v) {
        if (OnIncrustVertChange)
            OnIncrustVertChange(v);
    });
    for (QSlider* s : {incrustHorz, incrustVert}) {
        OnMouseDown(*s, [this] {
            if (OnIncrustMouseDown)
                OnIncrustMouseDown();
        });
        OnMouseUp(*s, [this] {
            if (OnIncrustMouseUp)
                OnIncrustMouseUp();
        });
    }
    OnMouseDown(*Shape1, [this] {
        if (OnShape1MouseDown)
            OnShape1MouseDown();
    });
    OnMouseDown(*LabNom, [this] {
        if (OnLabNomClick)
            OnLabNomClick();
    });
}

void TBaseFrame::Localise()
{
    vcl::ApplyFont(*labTimeStamp, {"Times New Roman", 12, 0x00800000, rtl::fsBold}); // navy
    vcl::SetHint(*labTimeStamp, Lines({sFramePositionHint, sFramePositionHint + 1, sFramePositionHint + 2}));
    vcl::SetHint(*Shape1, Lines({sFrameShapeHint1, sFrameShapeHint2}));
    QLabel* captions[] = {Label1, Label2, Label3, Label4, Label5, Label6, Label7};
    QLabel* values[] = {labDatecode, LabTimecode, LabCodec, LabImage, LabDuree, labFPS, LabAudio1, LabAudio2};
    for (int row = 0; row < 8; ++row) {
        const QString caption = Text(sFrameDatecode + std::min(row, 6));
        if (row < 7) {
            captions[row]->setText(caption);
            captions[row]->setFont(vcl::ToQFont("Arial", 8));
        }
        values[row]->setText(caption);
        values[row]->setFont(vcl::ToQFont("Arial", 8, rtl::fsBold));
    }
    labscn->setText(Text(sFrameScn));
    labsrt->setText(Text(sFrameSrt));
    for (QLabel* l : {labscn, labsrt})
        l->setFont(vcl::ToQFont("Arial", 8, rtl::fsBold));
    vcl::SetHint(*tb, Lines({sFrameTrackHint1, sFrameTrackHint2, sFrameTrackHint3}));
    vcl::SetHint(*Gauge1, rtl::LoadStr(sFrameGaugeHint));
    vcl::SetHint(*Panel1, rtl::LoadStr(sFramePanelHint));
    vcl::SetHint(*Bevel1, rtl::LoadStr(sFramePanelHint));
    vcl::SetHint(*LabNom, rtl::LoadStr(sFrameNameHint));
    LabNom->setFont(vcl::ToQFont(rtl::LoadStr(sMainNameFont), -13));
    vcl::SetHint(*incrustHorz, Lines({sFrameIncrustHorzHint, sFrameIncrustHorzHint + 1}));
    vcl::SetHint(*vw, rtl::LoadStr(sFrameVideoHint));
    vcl::SetHint(*incrustVert, Lines({sFrameIncrustVertHint, sFrameIncrustVertHint + 1}));
}

void TBaseFrame::ShowVideo()
{
    ViewDuration = 0; // a new graph: its duration is read at the next tick
    vw->show();
    timer1.start();
    tb->show();
    labTimeStamp->show();
    reBaseFrame->hide();
}

void TBaseFrame::ShowVideoAndText()
{
    vw->lower();
    timer1.start();
    tb->show();
    reBaseFrame->show();
    labTimeStamp->show();
    reBaseFrame->raise();
}

void TBaseFrame::ShowTextOnly()
{
    vw->lower();
    vw->move(reBaseFrame->x(), vw->y());
    timer1.stop();
    tb->hide();
    labTimeStamp->hide();
    reBaseFrame->show();
    reBaseFrame->raise();
}

void TBaseFrame::ShowCodeWithVideo(media::TViewStatus code)
{
    ViewDuration = 0;
    WriteCodeMessage(code);
    ShowVideoAndText();
}

void TBaseFrame::AfficherCode(media::TViewStatus code)
{
    timer1.stop();
    view_.CloseViewGraph();
    try {
        WriteCodeMessage(code);
        ShowTextOnly();
    } catch (const std::exception&) {
        prompter_.MessageDlg(rtl::LoadStr(sFrameCodeError), shell::MsgDlgType::mtError, shell::mbOK);
    }
    view_.EndCloseViewGraph();
}

void TBaseFrame::ShowSliderPosition(int position)
{
    tb->setValue(position);
}

void TBaseFrame::ShowPlayCaption(const std::string& caption)
{
    if (OnPlayCaption)
        OnPlayCaption(caption);
}

} // namespace ui
