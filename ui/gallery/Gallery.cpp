#include "ui/gallery/Gallery.h"

#include <algorithm>
#include <cstring>

namespace gallery {

namespace {

// Filled during static initialisation, before main reads it.
std::vector<Entry>& Registry()
{
    static std::vector<Entry> entries;
    return entries;
}

} // namespace

int Register(const char* name, EntryFunction show)
{
    Registry().push_back({name, show});
    return static_cast<int>(Registry().size());
}

std::vector<Entry> Entries()
{
    std::vector<Entry> entries = Registry();
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return std::strcmp(a.name, b.name) < 0; });
    return entries;
}

} // namespace gallery
