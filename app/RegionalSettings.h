#pragma once
// The user's regional settings (date and time patterns, separators, month and day names) for
// the formatting routines, taken from the system locale at start.
#include <QLocale>

#include "platform/rtl/FormatSettings.h"

namespace app {

// The locale's settings in the formatting routines' terms: Qt's date and time patterns
// ("dd.MM.yyyy", "h:mm AP") become theirs ("dd/mm/yyyy", "h:nn ampm", "/" and ":" standing
// for the separators).
rtl::FormatSettings RegionalSettingsOf(const QLocale& locale);

// Fills the process-wide settings from the system locale. Call once at start, before any thread.
void LoadRegionalSettings();

} // namespace app
