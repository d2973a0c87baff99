// The product's name as the user sees it: window title and the caption of its messages.
#pragma once

inline constexpr char kProductName[] = "Pellix SSD 최적화";
