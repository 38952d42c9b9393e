#pragma once
// For test mains of programs that use Qt or FFmpeg: include once. Qt, GLib, PulseAudio and
// FFmpeg come from the distribution without ThreadSanitizer, so memory they hand between threads
// under their own locks (or, in libavutil's slice threads, through atomics) looks like a race to
// it. What those libraries do themselves is ignored; our code is not.
extern "C" const char* __tsan_default_suppressions()
{
    return "called_from_lib:libQt6Core\n"
           "called_from_lib:libQt6Gui\n"
           "called_from_lib:libQt6Widgets\n"
           "called_from_lib:libQt6Multimedia\n"
           "called_from_lib:libglib-2.0\n"
           "called_from_lib:libpulse.so\n"
           "called_from_lib:libpulsecommon\n"
           "called_from_lib:libavcodec.so\n"
           "called_from_lib:libavutil.so\n";
}
