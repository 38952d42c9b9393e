// The main window's components and their layout: the tool bars above; the information frame with
// the volume panel under it on the left, at the frame's width; the file list on the right, which
// takes the spare width and height; the pages over the whole client area. The window is as the
// form was designed when it opens, resizes, is never smaller than what shows every control, and
// stays inside its screen whatever its saved place, its pages or the screen's scale.
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "platform/vcl/Gauge.h"
#include "platform/vcl/ScreenFit.h"
#include "ui/AproposFrame.h"
#include "ui/OptionsFrame.h"
#include "ui/UIForm.h"
#include "ui/codecformunit.h"
#include "ui/decalage.h"
#include "ui/frequenceformunit.h"
#include "ui/riffunitWindow.h"

namespace ui {

namespace {

constexpr int kPanelHeight = 30; // the volume panel
constexpr int kListRightMargin = 16;
constexpr int kListBottomMargin = 8;

QToolBar* MakeToolBar(QWidget* parent, const char* name)
{
    auto* bar = new QToolBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(20, 20));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly); // the tool bars show no captions
    // Packed as designed: both bars' buttons fit beside each other over the frame alone.
    bar->layout()->setSpacing(0);
    bar->layout()->setContentsMargins(1, 1, 1, 1);
    return bar;
}

} // namespace

void TUIForm::BuildComponents()
{
    auto* central = new QWidget(this);
    setCentralWidget(central);
    ToolBar1 = MakeToolBar(central, "ToolBar1");
    ToolBar2 = MakeToolBar(central, "ToolBar2");
    auto* bars = new QHBoxLayout;
    bars->addWidget(ToolBar1);
    bars->addStretch(1);
    bars->addWidget(ToolBar2); // against the right edge
    Client = new QWidget(central);
    Client->setObjectName(QStringLiteral("Client"));
    auto* window = new QVBoxLayout(central);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addLayout(bars);
    window->addWidget(Client, 1);

    BaseFrame = new TBaseFrame(dialogs_, view_, Client);
    BaseFrame->setFixedWidth(kListLeft);
    Panel1 = new QFrame(Client);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedSize(120, kPanelHeight);
    Gauge2 = new vcl::Gauge(vcl::Gauge::Kind::Needle, Panel1);
    Gauge2->setObjectName(QStringLiteral("Gauge2"));
    Gauge2->setGeometry(4, 0, 56, kPanelHeight);
    auto* left = new QVBoxLayout;
    left->setSpacing(2);
    left->addWidget(BaseFrame, 1);
    left->addWidget(Panel1, 0, Qt::AlignLeft);

    ListPane = new QWidget(Client);
    ListPane->setObjectName(QStringLiteral("ListPane"));
    labFichiers = new QLabel(ListPane);
    labFichiers->setObjectName(QStringLiteral("labFichiers"));
    labFichiers->setFixedHeight(kListTop);
    labFichiers->setIndent(2);
    labFichiers->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); // a long caption is cut
    lb = new QListWidget(ListPane);
    lb->setObjectName(QStringLiteral("lb"));
    lb->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Rows of one height, set on each entry: the list lays out thousands of them at once, not
    // each of them again for every entry that arrives.
    lb->setUniformItemSizes(true);
    lb->setContextMenuPolicy(Qt::CustomContextMenu);
    lb->installEventFilter(this);
    lb->viewport()->installEventFilter(this);
    connect(lb, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (PopupMenu1->isEnabled())
            PopupMenu1->popup(lb->viewport()->mapToGlobal(at));
    });
    auto* list = new QVBoxLayout(ListPane);
    list->setContentsMargins(0, 0, kListRightMargin, kListBottomMargin);
    list->setSpacing(0);
    list->addWidget(labFichiers);
    list->addWidget(lb, 1);

    auto* client = new QHBoxLayout(Client);
    client->setContentsMargins(0, 0, 0, 0);
    client->setSpacing(0);
    client->addLayout(left);
    client->addWidget(ListPane, 1);
    client->addStretch(0); // takes the width only while the list is hidden

    // The pages lie over the client area, not in its layout.
    OptionsFrame = new TOptionsFrame(*this, dialogs_, view_, Client);
    AproposFrame = new TAproposFrame(*this, Client);
    VideFrame = new TVideFrame(*this, Client);
    for (QWidget* page :
         {static_cast<QWidget*>(OptionsFrame), static_cast<QWidget*>(AproposFrame), static_cast<QWidget*>(VideFrame)})
        page->hide();

    StatusPanel0 = new QLabel(statusBar());
    StatusPanel0->setObjectName(QStringLiteral("StatusPanel0"));
    StatusPanel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred); // a long path never widens the window
    statusBar()->addWidget(StatusPanel0, 1);
    statusBar()->setSizeGripEnabled(false);

    // The structure window is a window of its own, tied to this one: it opens over it.
    RiffForm = std::make_unique<TRiffForm>(&dialogs_, this);
    RiffForm->setAttribute(Qt::WA_QuitOnClose, false); // the program ends with the main window
    DecalageForm = std::make_unique<TDecalageForm>(ShowOffsetOnViewer, this);
    FrequenceForm = std::make_unique<TFrequenceForm>(&dialogs_, this);
    CodecForm = std::make_unique<TCodecForm>(&dialogs_, this);
}

int TUIForm::ClientWidth() const
{
    return width();
}

void TUIForm::SetClientWidth(int width)
{
    // As narrow as the frame, the window hides the list and is not widened past the frame.
    const bool list = width > ListLeft();
    ListPane->setVisible(list);
    setMaximumWidth(list ? QWIDGETSIZE_MAX : ListLeft());
    ApplyLayout(); // the minimum width without the list
    resize(width, height());
    KeepOnScreen();
}

int TUIForm::ClientHeight() const
{
    return height() - (menuBar()->isVisibleTo(this) ? menuBar()->height() : 0);
}

void TUIForm::SetClientHeight(int height)
{
    ApplyLayout(); // the menu bar's height with its titles
    resize(width(), height + (menuBar()->isVisibleTo(this) ? menuBar()->height() : 0));
    KeepOnScreen();
}

void TUIForm::ApplyLayout()
{
    // Inner layouts first: each passes its new sizes up when it is done.
    for (QWidget* widget : {static_cast<QWidget*>(ToolBar1), static_cast<QWidget*>(ToolBar2), Client, centralWidget(),
                            static_cast<QWidget*>(this)})
        if (QLayout* own = widget->layout())
            own->activate();
}

void TUIForm::KeepOnScreen()
{
    ApplyLayout(); // the minimum size of what shows now
    vcl::KeepOnScreen(*this);
}

bool TUIForm::ListShown() const
{
    return !ListPane->isHidden();
}

void TUIForm::SetScrollBarsVisible(bool visible)
{
    const Qt::ScrollBarPolicy policy = visible ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    lb->setVerticalScrollBarPolicy(policy);
    lb->setHorizontalScrollBarPolicy(policy);
}

void TUIForm::SetPopupMenuEnabled(bool enabled)
{
    PopupMenu1->setEnabled(enabled);
}

void TUIForm::ClosePage(QWidget& page)
{
    if (&page == AproposFrame) {
        afApropos->setChecked(false);
        aeAProposToggle();
    } else if (&page == OptionsFrame) {
        afOptions->setChecked(false);
        afOptionsExecute();
    }
}

} // namespace ui
