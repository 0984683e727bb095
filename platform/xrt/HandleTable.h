#pragma once
// A table of objects reached by 32-bit handles.
//
// A handle carries its kind in the top four bits and a serial number below,
// so a data handle given where a chart is expected is simply unknown. Serial
// numbers count up and wrap only after 2^28 objects of a kind, so a handle
// stays stale long after its object was destroyed instead of naming a newer
// one.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>

namespace vexlar::xrt {

using Handle = std::uint32_t;

enum class HandleKind : std::uint32_t { Chart = 1, Data = 2, Text = 3 };

template <typename Value>
class HandleTable {
public:
    static constexpr int kKindShift = 28;
    static constexpr std::uint32_t kSerialMask = (1u << kKindShift) - 1;
    static constexpr std::size_t kMaxObjects = 1u << 20;

    // lastSerial: the serial taken to have been handed out last (tests start
    // near the wrap with it).
    explicit HandleTable(HandleKind kind, std::uint32_t lastSerial = 0) : kind_(kind), serial_(lastSerial & kSerialMask)
    { }

    // The new object's handle; 0 when the table is full.
    Handle Add(Value value)
    {
        if (objects_.size() >= kMaxObjects)
            return 0;
        Handle handle = 0;
        do {
            serial_ = (serial_ + 1) & kSerialMask;
            if (serial_ == 0)
                serial_ = 1;
            handle = (static_cast<std::uint32_t>(kind_) << kKindShift) | serial_;
        } while (objects_.count(handle) != 0);
        objects_.emplace(handle, std::move(value));
        return handle;
    }

    // The stored value, or nullptr for 0, an unknown or a removed handle.
    Value* Find(Handle handle)
    {
        auto it = objects_.find(handle);
        return it == objects_.end() ? nullptr : &it->second;
    }

    bool Remove(Handle handle) { return objects_.erase(handle) == 1; }

    // Takes the value out of the table; false when the handle is not live.
    bool Take(Handle handle, Value* value)
    {
        auto it = objects_.find(handle);
        if (it == objects_.end())
            return false;
        *value = std::move(it->second);
        objects_.erase(it);
        return true;
    }

    template <typename Function>
    void ForEach(Function function)
    {
        for (auto& [handle, value] : objects_)
            function(handle, value);
    }

    std::size_t size() const { return objects_.size(); }

private:
    HandleKind kind_;
    std::uint32_t serial_;
    std::unordered_map<Handle, Value> objects_;
};

}  // namespace vexlar::xrt
