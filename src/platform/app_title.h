// The application title (string IDS_APP_TITLE), the caption of plain message
// boxes in every layer.
#pragma once

inline constexpr const char* kAppTitle = "Kv310型读写器演示系统";
