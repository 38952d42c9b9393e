#include "platform/rtl/FormatSettings.h"

namespace rtl {

FormatSettings& DefaultFormatSettings()
{
    static FormatSettings settings;
    return settings;
}

} // namespace rtl
