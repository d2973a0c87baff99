// Whether the system reports a working Internet connection.
#pragma once

// InternetGetConnectedState of the system's WinINet; false when WinINet cannot be loaded.
bool IsInternetConnected();
