#pragma once

#include "halvane/diagnostics/TaskWorker.h"

namespace halvane::diagnostics::Threading {

// A worker thread whose tasks call a member function of T with one D, each
// item copied by value into the queue: {function, object, value}. The queue
// does not own what a pointer D points to; the task does. A virtual function
// is called through the object's own override.
template <class T, class D>
class ThreadHandler : public TaskWorker {
public:
    ThreadHandler() = default;

    // A null function (or a null object) makes an item that is skipped.
    template <class R>
    void Post(R (T::*function)(D), T* object, D value) {
        if (function == nullptr || object == nullptr) {
            PostTask(Task());
            return;
        }
        PostTask([function, object, value]() { (object->*function)(value); });
    }
};

// The variant the procedures, the wizard and the recorders use. On this
// platform every worker is the same kind of thread, so it adds nothing.
template <class T, class D>
class UIThreadHandler : public ThreadHandler<T, D> {};

}  // namespace halvane::diagnostics::Threading
