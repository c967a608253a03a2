#pragma once

namespace tarrow {

inline constexpr char TarrowVersion[] = "1.21";
// The window caption is "Tarrow " followed by this.
inline constexpr char TarrowVersionCaption[] = "1.21 [x64]";

} // namespace tarrow
