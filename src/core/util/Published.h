#pragma once

#include <utility>

namespace Sweepora::Core {

// Sets a view model's published value and emits its change signal, only when the value
// changes, so that views redraw for real changes only.
template <class Object, class Value, class NewValue>
void publish(Object* object, Value& member, NewValue&& value, void (Object::*changed)())
{
    if (member == value)
        return;
    member = std::forward<NewValue>(value);
    (object->*changed)();
}

} // namespace Sweepora::Core
