#pragma once
// Ownership rules for component objects. Ptr<T> (shared ownership) stands for reference
// counting; an object dies on whichever thread drops its last Ptr.
//
// 1. No worker thread holds a Ptr to the object that owns it. The owner's destructor stops
//    and joins its threads; if a worker dropped the last reference, that destructor would
//    run on the worker and join itself. Workers get a plain pointer (or a weak_ptr that
//    they never lock into the last reference), and Stop/Close join them while the owner
//    is still alive.
//
// 2. A sink that an owner advises on a child holds a plain pointer to the owner, never a
//    Ptr: owner -> child -> connection point -> sink -> owner would otherwise be a cycle
//    that never dies. The owner unadvises before it lets the child go; once unadvise
//    returns no call into the sink is running or will start (connection_point.h), so the
//    plain pointer is never used after the owner has gone.
//
// 3. Whoever builds an array or text hands it over by value; the receiver owns its copy.
//    A posted message owns what it carries, and drops it if it is never delivered.
//
// EventSink<Owner, Sink> is the base of rule 2's forwarding objects.

#include "kez/com/object.h"

namespace kez::com {

template <class Owner, class Sink>
class EventSink : public Implements<Sink> {
public:
    explicit EventSink(Owner& owner) : owner_(owner) {}

protected:
    Owner& owner() const { return owner_; }

private:
    Owner& owner_; // not owned: see rule 2
};

} // namespace kez::com
