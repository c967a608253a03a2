#pragma once

// The program's version, down here so that every layer (the project presets too) can name it.
#define TARROW_VERSION_TEXT "1.21"

namespace tarrow {

inline constexpr char TarrowVersion[] = TARROW_VERSION_TEXT;
// The window caption is "Tarrow " followed by this.
inline constexpr char TarrowVersionCaption[] = TARROW_VERSION_TEXT " [x64]";
// The user agent a new project identifies itself with.
inline constexpr char TarrowUserAgent[] = "Tarrow/" TARROW_VERSION_TEXT;

} // namespace tarrow
