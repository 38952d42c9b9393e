#include "platform/dshow/FilterRegistry.h"

#include <algorithm>

namespace ds {

FilterRegistry& FilterRegistry::Instance()
{
    static FilterRegistry* registry = new FilterRegistry(); // lives to the end of the process
    return *registry;
}

void FilterRegistry::Register(FilterEntry entry)
{
    std::lock_guard<std::mutex> guard(lock_);
    auto same = [&](const FilterEntryPtr& e) {
        return e->friendlyName == entry.friendlyName && e->category == entry.category;
    };
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), same), entries_.end());
    entries_.push_back(std::make_shared<const FilterEntry>(std::move(entry)));
}

void FilterRegistry::Unregister(const std::string& friendlyName, const Guid& category)
{
    std::lock_guard<std::mutex> guard(lock_);
    auto same = [&](const FilterEntryPtr& e) { return e->friendlyName == friendlyName && e->category == category; };
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), same), entries_.end());
}

FilterEntryPtr FilterRegistry::Find(const std::string& friendlyName, const Guid& category) const
{
    std::lock_guard<std::mutex> guard(lock_);
    for (const FilterEntryPtr& e : entries_)
        if (e->friendlyName == friendlyName && e->category == category)
            return e;
    return nullptr;
}

std::vector<FilterEntryPtr> FilterRegistry::Enumerate(const Guid& category) const
{
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<FilterEntryPtr> out;
    for (const FilterEntryPtr& e : entries_)
        if (e->category == category)
            out.push_back(e);
    return out;
}

std::vector<FilterEntryPtr> FilterRegistry::CandidatesFor(const MediaType& mt) const
{
    std::vector<FilterEntryPtr> out;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (const FilterEntryPtr& e : entries_)
            if (e->merit > MERIT_DO_NOT_USE && e->acceptsInput && e->create && e->acceptsInput(mt))
                out.push_back(e);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const FilterEntryPtr& a, const FilterEntryPtr& b) { return a->merit > b->merit; });
    return out;
}

} // namespace ds
