// Derives the file form of a record from its one declaration of fields in file order.
//
// A record type lists its members once, in file order, in a static fields() tuple of named member
// pointers. Reading, writing, the packed size, every field offset and the names tools show are
// derived from that list, so the file form never depends on how the compiler lays a struct out.
#pragma once

#include "byte_order.h"
#include "field_types.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>
#include <tuple>
#include <type_traits>

namespace records {

// One member of a record: its name as the layouts give it and where it lives in the struct. A group
// marked inlined lends its members to its owner: they are named as if they stood there themselves.
template <class Owner, class Type>
struct Field {
    std::string_view name;
    Type Owner::*member;
    bool inlined = false;
};

// Spelled out for compilers that do not yet deduce an aggregate's arguments by themselves.
template <class Owner, class Type>
Field(std::string_view, Type Owner::*) -> Field<Owner, Type>;
template <class Owner, class Type>
Field(std::string_view, Type Owner::*, bool) -> Field<Owner, Type>;

// Inside a record struct whose `Self` names the struct itself.
#define RECORD_FIELD(member) ::records::Field{#member, &Self::member}
#define RECORD_INLINED_GROUP(member) ::records::Field{#member, &Self::member, true}

template <class T>
concept FieldRecord = requires { T::fields(); };

template <class T>
inline constexpr std::size_t fieldCount = std::tuple_size_v<decltype(T::fields())>;

template <class T, std::size_t Index>
inline constexpr auto fieldAt = std::get<Index>(T::fields());

template <class T, std::size_t Index>
using FieldTypeAt = std::remove_cvref_t<decltype(std::declval<T&>().*(fieldAt<T, Index>.member))>;

// Calls visit(field) for every declared field of T, in file order, with the index as a constant.
template <class T, class Visitor>
constexpr void forEachField(Visitor&& visit)
{
    [&]<std::size_t... Index>(std::index_sequence<Index...>) {
        (visit(std::integral_constant<std::size_t, Index>{}), ...);
    }(std::make_index_sequence<fieldCount<T>>{});
}

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    template <std::size_t N>
    std::span<const std::uint8_t, N> take()
    {
        assert(position_ + N <= bytes_.size());
        const auto taken = bytes_.subspan(position_).template first<N>();
        position_ += N;
        return taken;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

class ByteWriter {
public:
    explicit ByteWriter(std::span<std::uint8_t> bytes) : bytes_(bytes) {}

    template <std::size_t N>
    std::span<std::uint8_t, N> reserve()
    {
        assert(position_ + N <= bytes_.size());
        const auto reserved = bytes_.subspan(position_).template first<N>();
        position_ += N;
        return reserved;
    }

private:
    std::span<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

template <class T>
struct Wire;

template <class T>
inline constexpr std::size_t wireSize = Wire<T>::size;

template <std::size_t N>
struct Wire<Opaque<N>> {
    static constexpr std::size_t size = N;
    static void read(ByteReader& in, Opaque<N>& field) { std::ranges::copy(in.take<N>(), field.bytes.begin()); }
    static void write(ByteWriter& out, const Opaque<N>& field)
    {
        std::ranges::copy(field.bytes, out.reserve<N>().begin());
    }
};

template <std::size_t N>
struct Wire<Text<N>> {
    static constexpr std::size_t size = N;
    static void read(ByteReader& in, Text<N>& field)
    {
        std::ranges::transform(in.take<N>(), field.bytes.begin(), [](std::uint8_t b) { return static_cast<char>(b); });
    }
    static void write(ByteWriter& out, const Text<N>& field)
    {
        std::ranges::transform(field.bytes, out.reserve<N>().begin(),
                               [](char c) { return static_cast<std::uint8_t>(c); });
    }
};

template <>
struct Wire<std::int16_t> {
    static constexpr std::size_t size = 2;
    static void read(ByteReader& in, std::int16_t& field) { field = loadInt16(in.take<2>()); }
    static void write(ByteWriter& out, std::int16_t field) { storeInt16(field, out.reserve<2>()); }
};

template <class Element, std::size_t N>
struct Wire<std::array<Element, N>> {
    static constexpr std::size_t size = N * wireSize<Element>;
    static void read(ByteReader& in, std::array<Element, N>& field)
    {
        for (auto& element : field) Wire<Element>::read(in, element);
    }
    static void write(ByteWriter& out, const std::array<Element, N>& field)
    {
        for (const auto& element : field) Wire<Element>::write(out, element);
    }
};

template <FieldRecord T>
struct Wire<T> {
    static constexpr std::size_t size = [] {
        std::size_t total = 0;
        forEachField<T>([&](auto index) { total += wireSize<FieldTypeAt<T, index>>; });
        return total;
    }();

    static void read(ByteReader& in, T& record)
    {
        forEachField<T>([&](auto index) { Wire<FieldTypeAt<T, index>>::read(in, record.*(fieldAt<T, index>.member)); });
    }
    static void write(ByteWriter& out, const T& record)
    {
        forEachField<T>(
            [&](auto index) { Wire<FieldTypeAt<T, index>>::write(out, record.*(fieldAt<T, index>.member)); });
    }
};

template <class MemberPointer>
struct MemberOwner;

template <class Owner, class Type>
struct MemberOwner<Type Owner::*> {
    using type = Owner;
};

// Offset of one member within its record's file form.
template <auto Member>
consteval std::size_t offsetInRecord()
{
    using Owner = typename MemberOwner<decltype(Member)>::type;
    std::size_t offset = 0;
    bool found = false;
    forEachField<Owner>([&](auto index) {
        if (found) return;
        if constexpr (std::is_same_v<decltype(fieldAt<Owner, index>.member), decltype(Member)>) {
            if (fieldAt<Owner, index>.member == Member) {
                found = true;
                return;
            }
        }
        offset += wireSize<FieldTypeAt<Owner, index>>;
    });
    if (!found) throw std::logic_error("member is not among its record's fields");
    return offset;
}

// File offset of a nested field, given as the path of members from the outer record inwards:
// wireOffset<&Record::Info, &Info::FileInfo, &FileInfo::FileName>().
template <auto... Path>
consteval std::size_t wireOffset()
{
    return (std::size_t{0} + ... + offsetInRecord<Path>());
}

template <class T>
T decode(std::span<const std::uint8_t, wireSize<T>> bytes)
{
    T value{};
    ByteReader in(bytes);
    Wire<T>::read(in, value);
    return value;
}

template <class T>
std::array<std::uint8_t, wireSize<T>> encode(const T& value)
{
    std::array<std::uint8_t, wireSize<T>> bytes{};
    ByteWriter out(bytes);
    Wire<T>::write(out, value);
    return bytes;
}

}  // namespace records
