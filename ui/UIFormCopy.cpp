// The information panel's copy menu: each item puts one value of the frame on the clipboard,
// as the frame shows it, in Unicode; the full name is the file's path exactly.
#include <QLabel>
#include <QMenu>

#include "platform/rtl/Strings.h"
#include "platform/vcl/Clipboard.h"
#include "ui/UIForm.h"

namespace ui {

using namespace rtl::sid;

namespace {

struct CopyItem {
    const char* name;
    QLabel* TBaseFrame::*label; // null: the two audio labels, or the full name
};

// In menu order; a separator before the full name.
constexpr CopyItem kCopyItems[] = {
    {"Copierledatecode1", &TBaseFrame::labDatecode},
    {"Copierletimecode1", &TBaseFrame::LabTimecode},
    {"Copierlecodec1", &TBaseFrame::LabCodec},
    {"Copierlatailledimages1", &TBaseFrame::LabImage},
    {"Copierladure1", &TBaseFrame::LabDuree},
    {"CopierlesFps1", &TBaseFrame::labFPS},
    {"Copierlaudio1", nullptr},
    {"Copierlenomcomplet1", nullptr},
};

} // namespace

void TUIForm::BuildCopyMenu()
{
    copiermenu = new QMenu(BaseFrame->Panel1);
    copiermenu->setObjectName(QStringLiteral("copiermenu"));
    int caption = sMainCopyFirst;
    for (const CopyItem& item : kCopyItems) {
        const std::string name = item.name;
        if (name == "Copierlenomcomplet1")
            copiermenu->addSeparator();
        QAction* action = copiermenu->addAction(QString::fromStdString(rtl::LoadStr(caption++)));
        action->setObjectName(QString::fromStdString(name));
        connect(action, &QAction::triggered, this, [this, name] {
            if (name != "Copierlenomcomplet1" || CurrentFichier())
                vcl::SetClipboardText(CopyText(name));
        });
    }
    BaseFrame->Panel1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(BaseFrame->Panel1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { copiermenu->popup(BaseFrame->Panel1->mapToGlobal(at)); });
}

std::string TUIForm::CopyText(const std::string& item) const
{
    auto shown = [](const QLabel* label) { return label->text().toStdString(); };
    if (item == "Copierlaudio1")
        return shown(BaseFrame->LabAudio1) + rtl::LoadStr(sPlBlank) + shown(BaseFrame->LabAudio2);
    if (item == "Copierlenomcomplet1") {
        const auto current = CurrentFichier();
        return current ? current->FullName : std::string();
    }
    for (const CopyItem& copy : kCopyItems)
        if (copy.label && item == copy.name)
            return shown(BaseFrame->*copy.label);
    return {};
}

} // namespace ui
