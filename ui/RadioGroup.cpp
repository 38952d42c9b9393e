#include "ui/RadioGroup.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

RadioGroup::RadioGroup(QWidget* parent) : QGroupBox(parent), group_(new QButtonGroup(this))
{
    new QVBoxLayout(this);
    QObject::connect(group_, &QButtonGroup::idClicked, this, [this] {
        if (onClick_)
            onClick_();
    });
}

void RadioGroup::SetItems(const QStringList& items)
{
    const int index = ItemIndex();
    for (QAbstractButton* b : group_->buttons()) {
        group_->removeButton(b);
        delete b;
    }
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        layout()->addWidget(b);
        group_->addButton(b, i);
    }
    SetItemIndex(index);
}

QStringList RadioGroup::Items() const
{
    QStringList items;
    for (QAbstractButton* b : group_->buttons())
        items.append(b->text());
    return items;
}

int RadioGroup::ItemIndex() const
{
    return group_->checkedId();
}

void RadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton* b = group_->button(index)) {
        b->setChecked(true);
    } else if (QAbstractButton* checked = group_->checkedButton()) {
        // An exclusive group keeps one button checked: leave it, then uncheck.
        group_->setExclusive(false);
        checked->setChecked(false);
        group_->setExclusive(true);
    }
}

void RadioGroup::Click(int index)
{
    if (QAbstractButton* b = group_->button(index))
        b->click();
}

} // namespace ui
