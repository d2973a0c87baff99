#include "common/Paths.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

namespace testsupport
{

std::string WinePath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

CTempFolder::CTempFolder(const std::string& prefix)
{
    char temp[MAX_PATH] = {};
    if (!::GetTempPathA(MAX_PATH, temp))
        return;
    for (unsigned attempt = 0; attempt < 100; ++attempt)
    {
        const std::string path =
            std::string(temp) + prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(::GetTickCount64() % 100000) + "-" + std::to_string(attempt);
        if (::CreateDirectoryA(path.c_str(), nullptr))
        {
            m_path = path;
            return;
        }
    }
}

CTempFolder::~CTempFolder()
{
    if (m_path.empty())
        return;
    std::vector<char> from(m_path.begin(), m_path.end());
    from.push_back('\0');
    from.push_back('\0'); // a list of one name
    SHFILEOPSTRUCTA op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    ::SHFileOperationA(&op);
}

} // namespace testsupport
