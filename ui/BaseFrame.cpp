// The information frame: its components, the display modes, the events it raises and its texts.
#include "ui/BaseFrame.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QSlider>

#include "media/viewgraph.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "ui/MouseHooks.h"
#include "ui/Texts.h"
#include "ui/VideoLayout.h"

namespace ui {

using namespace rtl::sid;

namespace {

constexpr int kPanelWidth = 257; // the information panel, and the line under the name
constexpr int kRowHeight = 18;
constexpr int kCaptionWidth = 62;
constexpr int kTagWidth = 36; // "scn" and "srt", beside the frame rate

QLabel* MakeLabel(QWidget* parent)
{
    auto* l = new QLabel(parent);
    // A long value is cut at the panel's edge; it never widens the frame.
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
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

TBaseFrame::TBaseFrame(shell::Prompter& prompter, media::Tviewdm& view, QWidget* parent)
    : QWidget(parent), prompter_(prompter), view_(view)
{
    setObjectName(QStringLiteral("BaseFrame"));
    resize(kDesignWidth, kDesignHeight);
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
    // The panel: the name right-aligned over a line, then a caption and a value per row.
    Panel1 = new QFrame(this);
    Panel1->setFixedWidth(kPanelWidth);
    Panel1->setFrameShape(QFrame::StyledPanel);
    LabNom = MakeLabel(Panel1);
    LabNom->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LabNom->setIndent(4);
    LabNom->setFixedHeight(20);
    LabNom->setCursor(Qt::PointingHandCursor);
    Bevel1 = new QFrame(Panel1);
    Bevel1->setFixedSize(kPanelWidth, 2);
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    auto* rows = new QGridLayout;
    // The design's places, in from the panel's border.
    const int edge = Panel1->frameWidth();
    rows->setContentsMargins(6 - edge, 2, 4 - edge, 11 - edge);
    rows->setHorizontalSpacing(2);
    rows->setVerticalSpacing(0);
    QLabel** captions[] = {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7};
    QLabel** values[] = {&labDatecode, &LabTimecode, &LabCodec, &LabImage, &LabDuree, &labFPS, &LabAudio1, &LabAudio2};
    constexpr int kFpsRow = 5; // labscn and labsrt share it
    for (int row = 0; row < 8; ++row) {
        rows->setRowMinimumHeight(row, kRowHeight);
        if (row < 7) {
            *captions[row] = MakeLabel(Panel1);
            rows->addWidget(*captions[row], row, 0);
        }
        *values[row] = MakeLabel(Panel1);
        rows->addWidget(*values[row], row, 1, 1, row == kFpsRow ? 1 : 3);
    }
    rows->setColumnMinimumWidth(0, kCaptionWidth);
    rows->setColumnStretch(1, 1);
    labscn = new QLabel(Panel1); // fixed: its place in the row never goes to the frame rate
    labsrt = new QLabel(Panel1);
    for (QLabel* l : {labscn, labsrt}) {
        l->setFixedWidth(kTagWidth);
        l->setAlignment(Qt::AlignCenter);
        l->setStyleSheet(QStringLiteral("color: white; background: #2060a0;"));
        l->hide();
    }
    rows->addWidget(labscn, kFpsRow, 2);
    rows->addWidget(labsrt, kFpsRow, 3);
    auto* panel = new QVBoxLayout(Panel1);
    panel->setContentsMargins(0, 2 - edge, 0, 0);
    panel->setSpacing(2);
    panel->addWidget(LabNom);
    panel->addWidget(Bevel1);
    panel->addLayout(rows);

    reBaseFrame = new RichEdit(Qt::AlignHCenter, this);
    vw = new vcl::VideoWindow(this);
    labTimeStamp = new QLabel(this);
    labTimeStamp->setAlignment(Qt::AlignCenter);
    tb = MakeSlider(Qt::Horizontal, this);
    tb->setPageStep(50);
    Gauge1 = new vcl::Gauge(vcl::Gauge::Kind::HorizontalBar, this);
    Gauge1->hide();
    incrustHorz = MakeSlider(Qt::Horizontal, this);
    incrustVert = MakeSlider(Qt::Vertical, this);
    for (QSlider* s : {incrustHorz, incrustVert}) {
        s->setSingleStep(100);
        s->setPageStep(100);
        s->setTickInterval(100);
        s->hide();
    }
    Shape1 = new HatchedShape(this);
    Shape1->hide();

    // The panel at the top, the video under it; the spare height goes below.
    video_ = new VideoLayout({vw, reBaseFrame, incrustHorz, incrustVert, Shape1, labTimeStamp, tb, Gauge1});
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 8, 0, 6);
    column->setSpacing(0);
    column->addWidget(Panel1, 0, Qt::AlignLeft);
    column->addSpacing(7);
    column->addLayout(video_);
    column->addStretch(1);
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
    vcl::SetAccessibleHint(*Shape1, Lines({sFrameShapeHint1, sFrameShapeHint2}));
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
    vcl::SetAccessibleHint(*tb, Lines({sFrameTrackHint1, sFrameTrackHint2, sFrameTrackHint3}));
    vcl::SetAccessibleHint(*Gauge1, rtl::LoadStr(sFrameGaugeHint));
    vcl::SetHint(*Panel1, rtl::LoadStr(sFramePanelHint));
    vcl::SetHint(*Bevel1, rtl::LoadStr(sFramePanelHint));
    vcl::SetHint(*LabNom, rtl::LoadStr(sFrameNameHint));
    LabNom->setFont(vcl::ToQFont(rtl::LoadStr(sMainNameFont), -13));
    vcl::SetAccessibleHint(*incrustHorz, Lines({sFrameIncrustHorzHint, sFrameIncrustHorzHint + 1}));
    vcl::SetAccessibleHint(*vw, rtl::LoadStr(sFrameVideoHint));
    vcl::SetAccessibleHint(*incrustVert, Lines({sFrameIncrustVertHint, sFrameIncrustVertHint + 1}));
}

void TBaseFrame::ShowVideo()
{
    ViewDuration = 0; // a new graph: its duration is read at the next tick
    vw->show();
    timer1.start();
    tb->show();
    labTimeStamp->show();
    reBaseFrame->hide();
    ShowMessageBox(false);
}

void TBaseFrame::ShowVideoAndText()
{
    vw->lower();
    timer1.start();
    tb->show();
    reBaseFrame->show();
    labTimeStamp->show();
    reBaseFrame->raise();
    ShowMessageBox(true);
}

void TBaseFrame::ShowTextOnly()
{
    vw->lower();
    timer1.stop();
    tb->hide();
    labTimeStamp->hide();
    reBaseFrame->show();
    reBaseFrame->raise();
    ShowMessageBox(true);
    vw->move(reBaseFrame->x(), vw->y());
}

void TBaseFrame::ShowMessageBox(bool shown)
{
    video_->SetMessageShown(shown);
    Relayout();
}

void TBaseFrame::Relayout()
{
    // At once, shown or not: what is read from the parts next sees them in place.
    layout()->activate();
    updateGeometry();
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
