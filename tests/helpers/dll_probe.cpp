// A DLL that exists only in the test program's folder: loading it by bare name succeeds only when
// that folder is still on the DLL search path.
#include <windows.h>

extern "C" __declspec(dllexport) int VeyraProbe() {
    return 7;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
