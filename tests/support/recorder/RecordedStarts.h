// Reading the recorder's log (its format: Recorder.cpp), one start a line: for the tests of the
// tools the program starts and of what it opens for the user alike.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace recorder
{

struct RecordedStart
{
    unsigned long long ms = 0;
    int show = -2;
    std::string module;
    std::string folder; // the working folder it was started in
    std::string commandLine;
    std::string parameters; // the command line after the program name and one blank
};

// The starts logged in `path` so far, in order; none while there is no file.
inline std::vector<RecordedStart> ReadLog(const std::string& path)
{
    std::vector<RecordedStart> starts;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return starts;
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read)
        text.append(chunk, read);
    ::CloseHandle(file);

    size_t begin = 0;
    for (size_t end; (end = text.find("\r\n", begin)) != std::string::npos; begin = end + 2)
    {
        const std::string line = text.substr(begin, end - begin);
        const size_t t1 = line.find('\t');
        const size_t t2 = line.find('\t', t1 + 1);
        const size_t t3 = line.find('\t', t2 + 1);
        const size_t t4 = line.find('\t', t3 + 1);
        if (t3 == std::string::npos || t4 == std::string::npos)
            continue;
        RecordedStart start;
        start.ms = std::strtoull(line.c_str(), nullptr, 10);
        start.show = std::atoi(line.c_str() + t1 + 1);
        start.module = line.substr(t2 + 1, t3 - t2 - 1);
        start.folder = line.substr(t3 + 1, t4 - t3 - 1);
        start.commandLine = line.substr(t4 + 1);
        const std::string& c = start.commandLine;
        size_t after = c[0] == '"' ? c.find('"', 1) + 1 : c.find(' ');
        if (after == std::string::npos || after == 0 || after > c.size())
            after = c.size();
        if (after < c.size() && c[after] == ' ')
            ++after;
        start.parameters = c.substr(after);
        starts.push_back(start);
    }
    return starts;
}

} // namespace recorder
