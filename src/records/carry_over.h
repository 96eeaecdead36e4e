// Copies a record into a record of another layout by walking both field lists side by side.
#pragma once

#include "wire.h"

#include <type_traits>

namespace records {

// Carries every field of from into the field of the same name in to: groups of the same type as a
// whole, groups of different types field by field, as long as both declare the same fields in the same
// order. A pair of types the walk cannot match goes to special(from, to), which the caller writes for
// the one place where the layouts really differ; any other mismatch does not compile, so a field added
// to one layout cannot silently come out as zeros in the other.
template <class From, class To, class Special>
void carryOver(const From& from, To& to, Special&& special)
{
    if constexpr (std::is_same_v<From, To>) {
        to = from;
    } else if constexpr (std::is_invocable_v<Special&, const From&, To&>) {
        special(from, to);
    } else {
        static_assert(fieldCount<From> == fieldCount<To>, "both layouts declare the same fields here");
        forEachField<To>([&](auto index) {
            static_assert(fieldAt<From, index>.name == fieldAt<To, index>.name, "both layouts name their fields alike");
            carryOver(from.*(fieldAt<From, index>.member), to.*(fieldAt<To, index>.member), special);
        });
    }
}

}  // namespace records
