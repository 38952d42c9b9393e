// morvel_gallery [--shots DIR] [ENTRY...]: shows every window of ui/ in its states, or only the
// entries named. With --shots it saves a PNG per window state or tab into DIR, grabbed from the
// screen, and exits: 0 when every shot was taken and is not blank and no window holds a key twice.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "platform/filters/AudioRenderer.h"
#include "platform/filters/SilentAudioOutput.h"
#include "platform/filters/SystemFilters.h"
#include "platform/rtl/ProductName.h"
#include "platform/vcl/FontMap.h"
#include "ui/gallery/ScreenStage.h"

// The X11 platform's D-Bus connection (accessibility, portals) keeps its buffers until the
// process ends: not a leak of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromUtf8(rtl::ProductName));
    // The class library's default form font, with the Chinese fallback, for every window.
    QApplication::setFont(vcl::ToQFont("MS Sans Serif", 8));
    // The information frame plays a clip, as the program does, without a sound device.
    ds::RegisterSystemFilters(ds::FilterRegistry::Instance());
    ds::AudioRenderer::SetDefaultOutputFactory([] { return std::make_unique<ds::SilentAudioOutput>(); });

    std::optional<QDir> shots;
    QStringList only;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--shots") && i + 1 < args.size()) {
            shots = QDir(args[++i]);
            if (!shots->mkpath(QStringLiteral("."))) {
                std::fprintf(stderr, "gallery: cannot create %s\n", qPrintable(args[i]));
                return 2;
            }
        } else {
            only.append(args[i]);
        }
    }

    gallery::ScreenStage stage(shots);
    for (const gallery::Entry& e : gallery::Entries()) {
        if (!only.isEmpty() && !only.contains(QString::fromUtf8(e.name)))
            continue;
        stage.Begin(e.name);
        e.show(stage);
    }
    if (shots)
        return stage.Finish() ? 0 : 1;
    return QApplication::exec();
}
