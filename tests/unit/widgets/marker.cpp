// Stands in for a program planted in the working folder: leaves a line in ran.txt beside itself.
#include <windows.h>

#include <string>

int main()
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self);
    path = path.substr(0, path.find_last_of('\\')) + "\\ran.txt";
    HANDLE file = ::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    ::WriteFile(file, "ran\r\n", 5, &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
