#pragma once
// The filter registry: the system's filters by friendly name and category, standing in for the
// device enumerator and monikers, and the candidates of intelligent connect (Render, RenderStream).
//
//   auto entry = FilterRegistry::Instance().Find("Null Renderer");
//   std::shared_ptr<BaseFilter> f = entry->create();
//
// An entry with merit above MERIT_DO_NOT_USE and an `acceptsInput` test may be inserted by
// intelligent connect, highest merit first. The registry starts empty: the program registers the
// system filters once at start-up (RegisterSystemFilters); lookups are safe from any thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dshow/Guid.h"
#include "platform/dshow/MediaType.h"

namespace ds {

class BaseFilter;

constexpr uint32_t MERIT_PREFERRED = 0x800000;
constexpr uint32_t MERIT_NORMAL = 0x600000;
constexpr uint32_t MERIT_UNLIKELY = 0x400000;
constexpr uint32_t MERIT_DO_NOT_USE = 0x200000;

struct FilterEntry {
    std::string friendlyName;
    Guid category = CLSID_LegacyAmFilterCategory;
    Guid clsid;
    uint32_t merit = MERIT_DO_NOT_USE;
    std::function<std::shared_ptr<BaseFilter>()> create;
    // For intelligent connect: whether an input of the filter may take this type. Null: never tried.
    std::function<bool(const MediaType&)> acceptsInput;
};

using FilterEntryPtr = std::shared_ptr<const FilterEntry>;

class FilterRegistry {
public:
    // The process-wide registry, empty until filters are registered into it.
    static FilterRegistry& Instance();

    FilterRegistry() = default;
    // Adds an entry, replacing one of the same friendly name and category.
    void Register(FilterEntry entry);
    void Unregister(const std::string& friendlyName, const Guid& category = CLSID_LegacyAmFilterCategory);
    FilterEntryPtr Find(const std::string& friendlyName, const Guid& category = CLSID_LegacyAmFilterCategory) const;
    std::vector<FilterEntryPtr> Enumerate(const Guid& category) const;
    // Entries intelligent connect may insert for an output offering `mt`, highest merit first.
    std::vector<FilterEntryPtr> CandidatesFor(const MediaType& mt) const;

private:
    mutable std::mutex lock_; // guards entries_
    std::vector<FilterEntryPtr> entries_;
};

} // namespace ds
