// Stand-in for what the shell opens for the user (the web browser, control.exe): appends its
// command line arguments as one line to the file named by E2E_LAUNCH_LOG (or <own path>.log).
#include <windows.h>

#include <cstdio>
#include <string>

int main()
{
    std::string cmd = ::GetCommandLineA();
    // Drop the program's own name, quoted or not.
    size_t start = 0;
    if (!cmd.empty() && cmd[0] == '"')
        start = cmd.find('"', 1) == std::string::npos ? cmd.size() : cmd.find('"', 1) + 1;
    else
        start = cmd.find(' ') == std::string::npos ? cmd.size() : cmd.find(' ');
    std::string args = cmd.substr(start);
    while (!args.empty() && args[0] == ' ')
        args.erase(0, 1);

    char log[MAX_PATH] = {};
    if (!::GetEnvironmentVariableA("E2E_LAUNCH_LOG", log, sizeof(log)) || !log[0])
    {
        ::GetModuleFileNameA(nullptr, log, MAX_PATH - 5);
        lstrcatA(log, ".log");
    }
    // Several launches may come at once: retry while another writer holds the file.
    for (int i = 0; i < 100; ++i)
    {
        HANDLE f = ::CreateFileA(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE)
        {
            const std::string line = args + "\r\n";
            DWORD written = 0;
            ::WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            ::CloseHandle(f);
            return 0;
        }
        ::Sleep(20);
    }
    return 1;
}
