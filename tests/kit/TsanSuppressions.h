#pragma once
// For test mains of programs that use Qt: include once. Qt, GLib and PulseAudio come from the
// distribution without ThreadSanitizer, so memory they hand between threads under their own locks
// looks like a race to it. What those libraries do themselves is ignored; our code is not.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core\n"
           "called_from_lib:libQt6Gui\n"
           "called_from_lib:libQt6Widgets\n"
           "called_from_lib:libQt6Multimedia\n"
           "called_from_lib:libglib-2.0\n"
           "called_from_lib:libpulse.so\n"
           "called_from_lib:libpulsecommon\n";
}
