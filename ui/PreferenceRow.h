#pragma once
// One stored preference tied to the control that shows it: `apply` puts the stored value in the
// control without running its handler, `collect` puts the control's value back. A value the
// control cannot give (a radio group without a choice, a text that is no whole number, a number
// outside the preference's range) leaves the stored value as it was, so one bad control never
// stops the others from being collected. The main window's table is made of these rows: its own,
// then the options page's (TOptionsFrame::PreferenceRows), walked once to apply and once to
// collect.
//
//   rows.push_back(CheckRow(*cbListe, settings::SauverListeEnQuittant));
//   for (const PreferenceRow& row : rows) row.apply();
#include <cstdint>
#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;

namespace vcl {
class PickerEdit;
}

namespace ui {

class RadioGroup;

struct PreferenceRow {
    std::string control;           // the control's design name
    const void* preference;        // the settings variable; its range comes from the stored table
    std::function<void()> apply;   // control := preference
    std::function<void()> collect; // preference := control; empty when the control is not read back
};

// A check box and a flag.
PreferenceRow CheckRow(QCheckBox& box, bool& value);
// A line edit and its text, as typed.
PreferenceRow TextRow(QLineEdit& edit, std::string& value);
// A folder or program edit and its text, as typed.
PreferenceRow PickerRow(vcl::PickerEdit& edit, std::string& value);
// A radio group whose item `i` stands for the value `i + first`.
PreferenceRow ChoiceRow(RadioGroup& group, uint8_t& value, int first = 0);
// A line edit holding a whole number.
PreferenceRow NumberRow(QLineEdit& edit, int32_t& value);

// `row`, its apply followed by `after`.
PreferenceRow Then(PreferenceRow row, std::function<void()> after);

// Whether `number` fits the stored range of the settings variable at `preference`.
bool InStoredRange(const void* preference, int64_t number);

} // namespace ui
