#include "fuzz/FuzzKit.h"

#include <sanitizer/allocator_interface.h>
#include <sanitizer/common_interface_defs.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace fuzzkit {
namespace {

std::atomic<int64_t> live{0}; // may go below zero: memory allocated before the hooks is freed too
// The budget in force: bytes above the baseline it allows; -1 when none.
std::atomic<int64_t> baseline{0};
std::atomic<int64_t> allowed{-1};
std::atomic<size_t> budgetInput{0};

void OnMalloc(const volatile void*, size_t size)
{
    const int64_t now =
        live.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed) + static_cast<int64_t>(size);
    // Reported at the allocation that goes past the budget, so the stack shows who asks.
    const int64_t limit = allowed.load(std::memory_order_relaxed);
    if (limit >= 0 && now - baseline.load(std::memory_order_relaxed) > limit && allowed.exchange(-1) >= 0) {
        char what[128];
        std::snprintf(what, sizeof what, "%lld bytes allocated at once for an input of %zu bytes (budget %lld)",
                      static_cast<long long>(now - baseline.load()), budgetInput.load(), static_cast<long long>(limit));
        __sanitizer_print_stack_trace();
        Fail(what);
    }
}

void OnFree(const volatile void* p)
{
    // Called before the block is released, so its size is still known.
    live.fetch_sub(static_cast<int64_t>(__sanitizer_get_allocated_size(const_cast<const void*>(p))),
                   std::memory_order_relaxed);
}

const bool hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;

} // namespace

void DefaultFlags(int* argc, char*** argv, std::initializer_list<const char*> flags)
{
    static std::vector<char*> args;
    args.assign(*argv, *argv + 1);
    args.push_back(const_cast<char*>("-timeout=10"));
    for (const char* f : flags)
        args.push_back(const_cast<char*>(f));
    args.insert(args.end(), *argv + 1, *argv + *argc);
    args.push_back(nullptr);
    *argc = static_cast<int>(args.size()) - 1;
    *argv = args.data();
}

AllocationBudget::AllocationBudget(size_t inputSize, size_t perByte, size_t fixed)
{
    if (!hooked)
        Fail("the allocation hooks could not be installed");
    budgetInput.store(inputSize);
    baseline.store(live.load());
    allowed.store(static_cast<int64_t>(fixed + perByte * inputSize));
}

AllocationBudget::~AllocationBudget()
{
    allowed.store(-1);
}

const std::string& TempFolder()
{
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        const std::filesystem::path base = tmp && *tmp                       ? std::filesystem::path(tmp)
                                           : ::access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm")
                                                                             : std::filesystem::temp_directory_path();
        std::string name = (base / "morvel-fuzz-XXXXXX").string();
        if (!::mkdtemp(name.data()))
            Fail("no temporary folder");
        static const std::string removed = name;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removed, ec);
        });
        return name;
    }();
    return folder;
}

void Fail(const char* what)
{
    // Where the sanitizers report, which stays open when a target closes its standard error.
    char line[256];
    std::snprintf(line, sizeof line, "fuzz: %s", what);
    __sanitizer_report_error_summary(line);
    std::abort();
}

} // namespace fuzzkit
