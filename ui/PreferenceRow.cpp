#include "ui/PreferenceRow.h"

#include <QCheckBox>
#include <QLineEdit>
#include <limits>

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/FileEdits.h"
#include "settings/PreferenceTable.h"
#include "ui/RadioGroup.h"

namespace ui {

bool InStoredRange(const void* preference, int64_t number)
{
    for (const settings::detail::PreferenceValue& v : settings::detail::PreferenceValues()) {
        const void* target = std::visit([](auto* p) -> const void* { return p; }, v.target);
        if (target == preference)
            return number >= v.lo && number <= v.hi;
    }
    return number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max();
}

PreferenceRow CheckRow(QCheckBox& box, bool& value)
{
    return {box.objectName().toStdString(), &value, [&box, &value] { box.setChecked(value); },
            [&box, &value] { value = box.isChecked(); }};
}

PreferenceRow TextRow(QLineEdit& edit, std::string& value)
{
    return {edit.objectName().toStdString(), &value, [&edit, &value] { edit.setText(QString::fromStdString(value)); },
            [&edit, &value] { value = edit.text().toStdString(); }};
}

PreferenceRow PickerRow(vcl::PickerEdit& edit, std::string& value)
{
    return {edit.objectName().toStdString(), &value, [&edit, &value] { edit.SetText(value); },
            [&edit, &value] { value = edit.Text(); }};
}

PreferenceRow ChoiceRow(RadioGroup& group, uint8_t& value, int first)
{
    return {group.objectName().toStdString(), &value, [&group, &value, first] { group.SetItemIndex(value - first); },
            [&group, &value, first] {
                // No item chosen (-1) is no value: 255 in a byte would be stored.
                const int64_t chosen = int64_t{group.ItemIndex()} + first;
                if (group.ItemIndex() >= 0 && chosen <= 255 && InStoredRange(&value, chosen))
                    value = static_cast<uint8_t>(chosen);
            }};
}

PreferenceRow NumberRow(QLineEdit& edit, int32_t& value)
{
    return {edit.objectName().toStdString(), &value, [&edit, &value] { edit.setText(QString::number(value)); },
            [&edit, &value] {
                int64_t number = 0;
                if (rtl::TryStrToInt(rtl::Trim(edit.text().toStdString()), number) && InStoredRange(&value, number))
                    value = static_cast<int32_t>(number);
            }};
}

PreferenceRow Then(PreferenceRow row, std::function<void()> after)
{
    row.apply = [apply = std::move(row.apply), after = std::move(after)] {
        apply();
        after();
    };
    return row;
}

} // namespace ui
