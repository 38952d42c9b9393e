#include "ui/riffunitWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStringDecoder>
#include <QStringList>
#include <QVBoxLayout>
#include <chrono>
#include <filesystem>

#include "platform/rtl/FileStream.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "platform/threads/GuiCall.h"
#include "platform/vcl/FontMap.h"
#include "platform/vcl/Hint.h"
#include "platform/vcl/HourGlass.h"
#include "platform/vcl/QtDialogs.h"
#include "platform/vcl/ScreenFit.h"
#include "settings/Preferences.h"

namespace ui {

using namespace rtl::sid;
using Clock = std::chrono::steady_clock;

namespace {

// A line as shown and saved: UTF-8 (the names); a line that is not, such as a chunk id of stray
// bytes, is read a byte a character, so that it shows what is there and saves as UTF-8.
QString LineText(const std::string& line)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(line.data(), static_cast<qsizetype>(line.size())));
    if (utf8.hasError())
        text = QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    return text;
}

} // namespace

// One walk: made on the GUI thread, run on its own thread, joined by the GUI thread.
struct TRiffForm::Walk {
    Walk(uint64_t n, std::string name, std::shared_ptr<Link> l, LineHook hook)
        : number(n), fileName(std::move(name)), link(std::move(l)), onLine(std::move(hook))
    {
        formats::RiffListingOptions options;
        options.versionText = settings::VersionText;
        options.onLine = [this](const std::string& line) { Line(line); };
        lister = std::make_unique<formats::TRiffLister>(std::move(options));
    }

    // Any thread.
    void Cancel()
    {
        cancel = true;
        lister->Cancel();
    }

    // The walking thread from here on.
    void Run()
    {
        flushed = Clock::now();
        const formats::RiffListingResult result = lister->WalkFile(fileName);
        std::string failure = result.error;
        std::error_code ec;
        const auto type = std::filesystem::status(fileName, ec).type();
        if (failure.empty() && !result.walked && !ec && type != std::filesystem::file_type::not_found)
            failure = rtl::Format(rtl::LoadStr(sRtlOpenError), fileName, rtl::LoadStr(sNotARegularFile));
        threads::PostToGui([link = link, number = number, lines = std::move(batch), result, failure] {
            if (link->form)
                link->form->WalkEnded(number, lines, result, failure);
        });
    }

    void Line(const std::string& line)
    {
        // The lister starts each walk uncancelled: a close that came before keeps its word.
        if (cancel)
            lister->Cancel();
        batch.push_back(line);
        if (onLine)
            onLine(line, cancel);
        const Clock::time_point now = Clock::now();
        if (batch.size() < kBatchLines && now - flushed < std::chrono::milliseconds(kBatchMilliseconds))
            return;
        flushed = now;
        threads::PostToGui([link = link, number = number, lines = std::move(batch)] {
            if (link->form)
                link->form->AddLines(number, lines);
        });
        batch.clear();
    }

    const uint64_t number;
    const std::string fileName;
    const std::shared_ptr<Link> link;
    const LineHook onLine;
    std::unique_ptr<formats::TRiffLister> lister;
    std::atomic<bool> cancel{false};
    std::vector<std::string> batch; // lines not yet posted
    Clock::time_point flushed;      // when the last batch went
    std::thread thread;
};

