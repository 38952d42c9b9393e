#include "ui/Texts.h"

#include "platform/rtl/Strings.h"

namespace ui {

QString Text(int id)
{
    return QString::fromStdString(rtl::LoadStr(id));
}

std::string Lines(std::initializer_list<int> ids)
{
    std::string text;
    for (int id : ids)
        text += (text.empty() ? "" : "\r\n") + rtl::LoadStr(id);
    return text;
}

} // namespace ui
