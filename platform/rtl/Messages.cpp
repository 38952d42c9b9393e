#include "platform/rtl/Messages.h"

#include "platform/rtl/Strings.h"

namespace rtl {

std::string Message(int id, std::initializer_list<std::string_view> args)
{
    const std::string text = LoadStr(id);
    std::string out;
    out.reserve(text.size() + 64);
    auto arg = args.begin();
    size_t i = 0;
    while (i < text.size()) {
        if (text.compare(i, 2, "%s") == 0 && arg != args.end()) {
            out += *arg++;
            i += 2;
        } else {
            out += text[i++];
        }
    }
    return out;
}

} // namespace rtl
