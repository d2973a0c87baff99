/* Loads the DLL named on its command line the way a program without any hardening does
 * (LoadLibraryA by bare name: the program's folder first) and exits with 0 when it loaded. */
#include <windows.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    HMODULE m = LoadLibraryA(argv[1]);
    char path[MAX_PATH] = "";
    if (m)
        GetModuleFileNameA(m, path, MAX_PATH);
    printf("%s -> %s\n", argv[1], m ? path : "(not loaded)");
    return m ? 0 : 1;
}
