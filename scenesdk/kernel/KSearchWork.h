#pragma once

// KSearchWork: how many entries the searches by name of this thread have
// looked at one by one (properties of an object, handles of its user
// properties, nodes of a curve tree, and the entries of a connection list
// past its newest ones, looked at or moved up without its index); searches
// answered by an index add nothing. A measure of work for tests and benchmarks: a read whose count
// grows with the square of its file shows here, where its time would not
// be a dependable test.

#include <cstdint>

namespace scenesdk
{

class KSearchWork
{
public:
    static uint64_t Get() { return Count(); }
    static void Add(uint64_t entries) { Count() += entries; }

private:
    static uint64_t& Count()
    {
        static thread_local uint64_t count = 0;
        return count;
    }
};

} // namespace scenesdk
