#pragma once

#include <type_traits>

namespace quorvel::platform {

// Opt-in bit operators for the option sets of the user interface (control events, traits,
// animation options, orientation masks, ...): an enum class whose cases are bits declares
// `template <> struct IsBitMask<TheEnum> : std::true_type {};` and then combines with | & ^ ~.
template <typename E>
struct IsBitMask : std::false_type {};

template <typename E>
concept BitMaskEnum = std::is_enum_v<E> && IsBitMask<E>::value;

template <BitMaskEnum E>
constexpr auto rawValue(E value) {
    return static_cast<std::underlying_type_t<E>>(value);
}
template <BitMaskEnum E>
constexpr E operator|(E a, E b) {
    return static_cast<E>(rawValue(a) | rawValue(b));
}
template <BitMaskEnum E>
constexpr E operator&(E a, E b) {
    return static_cast<E>(rawValue(a) & rawValue(b));
}
template <BitMaskEnum E>
constexpr E operator^(E a, E b) {
    return static_cast<E>(rawValue(a) ^ rawValue(b));
}
template <BitMaskEnum E>
constexpr E operator~(E a) {
    return static_cast<E>(~rawValue(a));
}
template <BitMaskEnum E>
constexpr E& operator|=(E& a, E b) {
    return a = a | b;
}
template <BitMaskEnum E>
constexpr E& operator&=(E& a, E b) {
    return a = a & b;
}
// Whether every bit of `flags` is in `set`.
template <BitMaskEnum E>
constexpr bool contains(E set, E flags) {
    return (rawValue(set) & rawValue(flags)) == rawValue(flags);
}
// Whether `set` and `flags` share a bit.
template <BitMaskEnum E>
constexpr bool intersects(E set, E flags) {
    return (rawValue(set) & rawValue(flags)) != 0;
}
template <BitMaskEnum E>
constexpr bool isEmpty(E set) {
    return rawValue(set) == 0;
}

}  // namespace quorvel::platform
