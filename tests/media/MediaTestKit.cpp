#include "tests/media/MediaTestKit.h"

#include <QGuiApplication>

#include <cstdlib>
#include <memory>

namespace mediatest {

void EnsureGui()
{
    if (QGuiApplication::instance() != nullptr)
        return;
    static int argc = 1;
    static char name[] = "morvel-media-test";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Destroyed at exit, so the font database it opened is closed again.
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(argc, argv);
}

MediaType Rgb24Type(int width, int height)
{
    VideoInfoHeader vih;
    vih.AvgTimePerFrame = 400000;
    vih.bmiHeader.biWidth = width;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biBitCount = 24;
    vih.bmiHeader.biCompression = 0;
    vih.bmiHeader.biSizeImage = static_cast<uint32_t>(Stride(width) * (height < 0 ? -height : height));
    return MediaType::Video(MEDIASUBTYPE_RGB24, vih);
}

} // namespace mediatest
