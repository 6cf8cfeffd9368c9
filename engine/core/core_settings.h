// Keys of the core's integer settings (GameCore::SetIntSetting) that have a meaning of their own.
#pragma once

#include <cstdint>

namespace engine::setting {

inline constexpr uint32_t kMessageBoxTextColour = 8;
inline constexpr uint32_t kMessageBoxFillColour = 9;
inline constexpr uint32_t kMessageBoxBorderColour = 10;
inline constexpr uint32_t kSettingsMessageTarget = 16;  // the object SendSettingsMessage sends to
inline constexpr uint32_t kSettingsMessageId = 17;      // the message id it sends
inline constexpr uint32_t kGdiPainter = 18;             // 1 once the GDI paint module is loaded

}  // namespace engine::setting
