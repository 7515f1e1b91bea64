#pragma once

// KScnWriter: the base of the writer objects an exporter holds while it
// exports a file. An exporter owns its writer and destroys it through this
// virtual destructor when it is reset or destroyed.

namespace scenesdk
{

class KScnWriter
{
public:
    virtual ~KScnWriter() = default;
};

} // namespace scenesdk
