// Derives the file form of a record from its one declaration of fields in file order.
//
// A record type lists its members once, in file order, in a static fields() tuple of member
// pointers. Reading, writing, the packed size and every field offset are derived from that list,
// so the file form never depends on how the compiler lays a struct out in memory.
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
#include <tuple>
#include <type_traits>

namespace records {

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
concept FieldRecord = requires { T::fields(); };

template <class MemberPointer>
struct MemberPointerTraits;

template <class Owner_, class Type_>
struct MemberPointerTraits<Type_ Owner_::*> {
    using Owner = Owner_;
    using Type = Type_;
};

template <class MemberPointer>
using FieldType = typename MemberPointerTraits<MemberPointer>::Type;

template <class T>
inline constexpr std::size_t wireSize = Wire<T>::size;

template <std::size_t N>
struct Wire<Opaque<N>> {
    static constexpr std::size_t size = N;
    static void read(ByteReader& in, Opaque<N>& field) { std::ranges::copy(in.take<N>(), field.bytes.begin()); }
    static void write(ByteWriter& out, const Opaque<N>& field) { std::ranges::copy(field.bytes, out.reserve<N>().begin()); }
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
        std::ranges::transform(field.bytes, out.reserve<N>().begin(), [](char c) { return static_cast<std::uint8_t>(c); });
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
    static constexpr std::size_t size =
        std::apply([](auto... member) { return (std::size_t{0} + ... + wireSize<FieldType<decltype(member)>>); },
                   T::fields());

    static void read(ByteReader& in, T& record)
    {
        std::apply([&](auto... member) { (Wire<FieldType<decltype(member)>>::read(in, record.*member), ...); }, T::fields());
    }
    static void write(ByteWriter& out, const T& record)
    {
        std::apply([&](auto... member) { (Wire<FieldType<decltype(member)>>::write(out, record.*member), ...); },
                   T::fields());
    }
};

// Offset of one member within its record's file form.
template <auto Member>
consteval std::size_t offsetInRecord()
{
    using Owner = typename MemberPointerTraits<decltype(Member)>::Owner;
    std::size_t offset = 0;
    bool found = false;
    const auto visit = [&](auto member) {
        if (found) return;
        if constexpr (std::is_same_v<decltype(member), decltype(Member)>) {
            if (member == Member) {
                found = true;
                return;
            }
        }
        offset += wireSize<FieldType<decltype(member)>>;
    };
    std::apply([&](auto... member) { (visit(member), ...); }, Owner::fields());
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
