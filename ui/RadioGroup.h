#pragma once
// The class library's radio group: a titled box of radio buttons, one per item, with the index
// of the item checked (-1 for none). Setting the index from code runs no handler; OnClick runs
// when the user clicks an item.
#include <QGroupBox>
#include <functional>

class QButtonGroup;

namespace ui {

class RadioGroup : public QGroupBox {
public:
    explicit RadioGroup(QWidget* parent = nullptr);

    // New buttons for `items`, in order (the checked index is kept when it still exists).
    void SetItems(const QStringList& items);
    QStringList Items() const;
    int ItemIndex() const;
    void SetItemIndex(int index);
    void SetOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }
    // What a click on item `index` does.
    void Click(int index);

private:
    QButtonGroup* group_;
    std::function<void()> onClick_;
};

} // namespace ui
