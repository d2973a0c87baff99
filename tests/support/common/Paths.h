// Paths as the Windows side of a test sees them, and scratch folders.
#pragma once

#include <string>

namespace testsupport
{

// The Windows path of a Unix path ("Z:" + the path with backslashes).
std::string WinePath(const std::string& unixPath);

// A new empty folder under the system's temporary folder, removed with all it holds when the
// object goes.
class CTempFolder
{
public:
    explicit CTempFolder(const std::string& prefix = "dadaror");
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    bool Ok() const { return !m_path.empty(); }
    const std::string& Path() const { return m_path; }
    // Path() + "\\" + name.
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

} // namespace testsupport
