#pragma once
// Late-bound calls by dispatch id, the way a script host makes them: a property read, a property
// write and a method call, each returning the callee's result code.
#include "control/com/com.h"

#include <initializer_list>

namespace com::dispatch {

inline HResult get(IDispatch* object, DispId id, Variant* value, ExcepInfo* excep = nullptr) {
    return object->Invoke(id, DISPATCH_PROPERTYGET | DISPATCH_METHOD, {}, value, excep, nullptr);
}

inline HResult put(IDispatch* object, DispId id, const Variant& value, ExcepInfo* excep = nullptr) {
    return object->Invoke(id, DISPATCH_PROPERTYPUT, std::span(&value, 1), nullptr, excep, nullptr);
}

inline HResult call(IDispatch* object, DispId id, std::initializer_list<Variant> args,
                    Variant* result = nullptr, ExcepInfo* excep = nullptr) {
    return object->Invoke(id, DISPATCH_METHOD, std::span(args.begin(), args.size()), result, excep, nullptr);
}

} // namespace com::dispatch
