#pragma once
// What the fuzz targets share: their own default flags, a bound on what one input may make the
// code under test allocate, and a temporary folder for the targets that read files (the test kit's
// WriteFileBytes writes their inputs there).
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>

namespace fuzzkit {

// Puts `flags` (libFuzzer's "-name=value") before the command line's own, which still win; call
// from LLVMFuzzerInitialize. Every target runs with "-timeout=10" unless it says otherwise.
void DefaultFlags(int* argc, char*** argv, std::initializer_list<const char*> flags);

// Bytes allocated and not yet freed at once, counted over every thread from its construction to
// its end (one budget at a time). The allocation that takes them past `fixed + perByte ×
// inputSize` reports its stack and aborts, so the input is kept as a finding: no input may make
// the code allocate more than a few times its length.
class AllocationBudget {
public:
    AllocationBudget(size_t inputSize, size_t perByte, size_t fixed);
    ~AllocationBudget();
    AllocationBudget(const AllocationBudget&) = delete;
    AllocationBudget& operator=(const AllocationBudget&) = delete;
};

// A folder of this process's own, made on first use in $TMPDIR, else in /dev/shm where it exists
// (files written for every input stay in memory), and removed at exit. A process killed (a
// fork-mode job at the end of its time) leaves it: scripts/fuzz.sh points TMPDIR at a folder of
// its own run, removed when the run ends.
const std::string& TempFolder();

// Reports a broken promise of the code under test and aborts.
[[noreturn]] void Fail(const char* what);

} // namespace fuzzkit
