// What a drop leaves for later: the questions, the storage-location choice
// and the start of the receiving program need the user, not the data
// object, and must not hold the drag source while the user answers.
#pragma once

#include <functional>

using DropWork = std::function<void()>;

// Where the drop target leaves its work; one piece of work at a time.
class IDropWorkQueue
{
public:
    virtual ~IDropWorkQueue() = default;
    // Taken before the data is: false while other work runs (its dialog is
    // raised), and the drop is refused.
    virtual bool Reserve() = 0;
    // The reserved place gets its work, which runs after the drop returns.
    virtual void Post(DropWork work) = 0;
    // A reserved place that gets no work.
    virtual void Unreserve() = 0;
};
