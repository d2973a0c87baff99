/* A planted DLL. Copied in under the name of a DLL the program might load; if any process ever
 * runs it, it says so on the debugger channel ("PLANTED <its path>") and leaves "<its path>.loaded"
 * beside itself, so that a load is seen even by a test that was not attached at the time.
 * Imports only kernel32: it must load wherever it is planted. */
#include <windows.h>

/* Tells a plant apart from a Wine builtin that was merely found under the planted file's path
 * (Wine then reports the builtin with that path). */
__attribute__((used)) const char kPlantSignature[] = "DADAROR-PLANTED-DLL-7f3a";

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
    {
        char path[MAX_PATH + 16];
        char message[MAX_PATH + 32];
        DWORD n = GetModuleFileNameA(instance, path, MAX_PATH);
        if (n == 0 || n >= MAX_PATH)
            lstrcpyA(path, "?");
        lstrcpyA(message, "PLANTED ");
        lstrcatA(message, path);
        OutputDebugStringA(message);
        lstrcatA(path, ".loaded");
        HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (f != INVALID_HANDLE_VALUE)
            CloseHandle(f);
    }
    return TRUE;
}
