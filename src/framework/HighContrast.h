// Whether Windows' high-contrast mode is on. Asked once at start and again when the system says
// its settings or colours changed; what draws reads the answer kept here.
#pragma once

namespace fw
{

bool HighContrast();
// Asks the system again; true when the answer changed.
bool RefreshHighContrast();

// The system's answer (SPI_GETHIGHCONTRAST). Linked in with the program's defaults, so that a
// test build can stand in where the system cannot be put into the mode.
bool QueryHighContrast();

} // namespace fw
