// Walks a record's declaration down to its single values, naming each as the layouts name it.
#pragma once

#include "wire.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

namespace records {

// How a single value is stored: a little-endian 16-bit number, single-byte characters, or bytes the
// program never interprets.
enum class LeafKind { Integer, Text, Opaque };

// One single value of a record: its name path ("Info.SaveStamp.StampText", "Series1.Values[17]"),
// where it starts in the file form and how many bytes it takes.
struct Leaf {
    std::string name;
    std::size_t offset = 0;
    std::size_t width = 0;
    LeafKind kind = LeafKind::Opaque;
};

namespace detail {

template <class T>
struct LeafKindOf;
template <>
struct LeafKindOf<std::int16_t> {
    static constexpr LeafKind kind = LeafKind::Integer;
};
template <std::size_t N>
struct LeafKindOf<Text<N>> {
    static constexpr LeafKind kind = LeafKind::Text;
};
template <std::size_t N>
struct LeafKindOf<Opaque<N>> {
    static constexpr LeafKind kind = LeafKind::Opaque;
};

template <class T>
struct IsArray : std::false_type {};
template <class Element, std::size_t N>
struct IsArray<std::array<Element, N>> : std::true_type {};

inline std::string joined(const std::string& owner, std::string_view member)
{
    return owner.empty() ? std::string(member) : owner + '.' + std::string(member);
}

template <class T, class Visitor>
void walkLeaves(const std::string& name, std::size_t offset, Visitor& visit)
{
    if constexpr (FieldRecord<T>) {
        std::size_t at = offset;
        forEachField<T>([&](auto index) {
            constexpr auto field = fieldAt<T, index>;
            using Member = FieldTypeAt<T, index>;
            static_assert(!field.inlined || FieldRecord<Member>, "only a group can lend its members a name");
            // An inlined group's members are named as if they stood in its owner.
            walkLeaves<Member>(field.inlined ? name : joined(name, field.name), at, visit);
            at += wireSize<Member>;
        });
    } else if constexpr (IsArray<T>::value) {
        using Element = typename T::value_type;
        for (std::size_t i = 0; i < std::tuple_size_v<T>; ++i)
            walkLeaves<Element>(name + '[' + std::to_string(i) + ']', offset + i * wireSize<Element>, visit);
    } else {
        visit(Leaf{name, offset, wireSize<T>, LeafKindOf<T>::kind});
    }
}

}  // namespace detail

// Calls visit(leaf) for every single value of the record T, in file order.
template <FieldRecord T, class Visitor>
void forEachLeaf(Visitor&& visit)
{
    detail::walkLeaves<T>(std::string(), 0, visit);
}

}  // namespace records
