// The about page's filter test: which of the system filters the three graphs need are installed.
// It only looks them up: the graphs keep the filters they hold, so a playback or a conversion
// running while the tab shows goes on untouched.
#include "platform/dshow/FilterRegistry.h"
#include "platform/rtl/FontSpec.h"
#include "platform/rtl/Strings.h"
#include "ui/AproposFrame.h"
#include "ui/MouseHooks.h"
#include "ui/UIForm.h"

namespace ui {

using namespace rtl::sid;

namespace {

constexpr uint8_t kReportStyle = rtl::fsBold | rtl::fsItalic;

// A line of the report: red when it tells of a missing filter, black otherwise.
void Report(RichEdit& re, const std::string& line, bool missing)
{
    re.SetAttributes(missing ? Qt::red : Qt::black, kReportStyle);
    re.AddLine(line);
}

// Whether the filter of that name is installed; a missing one is reported.
bool CheckFilter(RichEdit& re, int name)
{
    const bool found = ds::FilterRegistry::Instance().Find(rtl::LoadStr(name)) != nullptr;
    if (!found)
        Report(re, rtl::LoadStr(name) + rtl::LoadStr(sMainFilterMissing), true);
    return found;
}

// Every filter of a group is looked up, even after one is missing.
bool CheckAll(RichEdit& re, std::initializer_list<int> names)
{
    bool all = true;
    for (int name : names)
        all = CheckFilter(re, name) && all;
    return all;
}

} // namespace

void TUIForm::ConnectFilterTest()
{
    OnShow(*AproposFrame->tsTest, [this] { AproposFrameTabSheet4Show(); });
}

void TUIForm::AproposFrameTabSheet4Show()
{
    RichEdit& re = *AproposFrame->reTest;
    re.Clear();
    Report(re, "", false);
    Report(re, rtl::LoadStr(sMainFilterTestTitle), false);
    // What the viewing graph needs, then the probe, then the conversions.
    if (CheckAll(re, {sMainFileSource, sMainAviSplitter, sMainColorSpaceConverter, sMainDvDecoder, sMainDvSplitter}))
        Report(re, rtl::LoadStr(sMainAllViewFilters), false);
    if (CheckAll(re, {sMainNullRenderer}))
        Report(re, rtl::LoadStr(sMainAllListFilters), false);
    bool conversions = CheckAll(re, {sMainFileWriter, sMainAcmWrapper, sMainAviMux, sMainDvMuxer, sMainInfiniteTee});
    if (ds::FilterRegistry::Instance().Find(rtl::LoadStr(sMainDvEncoder), ds::CLSID_VideoCompressorCategory) ==
        nullptr) {
        Report(re, rtl::LoadStr(sMainNoDvEncoder), true);
        conversions = false;
    }
    if (conversions)
        Report(re, rtl::LoadStr(sMainAllConvertFilters), false);
}

} // namespace ui