TRiffForm::TRiffForm(vcl::Dialogs* dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ownDialogs_(dialogs ? nullptr : std::make_unique<vcl::QtDialogs>(this)),
      dialogs_(dialogs ? *dialogs : *ownDialogs_), link_(std::make_shared<Link>())
{
    link_->form = this;
    setObjectName(QStringLiteral("RiffForm"));
    ListBox1 = new QListWidget(this);
    SauverBtn = new QPushButton(this);
    FermerBtn = new QPushButton(this);
    SauverBtn->setEnabled(false);
    for (QPushButton* b : {SauverBtn, FermerBtn})
        b->setFixedSize(75, 25);

    // The list at (8, 8), 481 x 425; Save at (504, 352) and Close at (504, 392), 75 x 25.
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(0);
    buttons->addStretch(1);
    buttons->addWidget(SauverBtn);
    buttons->addSpacing(15);
    buttons->addWidget(FermerBtn);
    buttons->addSpacing(16);
    auto* form = new QHBoxLayout(this);
    form->setContentsMargins(8, 8, 13, 13);
    form->setSpacing(15);
    form->addWidget(ListBox1, 1);
    form->addLayout(buttons);
    setFixedSize(592, 446);

    connect(SauverBtn, &QPushButton::clicked, this, [this] { SauverBtnClick(); });
    connect(FermerBtn, &QPushButton::clicked, this, [this] { FermerBtnClick(); });
    Localise();
}

TRiffForm::~TRiffForm()
{
    StopWalk();
    link_->form = nullptr;
}

void TRiffForm::Localise()
{
    setWindowTitle(QString::fromStdString(rtl::LoadStr(sRiffCaption)));
    setFont(vcl::ToQFont("MS Sans Serif", 8));
    ListBox1->setFont(vcl::ToQFont("Courier New", -11));
    SauverBtn->setText(QString::fromStdString(rtl::LoadStr(sRiffSave)));
    vcl::SetHint(*SauverBtn, rtl::LoadStr(sRiffSaveHint));
    FermerBtn->setText(QString::fromStdString(rtl::LoadStr(sRiffClose)));
    FermerBtn->setShortcut(QKeySequence(Qt::Key_Escape)); // the cancel button; after setText, which resets it
    vcl::SetHint(*FermerBtn, rtl::LoadStr(sRiffCloseHint));
    SaveDialog1.filter = rtl::LoadStr(sRiffSaveFilter);
}

void TRiffForm::Analyse(const std::string& fileName)
{
    StopWalk();
    SauverBtn->setEnabled(false);
    ListBox1->clear();
    RiffFileName = fileName;
    setWindowTitle(QString::fromStdString(rtl::Format(rtl::LoadStr(sRiffHeaderOf), rtl::ExpandFileName(fileName))));
    // Opened over the window it belongs to, wherever that window is now; once open, it stays where
    // the user puts it.
    if (isHidden() && parentWidget())
        vcl::PlaceOver(*this, *parentWidget()->window());
    show();
    raise();
    activateWindow();

    walk_ = std::make_unique<Walk>(++walkNumber_, fileName, link_, onWalkLine);
    walking_ = true;
    walk_->thread = std::thread([w = walk_.get()] { w->Run(); });
}

void TRiffForm::StopWalk()
{
    if (!walk_)
        return;
    // The walk never waits for this thread, so it ends at its next chunk; its posted lines are
    // dropped by number.
    walk_->Cancel();
    walk_->thread.join();
    walk_.reset();
    walking_ = false;
}

void TRiffForm::AddLines(uint64_t walk, const std::vector<std::string>& lines)
{
    if (walk != walkNumber_)
        return;
    QStringList items;
    items.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines)
        items.append(LineText(line));
    ListBox1->addItems(items);
}

void TRiffForm::WalkEnded(uint64_t walk, const std::vector<std::string>& lines,
                          const formats::RiffListingResult& result, const std::string& failure)
{
    if (walk != walkNumber_ || !walk_)
        return;
    AddLines(walk, lines);
    walk_->thread.join(); // it posted this as its last step
    walk_.reset();
    walking_ = false;
    SauverBtn->setEnabled(result.walked);
    if (!failure.empty())
        dialogs_.MessageDlg(failure, shell::MsgDlgType::mtError, shell::mbOK);
}

std::vector<std::string> TRiffForm::Listing() const
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<size_t>(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i)
        lines.push_back(ListBox1->item(i)->text().toStdString());
    return lines;
}

void TRiffForm::SauverBtnClick()
{
    SaveDialog1.fileName = rtl::ChangeFileExt(RiffFileName, ".log");
    SaveDialog1.overwritePrompt = true;
    const std::optional<std::string> name = dialogs_.SaveFile(SaveDialog1);
    if (!name)
        return;
    try {
        vcl::HourGlass busy;
        formats::SaveListing(Listing(), *name);
    } catch (const rtl::EFileError& e) {
        dialogs_.MessageDlg(e.what(), shell::MsgDlgType::mtError, shell::mbOK);
    }
}

void TRiffForm::FermerBtnClick()
{
    close();
}

void TRiffForm::closeEvent(QCloseEvent* event)
{
    if (walk_)
        walk_->Cancel();
    event->accept();
}

} // namespace ui
