// Heap-allocation counting for the allocation tests: a test program that compiles
// tests/support/CountingNew.cpp replaces the global operator new with one that counts.
#pragma once

// Blocks handed out by operator new (every form) since the program started.
long HeapAllocations();

// Blocks handed out while work() runs.
long AllocationsDuring(auto&& work) {
    const long before = HeapAllocations();
    work();
    return HeapAllocations() - before;
}
