#include "ui/CustomChoiceDialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/vcl/FontMap.h"
#include "platform/vcl/QtPrompter.h"

namespace ui {

CustomChoiceDialog::CustomChoiceDialog(int items, shell::Prompter* prompter, QWidget* parent)
    : QDialog(parent), items_(items), ownPrompter_(prompter ? nullptr : std::make_unique<vcl::QtPrompter>(this)),
      prompter_(prompter ? *prompter : *ownPrompter_)
{
    setFont(vcl::ToQFont("MS Sans Serif", 8));
    Label2 = new QLabel(this);
    rgGroup = new QGroupBox(this);
    rgItems = new QButtonGroup(this);
    auto* radios = new QVBoxLayout(rgGroup);
    for (int i = 0; i < items; ++i) {
        auto* radio = new QRadioButton(rgGroup);
        rgItems->addButton(radio, i);
        radios->addWidget(radio);
    }
    leLabel = new QLabel(this);
    le = new QLineEdit(this);
    le->setEnabled(false);
    leLabel->setBuddy(le);
    Label1 = new QLabel(this);
    BitBtn1 = new QPushButton(this);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(this);

    auto* edit = new QHBoxLayout;
    edit->addWidget(le, 1);
    edit->addWidget(Label1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* form = new QVBoxLayout(this);
    form->addWidget(Label2);
    form->addWidget(rgGroup);
    form->addWidget(leLabel);
    form->addLayout(edit);
    form->addSpacing(6);
    form->addLayout(buttons);
    form->setSizeConstraint(QLayout::SetFixedSize);

    connect(rgItems, &QButtonGroup::idClicked, this, [this](int item) { ItemClick(item); });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { OkClick(rgItems->checkedId()); });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

CustomChoiceDialog::~CustomChoiceDialog() = default;

bool CustomChoiceDialog::Chosen() const
{
    return rgItems->checkedId() >= 0;
}

void CustomChoiceDialog::Choose(int item)
{
    rgItems->button(item)->setChecked(true);
    le->setEnabled(item == CustomItem());
}

void CustomChoiceDialog::ItemClick(int item)
{
    le->setEnabled(item == CustomItem());
    if (isVisible())
        FocusEdit();
}

void CustomChoiceDialog::FocusEdit()
{
    if (le->isEnabled())
        le->setFocus();
}

void CustomChoiceDialog::Refuse(const std::string& message)
{
    prompter_.MessageDlg(message, shell::MsgDlgType::mtError, shell::mbOK);
    le->setFocus();
    le->selectAll();
}

} // namespace ui
