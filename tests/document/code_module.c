/* A module whose code marks the process when it runs. Documents name modules, so the
   resource store must read their resources without ever running their code. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
  (void)instance;
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"TW_MODULE_CODE_RAN", L"1");
  return TRUE;
}
