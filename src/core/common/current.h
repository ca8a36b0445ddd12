#pragma once
// A process-wide value that can stand in for another for a while: the program's own instance
// is used unless a scope has pointed the accessor at another one (one device's session among
// several that run side by side on the one event loop).

namespace velta {

template <class T>
class Current {
public:
    T& get() { return *current_; }
    T& own() { return own_; }
    // Points the accessor at next (nullptr: the program's own) and returns what it pointed at.
    T* point_at(T* next)
    {
        T* previous = current_;
        current_ = next ? next : &own_;
        return previous;
    }

private:
    T own_{};
    T* current_ = &own_;
};

}  // namespace velta
