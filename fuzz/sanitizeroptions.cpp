// SPDX-License-Identifier: GPL-3.0-or-later
// AddressSanitizer defaults for the fuzzers, which allocate a little for each of millions of inputs:
// a smaller quarantine and no memory handed back to the system keep the heap in pages already mapped
// (otherwise most of the time goes to page faults), and recording two frames of each allocation's
// stack instead of thirty costs a fraction. Use-after-free within an input is still caught; for the
// full stacks of a report, run its input again with ASAN_OPTIONS=malloc_context_size=30 (ASAN_OPTIONS
// overrides any of these).
extern "C" const char *__asan_default_options()
{
    return "quarantine_size_mb=16:allocator_release_to_os_interval_ms=-1:malloc_context_size=2";
}
