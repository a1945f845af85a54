// The identification replies the tests' counters give, typed once: a
// KT46290-1.5G (every key but the A model's) and a KT46290A-16G.
#pragma once

namespace kt::test {

inline constexpr char kIdentity[] = "VENDOR,KT46290-1.5G,SN1,V1.0\n";
inline constexpr char kIdentityA[] = "VENDOR,KT46290A-16G,SN1,V1.0\n";
// The window title that the first of them gives.
inline constexpr char kIdentityTitle[] = "KT46290型高精度频率计（Frequency Counter）  -1.5GHz";

}  // namespace kt::test
